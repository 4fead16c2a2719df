#include "OptionsCase.h"

#include "Shell.h"
#include "SpeedCase.h"
#include "TimedRounds.h"

#include <cstdio>
#include <filesystem>

namespace {

constexpr double AloneGoal = 1.3; // an option alone: at most this many times the plain run's time
constexpr double AllGoal = 2;     // all of them together
// Against the user-space copy of the same run (0: no such goal).
constexpr double Utf8CopyGoal = 2.5;
constexpr double AllCopyGoal = 3;

struct Variant {
    std::string label;
    std::string fileSuffix;
    OutputOptions options;
    double goal;     // 0 for the plain run itself
    double copyGoal; // against the user-space copy; 0: none
};

std::string commaSeparated(const std::vector<int> &numbers)
{
    std::string text;
    for (const int number : numbers) text.append(text.empty() ? "" : ",").append(std::to_string(number));
    return text;
}

// The shell line that must write the bytes the core writes with `options` into `expected`: iconv
// of the plain output for UTF-8 alone; otherwise the Python script on the source, then iconv for
// UTF-8 and a byte order mark put in front.
std::string referencePipeline(const BenchCase &benchCase, const OutputOptions &options, const std::string &source,
                              const std::string &plainOutput, const std::string &expected)
{
    const std::string iconv = "iconv -f CP932 -t UTF-8", into = " >" + shellWord(expected);
    if (!options.trim && !options.quote) return iconv + " <" + shellWord(plainOutput) + into;
    std::string line = "python3 " + shellWord(KENARIS_OPTIONS_PEER) + " " + commaSeparated(benchCase.source.widths) +
                       " " + commaSeparated(benchCase.outputOrder) + (options.trim ? " --trim" : "") +
                       (options.quote ? " --quote" : "") + " <" + shellWord(source);
    if (options.utf8) line += " | " + iconv;
    if (options.utf8 && options.bom) line += " | (printf '\\357\\273\\277'; cat)";
    return line + into;
}

} // namespace

void runOptionsCase(const BenchCase &benchCase, const std::string &folder, int runs, std::vector<GoalLine> &goals)
{
    const std::string sourcePath = sourcePathIn(folder, benchCase);
    const std::vector<Variant> variants{
        {"plain (no option)", "plain", {}, 0, 0},
        {"TRIM", "trim", {.trim = true}, AloneGoal, 0},
        {"QUOTE", "quote", {.quote = true}, AloneGoal, 0},
        {"UTF8", "utf8", {.utf8 = true}, AloneGoal, Utf8CopyGoal},
        {"TRIM QUOTE UTF8 BOM", "all", {.trim = true, .quote = true, .utf8 = true, .bom = true}, AllGoal, AllCopyGoal},
    };
    const std::string stem = folder + "/" + benchCase.fileStem + ".options.";
    std::printf("\n== output options, %s: %lld records, each option alone and all together against the plain run\n",
                benchCase.title.c_str(), benchCase.source.records);
    std::vector<Contender> contenders;
    for (const Variant &variant : variants)
        contenders.push_back({variant.label, stem + variant.fileSuffix, [&, output = stem + variant.fileSuffix] {
                                  convertEveryRecord(benchCase, sourcePath, output, variant.options);
                              }});
    const std::string userCopy = stem + "usercopy";
    contenders.push_back(
        {"user-space copy (1 MiB read/write)", userCopy, [&] { copyThroughUserSpace(sourcePath, userCopy); }});
    timeInRounds(contenders, runs);
    const double plain = contenders.front().best.seconds, copied = contenders.back().best.seconds;
    std::printf("  %-40s %11s %14s %17s\n", "", "wall", "", "");
    for (const Contender &contender : contenders)
        std::printf("  %-40s %9.3f s %9.2fx plain %9.2fx the copy's\n", contender.label.c_str(), contender.best.seconds,
                    contender.best.seconds / plain, contender.best.seconds / copied);

    const bool checkable = onPath("python3");
    if (!checkable) std::printf("  NOTE: outputs not checked: python3 is not on PATH\n");
    for (size_t i = 1; i < variants.size(); ++i) {
        const Variant &variant = variants[i];
        const std::string &output = contenders[i].output, expected = output + ".expected";
        if (checkable) {
            runShell(referencePipeline(benchCase, variant.options, sourcePath, stem + "plain", expected));
            requireSameBytes(output, expected, variant.label + ": the output");
            std::printf("  %-40s output byte-identical to %s: yes (%ju bytes)\n", variant.label.c_str(),
                        variant.options.trim || variant.options.quote ? "the script's pipeline"
                                                                      : "iconv of the plain output",
                        std::uintmax_t(std::filesystem::file_size(output)));
            std::filesystem::remove(expected);
        }
        const double slowdown = contenders[i].best.seconds / plain;
        goals.push_back({"output options " + variant.label + ": time vs plain", formatted("%.2fx plain", slowdown),
                         formatted("<= %.1fx plain", variant.goal), slowdown <= variant.goal});
        const double copyRatio = contenders[i].best.seconds / copied;
        if (variant.copyGoal > 0)
            goals.push_back({"output options " + variant.label + ": time vs user-space copy",
                             formatted("%.2fx the copy's", copyRatio),
                             formatted("<= %.1fx the copy's", variant.copyGoal), copyRatio <= variant.copyGoal});
    }
    for (const Contender &contender : contenders) std::filesystem::remove(contender.output);
}
