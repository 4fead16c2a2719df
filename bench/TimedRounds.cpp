#include "TimedRounds.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sys/resource.h>
#include <unistd.h>

namespace {

double cpuSeconds(int who)
{
    struct rusage usage {};
    ::getrusage(who, &usage);
    const auto seconds = [](const timeval &time) { return double(time.tv_sec) + double(time.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double cpuSecondsWithChildren() { return cpuSeconds(RUSAGE_SELF) + cpuSeconds(RUSAGE_CHILDREN); }

} // namespace

Timing measure(const std::function<void()> &work)
{
    using Clock = std::chrono::steady_clock;
    const double cpuBefore = cpuSecondsWithChildren();
    const Clock::time_point start = Clock::now();
    work();
    return {std::chrono::duration<double>(Clock::now() - start).count(), cpuSecondsWithChildren() - cpuBefore};
}

void timeInRounds(std::vector<Contender> &contenders, int runs)
{
    std::fflush(stdout); // what the case is shows while it runs
    for (int round = 0; round < runs; ++round) {
        for (Contender &contender : contenders) {
            std::filesystem::remove(contender.output);
            if (contender.prepare) contender.prepare();
            ::sync();
            const Timing timing = measure(contender.work);
            contender.best = {std::min(contender.best.seconds, timing.seconds),
                              std::min(contender.best.cpuSeconds, timing.cpuSeconds)};
        }
    }
}

void printTable(const std::vector<Contender> &contenders, unsigned long long bytes)
{
    std::printf("  %-44s %11s %14s %11s\n", "", "wall", "", "processor");
    for (const Contender &contender : contenders) {
        // A long program name gets a line of its own above its figures.
        const char *format = contender.label.size() > 44 ? "  %s\n  %44s %9.3f s %9.1f MB/s %9.3f s\n"
                                                         : "  %-44s%s %9.3f s %9.1f MB/s %9.3f s\n";
        std::printf(format, contender.label.c_str(), "", contender.best.seconds,
                    double(bytes) / 1e6 / contender.best.seconds, contender.best.cpuSeconds);
    }
}
