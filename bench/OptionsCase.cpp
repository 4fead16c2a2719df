#include "OptionsCase.h"

#include "Conversion.h"
#include "FileBytes.h"
#include "ProcessRun.h"
#include "Stopwatch.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <stdexcept>
#include <unistd.h>

namespace {

constexpr double AloneGoal = 1.3; // an option alone: at most this many times the plain run's time
constexpr double AllGoal = 2;     // all of them together

struct Variant {
    std::string label;
    std::string fileSuffix;
    OutputOptions options;
    double goal; // 0 for the plain run itself
    double best = std::numeric_limits<double>::infinity();
};

std::string commaSeparated(const std::vector<int> &numbers)
{
    std::string text;
    for (const int number : numbers) {
        if (!text.empty()) text += ',';
        text += std::to_string(number);
    }
    return text;
}

// The pipeline that must write the bytes the core writes with `options`: iconv of the plain
// output for UTF-8 alone; otherwise the Python script on the source, then iconv for UTF-8 and a
// byte order mark put in front by the shell.
std::vector<Stage> referencePipeline(const BenchCase &benchCase, const OutputOptions &options, bool &fromPlainOutput)
{
    const Stage iconv{{"iconv", "-f", "CP932", "-t", "UTF-8"}, {}};
    fromPlainOutput = !options.trim && !options.quote;
    if (fromPlainOutput) return {iconv};
    Stage script{{"python3", KENARIS_OPTIONS_PEER, commaSeparated(benchCase.source.widths),
                  commaSeparated(benchCase.outputOrder)},
                 {}};
    if (options.trim) script.arguments.push_back("--trim");
    if (options.quote) script.arguments.push_back("--quote");
    std::vector<Stage> stages{script};
    if (options.utf8) stages.push_back(iconv);
    if (options.utf8 && options.bom) stages.push_back({{"sh", "-c", "printf '\\357\\273\\277'; exec cat"}, {}});
    return stages;
}

void checkAgainstPipeline(const BenchCase &benchCase, const Variant &variant, const std::string &sourcePath,
                          const std::string &plainOutput, const std::string &output)
{
    bool fromPlainOutput = false;
    const std::vector<Stage> stages = referencePipeline(benchCase, variant.options, fromPlainOutput);
    const std::string expected = output + ".expected";
    const PipelineOutcome outcome = runPipeline(stages, fromPlainOutput ? plainOutput : sourcePath, expected);
    if (!outcome.failure.empty())
        throw std::runtime_error(variant.label + ": the check's pipeline failed: " + outcome.failure);
    const long long difference = firstDifference(output, expected);
    if (difference >= 0)
        throw std::runtime_error(variant.label + ": the output " + output + " differs from the pipeline's " + expected +
                                 " at byte offset " + std::to_string(difference));
    std::printf("  %-40s output byte-identical to %s: yes (%llu bytes)\n", variant.label.c_str(),
                fromPlainOutput ? "iconv of the plain output" : "the script's pipeline", fileSize(output));
    removeFile(expected);
}

} // namespace

std::vector<GoalLine> runOptionsCase(const BenchCase &benchCase, const std::string &sourcePath,
                                     const std::string &folder, int runs)
{
    std::vector<Variant> variants{
        {"plain (no option)", "plain", {}, 0},
        {"TRIM", "trim", {.trim = true}, AloneGoal},
        {"QUOTE", "quote", {.quote = true}, AloneGoal},
        {"UTF8", "utf8", {.utf8 = true}, AloneGoal},
        {"TRIM QUOTE UTF8 BOM", "all", {.trim = true, .quote = true, .utf8 = true, .bom = true}, AllGoal},
    };
    const std::string stem = folder + "/" + benchCase.fileStem + ".options.";
    std::printf("\n== output options, %s: %lld records, each option alone and all together against the plain run\n",
                benchCase.title.c_str(), benchCase.source.records);
    std::fflush(stdout);
    // Rounds of every variant in turn, so that all of them meet the same load of the machine.
    for (int round = 0; round < runs; ++round) {
        for (Variant &variant : variants) {
            removeFile(stem + variant.fileSuffix);
            ::sync();
            Stopwatch watch;
            if (convertWithCore(benchCase, sourcePath, stem + variant.fileSuffix, variant.options) !=
                benchCase.source.records)
                throw std::runtime_error(variant.label + ": not every record was converted");
            variant.best = std::min(variant.best, watch.seconds());
        }
    }
    const double plain = variants.front().best;
    std::printf("  %-40s %11s %14s\n", "", "wall", "");
    for (const Variant &variant : variants)
        std::printf("  %-40s %9.3f s %9.2fx plain\n", variant.label.c_str(), variant.best, variant.best / plain);

    const bool checkable = onPath("python3") && onPath("iconv") && onPath("sh");
    if (checkable) {
        for (const Variant &variant : variants)
            if (variant.goal > 0)
                checkAgainstPipeline(benchCase, variant, sourcePath, stem + "plain", stem + variant.fileSuffix);
    } else {
        std::printf("  NOTE: outputs not checked: python3, iconv or sh is not on PATH\n");
    }
    std::fflush(stdout);

    std::vector<GoalLine> goals;
    for (const Variant &variant : variants) {
        removeFile(stem + variant.fileSuffix);
        if (variant.goal == 0) continue;
        const double slowdown = variant.best / plain;
        goals.push_back({"output options " + variant.label + ": time vs plain", formatted("%.2fx plain", slowdown),
                         formatted("<= %.1fx plain", variant.goal), slowdown <= variant.goal});
    }
    return goals;
}
