#include "PartsCase.h"

#include "DefinitionWriter.h"
#include "Shell.h"
#include "TimedRounds.h"

#include <cstdio>
#include <filesystem>
#include <thread>

namespace {

constexpr double SpeedupGoal = 1.6; // two parts on two idle processors against one run

// kenaris-batch converting with `definition`, its report dropped.
std::string batchLine(const std::string &arguments, const std::string &definition, const std::string &source,
                      const std::string &output)
{
    return shellWord(KENARIS_BATCH) + arguments + " " + shellWord(definition) + " " + shellWord(source) + " " +
           shellWord(output) + " >/dev/null";
}

} // namespace

void runPartsCase(const BenchCase &benchCase, const std::string &folder, int runs, std::vector<GoalLine> &goals)
{
    const std::string source = sourcePathIn(folder, benchCase), stem = folder + "/" + benchCase.fileStem;
    const std::string definition = stem + ".utf8.def", whole = stem + ".utf8-whole";
    const std::string part1 = stem + ".utf8-part1", part2 = stem + ".utf8-part2";
    const LayoutModel layout = layoutFor(benchCase, whole, {.utf8 = true});
    saveDefinitionFile(definition, layout, int(layout.OutputLayout->size()) - 1);
    const unsigned processors = std::thread::hardware_concurrency();
    std::printf("\n== parts, %s: %lld records with UTF-8 output, kenaris-batch once against --part 1/2 and 2/2 "
                "side by side, on %u processors\n",
                benchCase.title.c_str(), benchCase.source.records, processors);
    // The second part in the background; the line fails when either does.
    // Appended piece by piece: GCC 12 takes "(" + a temporary for an overlapping copy (-Wrestrict).
    const std::string sideBySide = std::string("(")
                                       .append(batchLine(" --part 2/2", definition, source, part2))
                                       .append(") & second=$!; ")
                                       .append(batchLine(" --part 1/2", definition, source, part1))
                                       .append(" && wait $second");
    std::vector<Contender> contenders{
        {"kenaris-batch, one run", whole, [&] { runShell(batchLine("", definition, source, whole)); }},
        {"kenaris-batch --part 1/2 and 2/2 side by side", part1, [&] { runShell(sideBySide); },
         [&] { std::filesystem::remove(part2); }}};
    timeInRounds(contenders, runs);
    printTable(contenders, std::filesystem::file_size(source));

    const std::string joined = stem + ".utf8-joined";
    runShell("cat -- " + shellWord(part1) + " " + shellWord(part2) + " >" + shellWord(joined));
    requireSameBytes(joined, whole, benchCase.title + ": the parts' joined outputs");
    const double speedup = contenders[0].best.seconds / contenders[1].best.seconds;
    std::printf("  parts: %.2fx faster than one run; joined, byte-identical to it: yes\n", speedup);
    for (const std::string &file : {definition, whole, part1, part2, joined}) std::filesystem::remove(file);
    goals.push_back({"2 parts side by side, UTF-8: speed vs one run",
                     processors >= 2 ? formatted("%.2fx faster", speedup) : "not measured (one processor)",
                     formatted(">= %.1fx faster, idle", SpeedupGoal),
                     processors >= 2 ? std::optional<bool>(speedup >= SpeedupGoal) : std::nullopt});
}
