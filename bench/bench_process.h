// Measuring a benchmark run as a process: wall and CPU time, resident sizes, the peak reset, and
// running one measurement in a forked child so that it has a peak resident size of its own.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sys/wait.h>
#include <type_traits>
#include <unistd.h>

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

// Runs `measure` in a forked child, which sends its report (a plain struct) back through a pipe and
// ends without freeing anything. True when the whole report arrived and the child exited with 0.
template <class Report, class Measure> bool inChild(Measure&& measure, Report& report) {
    static_assert(std::is_trivially_copyable_v<Report>, "the report crosses a pipe as bytes");
    int fd[2];
    if (pipe(fd) != 0) return false;
    const pid_t pid = fork();
    if (pid < 0) {
        close(fd[0]);
        close(fd[1]);
        return false;
    }
    if (pid == 0) {
        close(fd[0]);
        const Report r = measure();
        const ssize_t n = write(fd[1], &r, sizeof r);
        _exit(n == ssize_t(sizeof r) ? 0 : 1);
    }
    close(fd[1]);
    size_t got = 0;
    auto* bytes = reinterpret_cast<char*>(&report);
    while (got < sizeof report) {
        const ssize_t n = read(fd[0], bytes + got, sizeof report - got);
        if (n <= 0) break;
        got += size_t(n);
    }
    close(fd[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return got == sizeof report && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace benchproc
