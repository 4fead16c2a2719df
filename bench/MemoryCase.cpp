#include "MemoryCase.h"

#include "FileBytes.h"

#include <cstdio>
#include <stdexcept>

namespace {

constexpr double MemoryGoalMiB = 4; // growth of the peak from the source to `growth` copies of it

ChildFigures convertInChild(const std::string &what, const ChildConversion &convert, const BenchCase &benchCase,
                            const std::string &source, const std::string &output)
{
    const ChildFigures figures = runInChild([&] { return convert(benchCase, source, output); });
    if (!figures.succeeded) throw std::runtime_error(what + " on " + source + " in a child process failed");
    return figures;
}

void printRow(const char *label, unsigned long long bytes, const ChildFigures &figures)
{
    std::printf("  %-10s %9.1f MB source   peak %7.1f MiB   %7.3f s %9.1f MB/s\n", label, double(bytes) / 1e6,
                double(figures.peakResidentKiB) / 1024, figures.seconds, double(bytes) / 1e6 / figures.seconds);
}

} // namespace

MemoryFigures runMemoryCase(const BenchCase &benchCase, const std::string &sourcePath, const std::string &folder,
                            int growth, const std::string &what, const ChildConversion &convert)
{
    MemoryFigures figures;
    figures.growth = growth;
    figures.singleBytes = fileSize(sourcePath);
    std::printf("\n== peak memory: %s, %s in a child process (maximum resident set)\n", benchCase.title.c_str(),
                what.c_str());

    const std::string singleOutput = folder + "/memory-1x.kenaris";
    figures.single = convertInChild(what, convert, benchCase, sourcePath, singleOutput);
    const unsigned long long singleOutputBytes = fileSize(singleOutput);
    removeFile(singleOutput);
    printRow("1x", figures.singleBytes, figures.single);

    const std::string grownSource = folder + "/memory-grown.src";
    const std::string grownOutput = folder + "/memory-grown.kenaris";
    writeRepeated(sourcePath, grownSource, growth);
    BenchCase grownCase = benchCase;
    grownCase.source.records *= growth;
    figures.grown = convertInChild(what, convert, grownCase, grownSource, grownOutput);
    const unsigned long long grownOutputBytes = fileSize(grownOutput);
    removeFile(grownSource);
    removeFile(grownOutput);
    if (grownOutputBytes != singleOutputBytes * (unsigned long long)growth)
        throw std::runtime_error("the output of " + std::to_string(growth) + " copies of the source holds " +
                                 std::to_string(grownOutputBytes) + " bytes instead of " +
                                 std::to_string(singleOutputBytes * (unsigned long long)growth));
    const std::string label = std::to_string(growth) + "x";
    printRow(label.c_str(), figures.singleBytes * (unsigned long long)growth, figures.grown);
    return figures;
}

GoalLine memoryGoal(const MemoryFigures &figures, const std::string &what)
{
    const double growthMiB = double(figures.grown.peakResidentKiB - figures.single.peakResidentKiB) / 1024;
    return {"peak memory growth of " + what + ", source -> " + std::to_string(figures.growth) + "x",
            formatted("%+.1f MiB", growthMiB), formatted("<= %.0f MiB", MemoryGoalMiB), growthMiB <= MemoryGoalMiB};
}
