// Measuring a benchmark run as a process: wall and CPU time, resident sizes, the peak reset.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace benchproc {

inline double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// CPU time of this process: on a machine shared with other work, wall time measures the others too.
inline double cpuNow() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// A field of /proc/self/status in kB ("VmRSS:", "VmHWM:").
inline long statusKb(const char* field) {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return 0;
    char line[256];
    long kb = 0;
    const size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, field, n) == 0) kb = std::atol(line + n);
    std::fclose(f);
    return kb;
}

// Sets the process's peak resident size back to its current one (Linux 4.0 and later).
inline bool resetPeak() {
    FILE* f = std::fopen("/proc/self/clear_refs", "w");
    if (!f) return false;
    const bool ok = std::fputs("5", f) >= 0;
    return std::fclose(f) == 0 && ok;
}

} // namespace benchproc
