#include "SpeedCase.h"

#include "Conversion.h"
#include "FileBytes.h"
#include "Stopwatch.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <stdexcept>

namespace {

// Best wall-clock time of `runs` calls of `run`, each after an untimed `prepare`.
template <typename Prepare, typename Run>
double bestOf(int runs, Prepare prepare, Run run)
{
    double best = std::numeric_limits<double>::infinity();
    for (int i = 0; i < runs; ++i) {
        prepare();
        Stopwatch watch;
        run();
        best = std::min(best, watch.seconds());
    }
    return best;
}

void printRow(const std::string &program, double seconds, unsigned long long bytes)
{
    // A long program name gets a line of its own above its figures.
    const char *format = program.size() > 40 ? "  %s\n  %40s %9.3f s %9.1f MB/s\n" : "  %-40s%s %9.3f s %9.1f MB/s\n";
    std::printf(format, program.c_str(), "", seconds, double(bytes) / 1e6 / seconds);
    std::fflush(stdout);
}

std::string missingPrograms(const std::vector<std::string> &programs)
{
    std::string missing;
    for (const std::string &program : programs)
        if (!onPath(program)) missing += (missing.empty() ? "" : ", ") + program;
    return missing;
}

void runOrThrow(const std::vector<Stage> &stages, const std::string &input, const std::string &output)
{
    const std::string failure = runPipeline(stages, input, output);
    if (!failure.empty()) throw std::runtime_error(failure);
}

} // namespace

SpeedFigures runSpeedCase(const BenchCase &benchCase, const std::string &folder, int runs, std::string &sourcePath)
{
    const SourceShape &shape = benchCase.source;
    const bool bytes = shape.unit == WidthUnit::Bytes;
    int recordWidth = 0;
    for (const int width : shape.widths) recordWidth += width;
    std::string order;
    for (const int field : benchCase.outputOrder) order += (order.empty() ? "" : ",") + std::to_string(field);
    if (order.size() > 40) order = std::to_string(benchCase.outputOrder.size()) + " fields in a fixed shuffled order";

    sourcePath = folder + "/" + benchCase.fileStem + ".src";
    SpeedFigures figures;
    figures.sourceBytes = writeSource(sourcePath, shape);
    std::printf("\n== %s\n  %lld records of %d %s in %zu fields, output %s, delimiter \"%s\"; source %.1f MB\n",
                benchCase.title.c_str(), shape.records, recordWidth, bytes ? "bytes" : "characters",
                shape.widths.size(), order.c_str(), BenchDelimiter, double(figures.sourceBytes) / 1e6);

    const std::string coreOutput = folder + "/" + benchCase.fileStem + ".kenaris";
    long long records = 0;
    figures.coreSeconds = bestOf(
        runs, [&] { removeFile(coreOutput); },
        [&] { records = convertWithCore(benchCase, sourcePath, coreOutput); });
    if (records != shape.records)
        throw std::runtime_error(benchCase.title + ": the conversion read " + std::to_string(records) +
                                 " records instead of " + std::to_string(shape.records));
    printRow("kenaris (runConversion)", figures.coreSeconds, figures.sourceBytes);

    const std::string peerOutput = folder + "/" + benchCase.fileStem + ".peer";
    if (const std::string missing = missingPrograms(gawkPeerPrograms(benchCase)); !missing.empty()) {
        std::printf("  NOTE: peer skipped, not on PATH: %s (Debian: apt-get install gawk)\n", missing.c_str());
    } else {
        const std::vector<Stage> peer = gawkPeer(benchCase);
        figures.peerSeconds = bestOf(
            runs, [&] { removeFile(peerOutput); }, [&] { runOrThrow(peer, sourcePath, peerOutput); });
        printRow("gawk peer: " + describePeer(benchCase), *figures.peerSeconds, figures.sourceBytes);
    }

    const std::string copyOutput = folder + "/" + benchCase.fileStem + ".copy";
    if (!onPath("cp")) {
        std::printf("  NOTE: cp not on PATH, no copy timed\n");
    } else {
        figures.copySeconds = bestOf(
            runs, [&] { removeFile(copyOutput); },
            [&] { runOrThrow({{{"cp", sourcePath, copyOutput}, {}}}, "/dev/null", "/dev/null"); });
        printRow("cp", *figures.copySeconds, figures.sourceBytes);
    }

    if (figures.peerSeconds) {
        const long long difference = firstDifference(coreOutput, peerOutput);
        if (difference >= 0)
            throw std::runtime_error(benchCase.title + ": the conversion's output " + coreOutput +
                                     " differs from the peer's " + peerOutput + " at byte offset " +
                                     std::to_string(difference));
        std::printf("  output byte-identical to the peer's: yes (%llu bytes)\n", fileSize(coreOutput));
    }
    removeFile(coreOutput);
    removeFile(peerOutput);
    removeFile(copyOutput);
    return figures;
}
