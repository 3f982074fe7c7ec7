# cmake -DIN=<text file> -DOUT=<file> -P windows_text.cmake
# Writes IN with CR LF line ends, so that Notepad on any Windows shows it.
file(READ "${IN}" text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${OUT}" "${text}")
