#include "FloorCase.h"

#include "BareCutter.h"
#include "Shell.h"
#include "SpeedCase.h"
#include "TimedRounds.h"

#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

void compareWithFloor(const BenchCase &benchCase, bool utf8, const std::string &folder, int runs)
{
    const std::string source = sourcePathIn(folder, benchCase);
    const std::string stem = folder + "/" + benchCase.fileStem + (utf8 ? ".floor-utf8" : ".floor");
    const std::string core = stem + ".kenaris", bare = stem + ".bare", copy = stem + ".copy";
    const BareLayout layout{benchCase.source.widths, benchCase.source.unit == WidthUnit::Characters,
                            benchCase.outputOrder, utf8};
    std::vector<Contender> contenders{
        {"user-space copy (1 MiB read/write)", copy, [&] { copyThroughUserSpace(source, copy); }},
        {"bare cutter", bare, [&] { cutBare(layout, source, bare); }},
        {"kenaris (runConversion)", core, [&] { convertEveryRecord(benchCase, source, core, {.utf8 = utf8}); }}};
    std::printf("\n== floor: %s%s, the bare cutter beside the core\n", benchCase.title.c_str(),
                utf8 ? ", UTF-8 output" : "");
    timeInRounds(contenders, runs);
    printTable(contenders, std::filesystem::file_size(source));
    requireSameBytes(bare, core, benchCase.title + ": the bare cutter's output");
    const double copied = contenders[0].best.seconds, floor = contenders[1].best.seconds;
    std::printf("  floor %.2fx the copy's time; kenaris %.2fx the copy's, %.2fx the floor's\n", floor / copied,
                contenders[2].best.seconds / copied, contenders[2].best.seconds / floor);
    for (const Contender &contender : contenders) std::filesystem::remove(contender.output);
}

} // namespace

void runFloorCase(const BenchCase &characters, const BenchCase &bytes, const BenchCase &wide, const std::string &folder,
                  int runs)
{
    if (!bareCutterRuns()) {
        std::printf("\n== floor: not measured (the bare cutter needs AVX2 and BMI2)\n");
        return;
    }
    compareWithFloor(characters, false, folder, runs);
    compareWithFloor(characters, true, folder, runs);
    compareWithFloor(bytes, false, folder, runs);
    compareWithFloor(wide, false, folder, runs);
}
