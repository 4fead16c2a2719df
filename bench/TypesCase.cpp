#include "TypesCase.h"

#include "TimedRounds.h"

#include <cstdio>
#include <filesystem>

namespace {

constexpr double NumberGoal = 1.3; // NUMBER on every field: at most this many times the untyped run
constexpr double ChecksGoal = 1.1; // the records' checks: at most this many times a run without them

FieldTypes everyField(const BenchCase &benchCase, FieldType type)
{
    FieldTypes types;
    for (size_t field = 1; field <= benchCase.source.widths.size(); ++field) types[int16_t(field)] = type;
    return types;
}

} // namespace

void runTypesCase(const BenchCase &benchCase, const std::string &folder, int runs, std::vector<GoalLine> &goals)
{
    const std::string sourcePath = sourcePathIn(folder, benchCase);
    const std::string stem = folder + "/" + benchCase.fileStem + ".types.";
    const FieldTypes numbers = everyField(benchCase, {FieldKind::Number, 2});
    const FieldTypes kana = everyField(benchCase, {FieldKind::Kana});
    std::printf("\n== field types, %s: %lld records, every field typed against the untyped run\n",
                benchCase.title.c_str(), benchCase.source.records);
    std::vector<Contender> contenders{
        {"untyped", stem + "untyped", [&] { convertEveryRecord(benchCase, sourcePath, stem + "untyped"); }},
        {"NUMBER k 2 on every field", stem + "number",
         [&] { convertEveryRecord(benchCase, sourcePath, stem + "number", {}, numbers); }},
        {"KANA k on every field", stem + "kana",
         [&] { convertEveryRecord(benchCase, sourcePath, stem + "kana", {}, kana); }},
    };
    timeInRounds(contenders, runs);
    const double untyped = contenders.front().best.seconds;
    for (const Contender &contender : contenders)
        std::printf("  %-40s %9.3f s %9.2fx untyped\n", contender.label.c_str(), contender.best.seconds,
                    contender.best.seconds / untyped);
    const double slowdown = contenders[1].best.seconds / untyped;
    goals.push_back({"field types NUMBER on every field: time vs untyped", formatted("%.2fx untyped", slowdown),
                     formatted("<= %.1fx untyped", NumberGoal), slowdown <= NumberGoal});
    for (const Contender &contender : contenders) std::filesystem::remove(contender.output);
}

void runChecksCase(const BenchCase &benchCase, const std::string &folder, int runs, std::vector<GoalLine> &goals)
{
    const std::string sourcePath = sourcePathIn(folder, benchCase);
    const std::string stem = folder + "/" + benchCase.fileStem + ".checks.";
    std::printf("\n== record checks, %s: %lld records, against a run without them\n", benchCase.title.c_str(),
                benchCase.source.records);
    std::vector<Contender> contenders{
        {"without checks", stem + "off",
         [&] { convertEveryRecord(benchCase, sourcePath, stem + "off", {}, {}, false); }},
        {"with checks", stem + "on", [&] { convertEveryRecord(benchCase, sourcePath, stem + "on"); }},
    };
    timeInRounds(contenders, runs);
    const double ratio = contenders[1].best.seconds / contenders[0].best.seconds;
    for (const Contender &contender : contenders)
        std::printf("  %-40s %9.3f s\n", contender.label.c_str(), contender.best.seconds);
    goals.push_back({"record checks, " + benchCase.title + ": time vs without", formatted("%.2fx without", ratio),
                     formatted("<= %.1fx without", ChecksGoal), ratio <= ChecksGoal});
    for (const Contender &contender : contenders) std::filesystem::remove(contender.output);
}
