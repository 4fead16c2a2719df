#include "MemoryCase.h"

#include "TimedRounds.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr double MemoryGoalMiB = 4;    // growth of the peak from the source to `growth` copies of it
constexpr double LongLineGoalMiB = 32; // peak while converting a line of hundreds of megabytes

void printRow(const std::string &label, unsigned long long bytes, const ChildFigures &figures)
{
    std::printf("  %-10s %9.1f MB source   peak %7.1f MiB   %7.3f s %9.1f MB/s\n", label.c_str(), double(bytes) / 1e6,
                double(figures.peakResidentKiB) / 1024, figures.seconds, double(bytes) / 1e6 / figures.seconds);
}

} // namespace

// The child reports its failure on stderr.
ChildFigures convertInChild(const std::string &what, const ChildConversion &convert, const BenchCase &benchCase,
                            const std::string &source, const std::string &output)
{
    std::fflush(nullptr); // the child must not write the parent's pending output again
    int status = -1;
    struct rusage usage {};
    const Timing timing = measure([&] {
        const pid_t pid = ::fork();
        if (pid == 0) {
            bool converted = false;
            try {
                convert(benchCase, source, output);
                converted = true;
            } catch (const std::exception &error) {
                std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, error.what());
            }
            ::_exit(converted ? 0 : 1);
        }
        if (pid > 0) ::wait4(pid, &status, 0, &usage);
    });
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(what + " on " + source + " in a child process failed");
    const ChildFigures figures{usage.ru_maxrss, timing.seconds, std::filesystem::file_size(output)};
    std::filesystem::remove(output);
    return figures;
}

GoalLine runMemoryCase(const BenchCase &benchCase, const std::string &sourcePath, const std::string &folder, int growth,
                       const std::string &what, const ChildConversion &convert)
{
    std::printf("\n== peak memory: %s, %s in a child process (maximum resident set)\n", benchCase.title.c_str(),
                what.c_str());
    const unsigned long long sourceBytes = std::filesystem::file_size(sourcePath);
    const ChildFigures single = convertInChild(what, convert, benchCase, sourcePath, folder + "/memory-1x.kenaris");
    printRow("1x", sourceBytes, single);

    const std::string grownSource = folder + "/memory-grown.src";
    {
        std::ofstream grown(grownSource, std::ios::binary);
        for (int copy = 0; copy < growth; ++copy) grown << std::ifstream(sourcePath, std::ios::binary).rdbuf();
        if (!grown.flush()) throw std::runtime_error("cannot write " + grownSource);
    }
    BenchCase grownCase = benchCase;
    grownCase.source.records *= growth;
    const ChildFigures grown = convertInChild(what, convert, grownCase, grownSource, folder + "/memory-grown.kenaris");
    std::filesystem::remove(grownSource);
    if (grown.outputBytes != single.outputBytes * (unsigned long long)growth)
        throw std::runtime_error("the output of " + std::to_string(growth) + " copies of the source holds " +
                                 std::to_string(grown.outputBytes) + " bytes instead of " +
                                 std::to_string(single.outputBytes * (unsigned long long)growth));
    printRow(std::to_string(growth) + "x", sourceBytes * (unsigned long long)growth, grown);
    const double growthMiB = double(grown.peakResidentKiB - single.peakResidentKiB) / 1024;
    return {"peak memory growth of " + what + ", source -> " + std::to_string(growth) + "x",
            formatted("%+.1f MiB", growthMiB), formatted("<= %.0f MiB", MemoryGoalMiB), growthMiB <= MemoryGoalMiB};
}

GoalLine runLongLineCase(const BenchCase &benchCase, const std::string &folder, unsigned long long lineBytes,
                         const ChildConversion &convert)
{
    std::printf("\n== peak memory: one line of %.0f MB, %s in a child process (maximum resident set)\n",
                double(lineBytes) / 1e6, benchCase.title.c_str());
    const std::string source = folder + "/long-line.src";
    {
        std::ofstream out(source, std::ios::binary);
        const std::string chunk(1 << 20, 'x');
        for (unsigned long long left = lineBytes; left > 0;) {
            const size_t piece = size_t(std::min<unsigned long long>(left, chunk.size()));
            out.write(chunk.data(), std::streamsize(piece));
            left -= piece;
        }
        if (!(out << "\r\nshort\r\n").flush()) throw std::runtime_error("cannot write " + source);
    }
    const ChildFigures figures =
        convertInChild("the conversion", convert, benchCase, source, folder + "/long-line.csv");
    std::filesystem::remove(source);
    printRow("1 line", lineBytes, figures);
    const double peakMiB = double(figures.peakResidentKiB) / 1024;
    return {"peak memory, a line of " + formatted("%.0f MB", double(lineBytes) / 1e6), formatted("%.1f MiB", peakMiB),
            formatted("<= %.0f MiB", LongLineGoalMiB), peakMiB <= LongLineGoalMiB};
}
