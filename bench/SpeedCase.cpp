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

constexpr double PeerGoal = 25; // at least this many times faster than the gawk peer
constexpr double CopyGoal = 5;  // at most this many times cp's time

} // namespace

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

void runSpeedCase(const BenchCase &benchCase, const std::string &folder, int runs, double userCopyGoal,
                  std::vector<GoalLine> &goals)
{
    const SourceShape &shape = benchCase.source;
    int recordWidth = 0;
    for (const int width : shape.widths) recordWidth += width;
    const std::string source = sourcePathIn(folder, benchCase), stem = folder + "/" + benchCase.fileStem;
    const unsigned long long sourceBytes = writeSource(source, shape);
    std::printf("\n== %s\n  %lld records of %d %s in %zu fields, output %s, delimiter \"%s\"; source %.1f MB\n",
                benchCase.title.c_str(), shape.records, recordWidth,
                shape.unit == WidthUnit::Bytes ? "bytes" : "characters", shape.widths.size(),
                describeOutputOrder(benchCase).c_str(), BenchDelimiter, double(sourceBytes) / 1e6);

    const std::string core = stem + ".kenaris", peer = stem + ".peer", copy = stem + ".copy";
    std::vector<Contender> contenders{
        {"kenaris (runConversion)", core, [&] { convertEveryRecord(benchCase, source, core); }},
        {"cp", copy, [&] { runShell("cp -- " + shellWord(source) + " " + shellWord(copy)); }},
        {"user-space copy (1 MiB read/write)", stem + ".usercopy",
         [&] { copyThroughUserSpace(source, stem + ".usercopy"); }}};
    const bool peerFound = onPath("gawk");
    if (peerFound)
        contenders.insert(contenders.begin() + 1, {"gawk peer: " + describePeer(benchCase), peer,
                                                   [&] { runShell(gawkPeerCommand(benchCase, source, peer)); }});
    timeInRounds(contenders, runs);
    printTable(contenders, sourceBytes);
    if (!peerFound) std::printf("  NOTE: gawk peer skipped, gawk is not on PATH (Debian: apt-get install gawk)\n");

    const double coreSeconds = contenders.front().best.seconds;
    const double userCopyRatio = coreSeconds / contenders.back().best.seconds;
    const double copyRatio = coreSeconds / contenders.end()[-2].best.seconds;
    const double peerSpeedup = peerFound ? contenders[1].best.seconds / coreSeconds : 0;
    std::printf("  kenaris: %.2fx the user-space copy's time, %.2fx cp's", userCopyRatio, copyRatio);
    if (peerFound) std::printf(", %.1fx faster than the gawk peer", peerSpeedup);
    std::printf("\n");
    if (peerFound) {
        requireSameBytes(core, peer, benchCase.title + ": the conversion's output");
        std::printf("  output byte-identical to the peer's: yes (%ju bytes)\n",
                    std::uintmax_t(std::filesystem::file_size(core)));
    }
    for (const Contender &contender : contenders) std::filesystem::remove(contender.output);

    const std::string &title = benchCase.title;
    goals.push_back({title + ": time vs user-space copy", formatted("%.2fx the copy's", userCopyRatio),
                     formatted("<= %.1fx the copy's", userCopyGoal), userCopyRatio <= userCopyGoal});
    goals.push_back({title + ": speed vs gawk peer",
                     peerFound ? formatted("%.1fx faster", peerSpeedup) : "not measured",
                     formatted(">= %.0fx faster", PeerGoal),
                     peerFound ? std::optional<bool>(peerSpeedup >= PeerGoal) : std::nullopt});
    goals.push_back({title + ": time vs cp", formatted("%.2fx cp's time", copyRatio),
                     formatted("<= %.0fx cp's time", CopyGoal), copyRatio <= CopyGoal});
}
