#include "BenchCase.h"

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

Stage gawkStage(const BenchCase &benchCase)
{
    const bool bytes = benchCase.source.unit == WidthUnit::Bytes;
    Stage stage{{"gawk"}, {{"LC_ALL", bytes ? "C" : "C.UTF-8"}}};
    if (bytes) stage.arguments.push_back("-b");
    stage.arguments.push_back("-v");
    stage.arguments.push_back("FIELDWIDTHS=" + joined(benchCase.source.widths, " "));
    stage.arguments.push_back(gawkProgram(benchCase));
    return stage;
}

} // namespace

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

LayoutModel layoutFor(const BenchCase &benchCase, const std::string &outputPath)
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
    return model;
}

std::string describeOutputOrder(const BenchCase &benchCase)
{
    const std::string order = joined(benchCase.outputOrder, ",");
    return order.size() > 40 ? std::to_string(benchCase.outputOrder.size()) + " fields in a fixed shuffled order"
                             : order;
}

std::vector<Stage> gawkPeer(const BenchCase &benchCase)
{
    if (benchCase.source.unit == WidthUnit::Bytes) return {gawkStage(benchCase)};
    return {{{"iconv", "-f", "CP932", "-t", "UTF-8"}, {}},
            gawkStage(benchCase),
            {{"iconv", "-f", "UTF-8", "-t", "CP932"}, {}}};
}

std::vector<std::string> gawkPeerPrograms(const BenchCase &benchCase)
{
    if (benchCase.source.unit == WidthUnit::Bytes) return {"gawk"};
    return {"iconv", "gawk"};
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
