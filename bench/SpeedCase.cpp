#include "SpeedCase.h"

#include "Shell.h"
#include "TimedRounds.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace {

// A loop of 1 MiB read() and write(): what merely moving the bytes through a program costs.
void copyThroughUserSpace(const std::string &from, const std::string &to)
{
    const int input = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    const int output = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    std::vector<char> buffer(1 << 20);
    ssize_t got = -1;
    bool written = input >= 0 && output >= 0;
    while (written && (got = ::read(input, buffer.data(), buffer.size())) > 0)
        written = ::write(output, buffer.data(), size_t(got)) == got;
    const int failure = errno;
    if (input >= 0) ::close(input);
    if ((output >= 0 && ::close(output) != 0) || !written || got != 0)
        throw std::runtime_error("the user-space copy of " + from + " to " + to + " failed: " + std::strerror(failure));
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

    const std::string core = stem + ".kenaris", peer = stem + ".peer", copy = stem + ".copy";
    std::vector<Contender> contenders{
        {"kenaris (runConversion)", core, [&] { convertEveryRecord(benchCase, sourcePath, core); }},
        {"cp", copy, [&] { runShell("cp -- " + shellWord(sourcePath) + " " + shellWord(copy)); }},
        {"user-space copy (1 MiB read/write)", stem + ".usercopy",
         [&] { copyThroughUserSpace(sourcePath, stem + ".usercopy"); }}};
    const bool peerFound = onPath("gawk");
    if (peerFound)
        contenders.insert(contenders.begin() + 1, {"gawk peer: " + describePeer(benchCase), peer,
                                                   [&] { runShell(gawkPeerCommand(benchCase, sourcePath, peer)); }});
    timeInRounds(contenders, runs);
    printTable(contenders, figures.sourceBytes);
    if (!peerFound) std::printf("  NOTE: gawk peer skipped, gawk is not on PATH (Debian: apt-get install gawk)\n");

    figures.coreSeconds = contenders.front().best.seconds;
    if (peerFound) figures.peerSeconds = contenders[1].best.seconds;
    figures.copySeconds = contenders.end()[-2].best.seconds;
    figures.userCopySeconds = contenders.back().best.seconds;
    std::printf("  kenaris: %.2fx the user-space copy's time, %.2fx cp's",
                figures.coreSeconds / figures.userCopySeconds, figures.coreSeconds / figures.copySeconds);
    if (peerFound) std::printf(", %.1fx faster than the gawk peer", *figures.peerSeconds / figures.coreSeconds);
    std::printf("\n");
    if (peerFound) {
        requireSameBytes(core, peer, benchCase.title + ": the conversion's output");
        std::printf("  output byte-identical to the peer's: yes (%ju bytes)\n",
                    std::uintmax_t(std::filesystem::file_size(core)));
    }
    for (const Contender &contender : contenders) std::filesystem::remove(contender.output);
    return figures;
}
