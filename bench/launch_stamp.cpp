// The program the launch-latency benchmark schedules: the first thing it does
// is read the system clock, then it appends that moment (milliseconds since
// 1970, UTC) to the file named by ORVIX_STAMP_FILE and ends.
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <string>

int main() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    unsigned long long ticks =
        (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    // 100-ns ticks since 1601 to milliseconds since 1970.
    unsigned long long unixMs = (ticks - 116444736000000000ULL) / 10000ULL;
    const char* file = std::getenv("ORVIX_STAMP_FILE");
    if (!file || !*file) return 2;
    std::ofstream out(file, std::ios::binary | std::ios::app);
    out << unixMs << "\n";
    return out ? 0 : 1;
}
