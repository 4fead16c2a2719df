#include "TimedRounds.h"

#include "FileBytes.h"
#include "Stopwatch.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

void timeInRounds(std::vector<Contender> &contenders, int runs)
{
    for (int round = 0; round < runs; ++round) {
        for (Contender &contender : contenders) {
            removeFile(contender.output);
            ::sync();
            Stopwatch watch;
            const double cpu = contender.run();
            contender.best = std::min(contender.best, watch.seconds());
            contender.bestCpu = std::min(contender.bestCpu, cpu);
        }
    }
}

void printRow(const Contender &contender, unsigned long long bytes)
{
    // A long program name gets a line of its own above its figures.
    const char *format = contender.label.size() > 40 ? "  %s\n  %40s %9.3f s %9.1f MB/s %9.3f s\n"
                                                     : "  %-40s%s %9.3f s %9.1f MB/s %9.3f s\n";
    std::printf(format, contender.label.c_str(), "", contender.best, double(bytes) / 1e6 / contender.best,
                contender.bestCpu);
}
