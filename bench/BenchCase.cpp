#include "BenchCase.h"

#include "run/ConvertSource.h"
#include "errors/ErrorText.h"
#include "Shell.h"

#include <stdexcept>

#include <numeric>

namespace {

std::string joined(const std::vector<int> &numbers, const std::string &separator, const std::string &prefix = {})
{
    std::string text;
    for (size_t i = 0; i < numbers.size(); ++i) {
        if (i) text += separator;
        text += prefix;
        text += std::to_string(numbers[i]);
    }
    return text;
}

// Fisher-Yates with a fixed linear congruential sequence: the same order on every run.
std::vector<int> shuffledFields(int count, uint64_t seed)
{
    std::vector<int> fields(static_cast<size_t>(count));
    std::iota(fields.begin(), fields.end(), 1);
    for (size_t i = fields.size() - 1; i > 0; --i) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        std::swap(fields[i], fields[size_t((seed >> 33) % (i + 1))]);
    }
    return fields;
}

std::string gawkProgram(const BenchCase &benchCase)
{
    // RS takes the CR off the last field; every line the program writes ends in CR LF.
    return std::string("BEGIN { RS = \"\\r\\n\"; ORS = \"\\r\\n\"; OFS = \"") + BenchDelimiter + "\" } { print " +
           joined(benchCase.outputOrder, ", ", "$") + " }";
}

// gawk with its locale: character widths are counted in UTF-8, byte widths (-b) in the raw bytes.
std::string gawkCommand(const BenchCase &benchCase)
{
    const bool bytes = benchCase.source.unit == WidthUnit::Bytes;
    return std::string(bytes ? "LC_ALL=C gawk -b" : "LC_ALL=C.UTF-8 gawk") + " -v " +
           shellWord("FIELDWIDTHS=" + joined(benchCase.source.widths, " ")) + " " + shellWord(gawkProgram(benchCase));
}

} // namespace

LayoutModel layoutFor(const BenchCase &benchCase, const std::string &outputPath, const OutputOptions &options,
                      const FieldTypes &types)
{
    LayoutModel model;
    int number = 1;
    for (const int width : benchCase.source.widths)
        model.FieldTable.push_back({std::to_string(width), "field" + std::to_string(number++)});
    model.FieldTable.push_back({}); // spare slot
    model.FieldCount = int16_t(benchCase.source.widths.size());
    std::vector<OutputItem> layout(1); // position 0 is never used
    for (const int field : benchCase.outputOrder) layout.push_back({int16_t(field)});
    if (int(layout.size()) <= model.FieldCount) layout.push_back({-1});
    model.OutputLayout = layout;
    model.OutputPath = outputPath;
    model.Unit = benchCase.source.unit;
    model.Output = options;
    model.Types = types;
    return model;
}

BenchCase startupLayoutCase(long long records)
{
    return {"characters, start-up layout",
            "startup",
            {{3, 3, 3, 4, 4, 8, 5}, WidthUnit::Characters, records, 1},
            {7, 1, 2, 3, 4, 5, 6}};
}

BenchCase wideRecordCase(long long records)
{
    constexpr int Fields = 200;
    return {"characters, wide records",
            "wide",
            {std::vector<int>(Fields, 10), WidthUnit::Characters, records, 2},
            shuffledFields(Fields, 3)};
}

BenchCase byteLayoutCase(long long records)
{
    // The start-up layout counted in bytes: two bytes for each character.
    return {"bytes, start-up layout doubled",
            "bytes",
            {{6, 6, 6, 8, 8, 16, 10}, WidthUnit::Bytes, records, 4},
            {7, 1, 2, 3, 4, 5, 6}};
}

std::string sourcePathIn(const std::string &folder, const BenchCase &benchCase)
{
    return folder + "/" + benchCase.fileStem + ".src";
}

std::vector<TargetCounts> convertInOnePass(const std::vector<LayoutModel> &layouts, const std::string &sourcePath,
                                           bool checkRecords)
{
    try {
        FixedRunEnvironment environment(layouts, BenchDelimiter);
        environment.checkRecords = checkRecords;
        return convertSource(sourcePath, environment).targets;
    } catch (const CoreError &error) {
        // The bench's width texts are ASCII: their bytes read the same in UTF-8.
        throw std::runtime_error(describeRunFailure(error));
    }
}

void convertEveryRecord(const BenchCase &benchCase, const std::string &sourcePath, const std::string &outputPath,
                        const OutputOptions &options, const FieldTypes &types, bool checkRecords)
{
    const long long records =
        convertInOnePass({layoutFor(benchCase, outputPath, options, types)}, sourcePath, checkRecords)[0].converted;
    if (records != benchCase.source.records)
        throw std::runtime_error(benchCase.title + ": the core converted " + std::to_string(records) +
                                 " records instead of " + std::to_string(benchCase.source.records));
}

std::string describeOutputOrder(const BenchCase &benchCase)
{
    const std::string order = joined(benchCase.outputOrder, ",");
    return order.size() > 40 ? std::to_string(benchCase.outputOrder.size()) + " fields in a fixed shuffled order"
                             : order;
}

std::string gawkPeerCommand(const BenchCase &benchCase, const std::string &source, const std::string &output)
{
    const std::string input = std::string("<").append(shellWord(source)) + " ", into = " >" + shellWord(output);
    if (benchCase.source.unit == WidthUnit::Bytes) return input + gawkCommand(benchCase) + into;
    return input + "iconv -f CP932 -t UTF-8 | " + gawkCommand(benchCase) + " | iconv -f UTF-8 -t CP932" + into;
}

std::string describePeer(const BenchCase &benchCase)
{
    const std::string fieldWidths = benchCase.source.widths.size() > 8
                                        ? std::to_string(benchCase.source.widths.size()) + " widths"
                                        : joined(benchCase.source.widths, " ");
    const std::string gawk = "gawk -v FIELDWIDTHS=\"" + fieldWidths + "\" (RS=ORS=CR LF, OFS=\",\")";
    if (benchCase.source.unit == WidthUnit::Bytes) return "LC_ALL=C " + gawk.substr(0, 4) + " -b" + gawk.substr(4);
    return "iconv -f CP932 -t UTF-8 | LC_ALL=C.UTF-8 " + gawk + " | iconv -f UTF-8 -t CP932";
}
