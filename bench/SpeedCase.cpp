#include "SpeedCase.h"

#include "Conversion.h"
#include "FileBytes.h"
#include "TimedRounds.h"

#include <cstdio>
#include <functional>
#include <stdexcept>

namespace {

std::string missingPrograms(const std::vector<std::string> &programs)
{
    std::string missing;
    for (const std::string &program : programs)
        if (!onPath(program)) missing += missing.empty() ? program : ", " + program;
    return missing;
}

double runOrThrow(const std::vector<Stage> &stages, const std::string &input, const std::string &output)
{
    const PipelineOutcome outcome = runPipeline(stages, input, output);
    if (!outcome.failure.empty()) throw std::runtime_error(outcome.failure);
    return outcome.cpuSeconds;
}

} // namespace

SpeedFigures runSpeedCase(const BenchCase &benchCase, const std::string &folder, int runs, std::string &sourcePath)
{
    const SourceShape &shape = benchCase.source;
    int recordWidth = 0;
    for (const int width : shape.widths) recordWidth += width;
    const std::string stem = folder + "/" + benchCase.fileStem;
    sourcePath = stem + ".src";
    SpeedFigures figures;
    figures.sourceBytes = writeSource(sourcePath, shape);
    std::printf("\n== %s\n  %lld records of %d %s in %zu fields, output %s, delimiter \"%s\"; source %.1f MB\n",
                benchCase.title.c_str(), shape.records, recordWidth,
                shape.unit == WidthUnit::Bytes ? "bytes" : "characters", shape.widths.size(),
                describeOutputOrder(benchCase).c_str(), BenchDelimiter, double(figures.sourceBytes) / 1e6);
    std::fflush(stdout);

    std::vector<Contender> contenders;
    contenders.push_back({"kenaris (runConversion)", stem + ".kenaris", [&] {
                              const double cpuBefore = ownCpuSeconds();
                              const long long records = convertWithCore(benchCase, sourcePath, stem + ".kenaris");
                              if (records != shape.records)
                                  throw std::runtime_error(benchCase.title + ": the conversion read " +
                                                           std::to_string(records) + " records instead of " +
                                                           std::to_string(shape.records));
                              return ownCpuSeconds() - cpuBefore;
                          }});
    const std::string missing = missingPrograms(gawkPeerPrograms(benchCase));
    if (missing.empty()) {
        const std::vector<Stage> peer = gawkPeer(benchCase);
        contenders.push_back({"gawk peer: " + describePeer(benchCase), stem + ".peer",
                              [&, peer] { return runOrThrow(peer, sourcePath, stem + ".peer"); }});
    }
    if (onPath("cp"))
        contenders.push_back(
            {"cp", stem + ".copy", [&] {
                 return runOrThrow({{{"cp", sourcePath, stem + ".copy"}, {}}}, "/dev/null", "/dev/null");
             }});

    const std::string userCopy = stem + ".usercopy";
    contenders.push_back({"user-space copy (1 MiB read/write)", userCopy, [&] {
                              const double cpuBefore = ownCpuSeconds();
                              copyThroughUserSpace(sourcePath, userCopy);
                              return ownCpuSeconds() - cpuBefore;
                          }});

    timeInRounds(contenders, runs);
    std::printf("  %-40s %11s %14s %11s\n", "", "wall", "", "processor");
    for (const Contender &contender : contenders) printRow(contender, figures.sourceBytes);
    if (!missing.empty())
        std::printf("  NOTE: gawk peer skipped, not on PATH: %s (Debian: apt-get install gawk)\n", missing.c_str());
    if (!onPath("cp")) std::printf("  NOTE: cp not on PATH, no copy timed\n");

    figures.coreSeconds = contenders[0].best;
    for (const Contender &contender : contenders) {
        if (contender.output == stem + ".peer") figures.peerSeconds = contender.best;
        if (contender.output == stem + ".copy") figures.copySeconds = contender.best;
        if (contender.output == userCopy) figures.userCopySeconds = contender.best;
    }
    std::printf("  kenaris: %.2fx the user-space copy's time", figures.coreSeconds / figures.userCopySeconds);
    if (figures.copySeconds) std::printf(", %.2fx cp's", figures.coreSeconds / *figures.copySeconds);
    if (figures.peerSeconds)
        std::printf(", %.1fx faster than the gawk peer", *figures.peerSeconds / figures.coreSeconds);
    std::printf("\n");
    if (figures.peerSeconds) {
        const long long difference = firstDifference(stem + ".kenaris", stem + ".peer");
        if (difference >= 0)
            throw std::runtime_error(benchCase.title + ": the conversion's output " + stem +
                                     ".kenaris differs from the peer's " + stem + ".peer at byte offset " +
                                     std::to_string(difference));
        std::printf("  output byte-identical to the peer's: yes (%llu bytes)\n", fileSize(stem + ".kenaris"));
    }
    std::fflush(stdout);
    for (const Contender &contender : contenders) removeFile(contender.output);
    return figures;
}
