// A stand-in program for the launch tests: it proves it ran by writing "ran"
// to the file named in ORVIX_MARKER_FILE (a started program gets no
// arguments), after waiting ORVIX_MARKER_SLEEP_MS milliseconds when set.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main() {
    if (const char* sleep = std::getenv("ORVIX_MARKER_SLEEP_MS"))
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atol(sleep)));
    const char* marker = std::getenv("ORVIX_MARKER_FILE");
    if (marker == nullptr) return 2;
    std::FILE* file = std::fopen(marker, "wb");
    if (file == nullptr) return 3;
    const bool written = std::fputs("ran", file) >= 0;
    return std::fclose(file) == 0 && written ? 0 : 4;
}
