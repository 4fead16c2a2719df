#include "compose/ComposePlan.h"
#include "compose/FieldValues.h"
#include "paths/FastRoute.h"
#include "paths/PlainCompose.h"
#include "errors/ErrorText.h"

#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

namespace {

LayoutModel startupWithOutput(std::vector<int16_t> fields)
{
    LayoutModel model = LayoutModel::startup();
    model.OutputLayout.emplace(size_t(model.FieldCount) + 1, OutputItem{-1});
    for (size_t i = 0; i < fields.size(); ++i) (*model.OutputLayout)[i + 1].SourceField = fields[i];
    return model;
}

// The composed line, or "<none>" when the layout yields no column.
std::string compose(const LayoutModel &model, const std::string &line, std::string_view delimiter = ",")
{
    std::string out;
    return ComposePlan(model).compose(line, delimiter, out) ? out : "<none>";
}

CoreError failureOf(const LayoutModel &model)
{
    ComposePlan plan(model);
    std::string out;
    try {
        plan.compose("ABCDEFGHIJ", ",", out);
    } catch (const CoreError &error) {
        EXPECT_TRUE(out.empty()) << "nothing is composed for a failing record";
        return error;
    }
    ADD_FAILURE() << "no error";
    return CoreError::countOverflow();
}

TEST(Compose, FieldsInOutputOrderFromTheirFixedPositions)
{
    const LayoutModel model = startupWithOutput({2, 1});
    EXPECT_EQ(compose(model, "ABCDEFGHIJ"), "DEF,ABC");
    EXPECT_EQ(compose(model, "AB"), ",AB"); // an empty field keeps its delimiter
    EXPECT_EQ(compose(model, ""), ",");
    EXPECT_EQ(compose(model, "ABCDEFGHIJ", "\t"), "DEF\tABC");
    EXPECT_EQ(compose(startupWithOutput({3, 3, 7}), std::string("ab,de\"gh i") + "jklmnopqrstuvwxyz0123"),
              "gh ,gh ,yz012"); // blanks, commas and quotes are copied as they are
    EXPECT_EQ(compose(startupWithOutput({7, 1, 2, 3, 4, 5, 6}), "ABCDEFGHIJKLMNOPQRSTUVWXYZabcd"),
              "Zabcd,ABC,DEF,GHI,JKLM,NOPQ,RSTUVWXY");
}

TEST(Compose, StopsAtTheFirstEmptySlotOrTheEndOfTheLayout)
{
    EXPECT_EQ(compose(startupWithOutput({}), "ABCDEFGHIJ"), "<none>");
    EXPECT_EQ(compose(startupWithOutput({1, -1, 2}), "ABCDEFGHIJ"), "ABC");
    LayoutModel noLayout = LayoutModel::startup();
    EXPECT_EQ(compose(noLayout, "ABC"), "<none>");
    // A loaded layout shorter than FieldCount: positions past its end are empty.
    LayoutModel shortLayout = LayoutModel::startup();
    shortLayout.OutputLayout = std::vector<OutputItem>{{0}, {3}, {1}};
    EXPECT_EQ(compose(shortLayout, "ABCDEFGHIJ"), "GHI,ABC");
    // Every position of the layout is composed, also beyond the field count.
    LayoutModel beyond = startupWithOutput({1, 2, 3});
    beyond.FieldCount = 2;
    EXPECT_EQ(compose(beyond, "ABCDEFGHIJ"), "ABC,DEF,GHI");
    beyond.FieldCount = 0;
    EXPECT_EQ(compose(beyond, "ABCDEFGHIJ"), "ABC,DEF,GHI");
}

TEST(Compose, ZeroWidthGivesAnEmptyColumn)
{
    LayoutModel model = startupWithOutput({2, 3});
    model.FieldTable[1].Width = "0";
    EXPECT_EQ(compose(model, "ABCDEFGHIJ"), ",DEF"); // field 3 now starts at 4
}

TEST(Compose, CharactersOrBytes)
{
    const std::string kanji = "\x8A\xBF\x8E\x9A\x95\x5C"; // three double-byte characters
    LayoutModel model;
    model.FieldTable = {{"2", ""}, {"1", ""}, {}};
    model.FieldCount = 2;
    model.OutputLayout = std::vector<OutputItem>{{0}, {2}, {1}};
    EXPECT_EQ(compose(model, kanji), "\x95\x5C,\x8A\xBF\x8E\x9A");
    model.Unit = WidthUnit::Bytes;
    EXPECT_EQ(compose(model, kanji), "\x8E,\x8A\xBF");
}

TEST(Compose, UnusableLayoutsFailNamingPositionAndField)
{
    {
        const CoreError error = failureOf(startupWithOutput({1, 9}));
        EXPECT_EQ(error.kind(), CoreError::Kind::NoSuchField);
        EXPECT_EQ(error.position(), 2);
        EXPECT_EQ(error.field(), 9);
    }
    for (int16_t field : {0, -2}) {
        const CoreError error = failureOf(startupWithOutput({field}));
        EXPECT_EQ(error.kind(), CoreError::Kind::NoSuchField);
        EXPECT_EQ(error.field(), field);
    }
    {
        LayoutModel model = startupWithOutput({5});
        model.FieldTable[1].Width = "abc"; // a field before the one output
        const CoreError error = failureOf(model);
        EXPECT_EQ(error.kind(), CoreError::Kind::WidthNotANumber);
        EXPECT_EQ(error.field(), 2);
        EXPECT_EQ(error.position(), 1);
        EXPECT_EQ(error.widthText(), "abc");
    }
    {
        LayoutModel model = startupWithOutput({2});
        model.FieldTable[1].Width = "-1";
        EXPECT_EQ(failureOf(model).kind(), CoreError::Kind::NegativeWidth);
        model.FieldTable[1].Width = "1";
        model.FieldTable[0].Width = "-5";
        const CoreError error = failureOf(model);
        EXPECT_EQ(error.kind(), CoreError::Kind::StartBelowOne);
        EXPECT_EQ(error.start(), -4);
    }
}

TEST(Compose, TheFailureComesOnlyFromPositionsVisited)
{
    LayoutModel model = startupWithOutput({1, -1, 9});
    EXPECT_EQ(compose(model, "ABCDEFGHIJ"), "ABC");
    model.FieldTable[4].Width = "bad"; // field 5 is never needed
    EXPECT_EQ(compose(model, "ABCDEFGHIJ"), "ABC");
}

TEST(Compose, EachPreparationReadsTheModelAfresh)
{
    LayoutModel model = startupWithOutput({2});
    ComposePlan before(model);
    model.FieldTable[0].Width = "1";
    std::string old, fresh;
    before.compose("ABCDEFGHIJ", ",", old);
    ComposePlan(model).compose("ABCDEFGHIJ", ",", fresh);
    EXPECT_EQ(old, "DEF");
    EXPECT_EQ(fresh, "BCD");
}

} // namespace

// A start is not bound to 16 bits: a long layout's last field lies past byte 32767, and a
// negative width before it is summed in too.
TEST(Compose, StartsPastThe16BitRange)
{
    LayoutModel model = startupWithOutput({3});
    model.Unit = WidthUnit::Bytes;
    model.FieldTable[0].Width = "32767";
    model.FieldTable[1].Width = "1519";
    const std::string record = std::string(34286, 'x') + "TAIL";
    EXPECT_EQ(compose(model, record), "TAI");
    model.FieldTable[1].Width = "-32768";
    EXPECT_EQ(failureOf(model).kind(), CoreError::Kind::StartBelowOne);
}

// Every route of the plan (plain copies, trimming, quoting, UTF-8 by the record or by the column)
// and the record loop's fast route against the plain twin, on layouts and records drawn at random from bytes that
// matter to CP932.
TEST(Compose, WritesWhatThePlainTwinWrites)
{
    const unsigned char alphabet[] = {'A',  ' ',  ',',  '"',  '\r', '\t', 0x81, 0x40, 0x88, 0x9F,
                                      0xB6, 0xDE, 0xE0, 0xEF, 0xFC, 0x80, 0xA0, 0xFD, 0x7F, 0x5C,
                                      '\n', 0xF0, 0xF9, '0',  '7',  '-',  0xBF, 0xC0, 0xDF};
    uint32_t state = 2024;
    const auto next = [&state](uint32_t bound) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % bound;
    };
    for (int round = 0; round < 4000; ++round) {
        LayoutModel model;
        // Now and then more than 16 columns and boundaries, or 64, which kernels locate otherwise.
        const int fields = 1 + int(next(next(8) ? 6 : 80));
        model.OutputLayout.emplace(1);
        for (int field = 1; field <= fields; ++field) {
            model.FieldTable.push_back({std::to_string(next(next(4) ? 24 : 64)), ""});
            model.OutputLayout->push_back({int16_t(1 + next(uint32_t(fields)))});
        }
        model.FieldTable.push_back({});
        model.FieldCount = int16_t(fields);
        model.Unit = next(2) ? WidthUnit::Bytes : WidthUnit::Characters;
        const uint32_t options = next(8);
        model.Output = {.trim = bool(options & 1), .quote = bool(options & 2), .utf8 = bool(options & 4)};
        const std::string delimiter = std::vector<std::string>{",", "\t", "\x81\x41", "||"}[next(4)];
        // Half the records are mostly ASCII, so that whole 64-byte blocks of it follow a lead byte
        // at the end of the block before.
        const bool mostlyAscii = next(2);
        std::string record(next(150), 'A');
        for (char &byte : record)
            byte = !mostlyAscii || next(64) == 0 ? char(alphabet[next(sizeof alphabet)]) : char('A' + next(26));
        if (mostlyAscii && record.size() > 64 && next(2)) record[63] = '\x88';

        std::string fast;
        size_t fastUndecodable = 0, plainUndecodable = 0;
        ComposePlan plan(model, delimiter);
        plan.compose(record, fast, fastUndecodable);
        const std::optional<std::string> plain = composePlainly(model, record, delimiter, plainUndecodable);
        ASSERT_EQ(fast, plain.value_or("")) << testing::PrintToString(record) << " options " << options;
        ASSERT_EQ(fastUndecodable, plainUndecodable) << testing::PrintToString(record);

        // The record loop's fast route (columns cut, typed, trimmed, quoted or made UTF-8; a
        // one-byte delimiter) on each vector path the processor has, against the plain twin or,
        // typed, the plan, with the checks' warnings; it declines records past 64 bytes that are
        // typed, quoted or made UTF-8, leaving the line alone.
        model.RecordLength = next(4) == 0 ? int32_t(record.size()) : 0;
        if (next(2))
            for (int16_t field = 1; field <= fields; ++field)
                model.Types[field] = std::vector<FieldType>{
                    {}, {FieldKind::Number, uint8_t(next(3))}, {FieldKind::Date}, {FieldKind::Kana}}[next(4)];
        const std::string oneByte = delimiter.substr(0, 1);
        ComposePlan typedPlan(model, oneByte);
        std::string expected;
        plainUndecodable = 0;
        typedPlan.compose(record, expected, plainUndecodable);
        if (model.Types.empty()) {
            plainUndecodable = 0;
            expected = composePlainly(model, record, oneByte, plainUndecodable).value_or("");
        }
        const ComposePlan routedPlan(model, oneByte);
        const RecordChecks checks(model, routedPlan.boundaries());
        for (const SimdPath path : {SimdPath::Avx2, SimdPath::Avx512}) {
            const size_t recordBytes = record.size() + next(2);
            const Warnings shapeWarnings = checks.check(record, recordBytes);
            // The checks alone, as for the records the route does not compose.
            const std::optional<FastChecks> fastChecks = FastChecks::prepare(routedPlan, checks, fastKernelsFor(path));
            if (fastChecks) {
                ASSERT_EQ(fastChecks->check(record, recordBytes), shapeWarnings) << simdPathName(path);
            }
            std::optional<FastRoute> route =
                FastRoute::prepare(routedPlan, &checks, model.Output, oneByte, fastKernelsFor(path));
            if (!route) continue;
            std::string routed = "kept";
            Warnings warnings = 0;
            size_t undecodable = 0;
            const Warnings expectedWarnings = shapeWarnings | typedPlan.valueWarnings();
            if (!route->append(record, recordBytes, routed, warnings, undecodable)) {
                ASSERT_GT(record.size(), 64u);
                ASSERT_TRUE(model.Output.quote || model.Output.utf8 || !model.Types.empty());
                ASSERT_EQ(routed, "kept");
                continue;
            }
            ASSERT_EQ(routed, "kept" + expected) << simdPathName(path) << testing::PrintToString(record);
            ASSERT_EQ(warnings, expectedWarnings) << simdPathName(path) << testing::PrintToString(record);
            ASSERT_EQ(undecodable, plainUndecodable) << simdPathName(path);
            if (record.size() > 64) continue; // no line is longer
            // The same record as a line read, with bytes past it that mean nothing.
            std::string read = record + std::string(LineSpans::ReadablePast, '\x82');
            LineSpans lines;
            lines.base = read.data();
            lines.count = 1;
            lines.begins[0] = 0;
            lines.kept[0] = record.size();
            lines.bytes[0] = recordBytes;
            size_t end = 0;
            route->appendLines(lines, routed, &end, &warnings, &undecodable);
            ASSERT_EQ(routed, "kept" + expected + expected + "\r\n") << simdPathName(path);
            ASSERT_EQ(end, routed.size());
            ASSERT_EQ(warnings, expectedWarnings) << simdPathName(path);
            ASSERT_EQ(undecodable, plainUndecodable) << simdPathName(path);
        }
    }
}

// Records of ASCII and half-width kana alone are made UTF-8 16 bytes at a time: every kana, spans
// around 4 and 16 bytes, quotes that split them, and the bytes above 0x7F that are neither, on
// each vector path against the plain twin.
TEST(Compose, AsciiAndKanaMadeUtf8AsTheirCharacters)
{
    std::string kana;
    for (int byte = 0xA1; byte <= 0xDF; ++byte) kana += char(byte);
    const std::string records[] = {kana.substr(0, 63),
                                   kana.substr(31, 32) + "A1,9",
                                   "\xB1"
                                   "A\xDF",
                                   "\xC0\xBF\"\xA1\"x\xDF\xDF\xDF\xDF",
                                   "AB\xA0\xB1\xB2",
                                   "\x80\xB1\xB2\xB3",
                                   "\xB1\xB2\xFD\xFE\xFF"};
    LayoutModel model;
    model.OutputLayout.emplace(1);
    for (const char *width : {"1", "3", "4", "16", "17", "22"}) {
        model.FieldTable.push_back({width, ""});
        model.OutputLayout->push_back({int16_t(model.FieldTable.size() % 6 + 1)}); // 2, 3, .., 6, 1
    }
    model.FieldTable.push_back({});
    model.FieldCount = 6;
    for (const WidthUnit unit : {WidthUnit::Characters, WidthUnit::Bytes})
        for (const bool quote : {false, true})
            for (const std::string &record : records) {
                model.Unit = unit;
                model.Output = {.quote = quote, .utf8 = true};
                size_t undecodable = 0;
                const std::string expected = composePlainly(model, record, ",", undecodable).value_or("<none>");
                const ComposePlan plan(model, ",");
                for (const SimdPath path : {SimdPath::Avx2, SimdPath::Avx512}) {
                    std::optional<FastRoute> route =
                        FastRoute::prepare(plan, nullptr, model.Output, ",", fastKernelsFor(path));
                    if (!route) continue;
                    std::string routed;
                    Warnings warnings = 0;
                    ASSERT_TRUE(route->append(record, record.size(), routed, warnings, undecodable));
                    EXPECT_EQ(routed, expected) << simdPathName(path) << " " << testing::PrintToString(record);
                }
            }
}

// Typed columns without output options, written straight into the line: a value its type
// reads, one told at its first byte to be none (written as cut, with its warning), one told
// later, and an empty one.
TEST(Compose, TypedColumnsIntoTheLine)
{
    const Warnings badNumber = warningBit(Warning::BadNumber), badDate = warningBit(Warning::BadDate);
    struct Row {
        FieldType type;
        std::string field; // of 8 characters, or none: the record is empty
        std::string written;
        Warnings warnings = 0;
    };
    const std::vector<Row> rows{
        {{FieldKind::Number, 2}, "00012345", "123.45"},
        {{FieldKind::Number, 1}, "A       ", "0.1"},
        {{FieldKind::Number}, " -0012  ", "-12"},
        {{FieldKind::Number}, "x1      ", "x1      ", badNumber},
        {{FieldKind::Number}, "1x      ", "1x      ", badNumber},
        {{FieldKind::Number}, "", ""},
        {{FieldKind::Date}, "20240401", "2024-04-01"},
        {{FieldKind::Date}, "\x88\x9f       ", "\x88\x9f       ", badDate},
        {{FieldKind::Date}, "2024040x", "2024040x", badDate},
        {{FieldKind::Kana}, "a\xB6\xDE     ", "a\x83\x4B     "},
    };
    for (const Row &row : rows) {
        LayoutModel model = startupWithOutput({1, 2, 1});
        model.FieldTable[0].Width = "8";
        model.Types[1] = row.type;
        ComposePlan plan(model);
        std::string out;
        const std::string second = row.field.empty() ? "" : "xyz";
        ASSERT_TRUE(plan.compose(row.field + second, ",", out));
        EXPECT_EQ(out, row.written + "," + second + "," + row.written) << row.field;
        EXPECT_EQ(plan.valueWarnings(), row.warnings) << row.field;
    }
}

// The typed route decides most values at their first byte: on random fields of every type, it
// writes what the type's own writer writes of each column, and draws the same warnings.
TEST(Compose, TypedColumnsAsTheirWritersWriteThem)
{
    const std::vector<std::string> pieces{" ",        "+",        "-",        ".",       "{",        "}",
                                          "A",        "J",        "T",        "x",       "\x81\x40", "\x81\x7C",
                                          "\x81\x44", "\x82\x4F", "\xB6\xDE", "\x88\x9F"};
    std::mt19937 random(25);
    const auto next = [&random](uint32_t bound) { return uint32_t(random() % bound); };
    for (int round = 0; round < 20000; ++round) {
        LayoutModel model = startupWithOutput({1, 2, 3});
        model.Unit = next(2) ? WidthUnit::Bytes : WidthUnit::Characters;
        for (int16_t field = 1; field <= 3; ++field) {
            model.FieldTable[size_t(field - 1)].Width = std::to_string(1 + next(8));
            model.Types[field] = {FieldKind(next(4)), uint8_t(next(3)), DateFormat(next(5))};
        }
        std::string record;
        for (uint32_t count = next(16); count > 0; --count)
            record += next(2) ? std::string(1, char('0' + next(10))) : pieces[next(uint32_t(pieces.size()))];
        ComposePlan plan(model);
        std::string out;
        plan.compose(record, ",", out);

        std::vector<std::string_view> columns;
        plan.cutColumns(record, columns);
        std::string expected;
        Warnings warnings = 0;
        for (size_t i = 0; i < columns.size(); ++i) {
            const FieldType type = model.Types[int16_t(i + 1)];
            std::string value;
            const bool read = type.kind == FieldKind::Number ? appendNumber(columns[i], type.decimals, value)
                              : type.kind == FieldKind::Date ? appendDate(columns[i], type.date, value)
                                                             : (appendFullWidthKana(columns[i], value), true);
            if (!read) warnings |= warningBit(type.kind == FieldKind::Number ? Warning::BadNumber : Warning::BadDate);
            expected += (i ? "," : "") + (type.kind == FieldKind::Text || !read ? std::string(columns[i]) : value);
        }
        ASSERT_EQ(out, expected) << testing::PrintToString(record);
        ASSERT_EQ(plan.valueWarnings(), warnings) << testing::PrintToString(record);
    }
}

// Each column as the value a workbook keeps: text trimmed as the options say, kana made
// full-width, numbers and dates as their types write them, a value that is not what its type
// says as it was cut (with its warning), and nothing for an empty value.
TEST(Compose, ValuesByTheirTypes)
{
    using Kind = ColumnValue::Kind;
    struct Row {
        FieldType type;
        bool trim;
        std::string field; // of 8 bytes at most
        Kind kind;
        std::string bytes;
        Warnings warnings = 0;
    };
    const std::vector<Row> rows{
        {{}, false, " 0a ", Kind::Text, " 0a "},
        {{}, true, " 0a\x81\x40", Kind::Text, "0a"},
        {{}, true, "   ", Kind::Empty, ""},
        {{FieldKind::Kana}, true, "\xB6\xDE ", Kind::Text, "\x83\x4B"},
        {{FieldKind::Number, 1}, false, " 0012", Kind::Number, "1.2"},
        {{FieldKind::Number}, true, " 1x2", Kind::Text, "1x2", warningBit(Warning::BadNumber)},
        {{FieldKind::Number}, false, "    ", Kind::Empty, ""},
        {{FieldKind::Date}, false, "20240401", Kind::Date, "2024-04-01"},
        {{FieldKind::Date, 0, DateFormat::YYYYMM}, false, "202413", Kind::Text, "202413", warningBit(Warning::BadDate)},
        {{FieldKind::Date}, false, "00000000", Kind::Empty, ""},
    };
    for (const Row &row : rows) {
        LayoutModel model = startupWithOutput({1});
        model.FieldTable[0].Width = "8";
        model.Types[1] = row.type;
        model.Output.trim = row.trim;
        ComposePlan plan(model);
        std::vector<ColumnValue> values;
        plan.composeValues(row.field, values);
        ASSERT_EQ(values.size(), 1u);
        EXPECT_EQ(values[0].kind, row.kind) << row.field;
        EXPECT_EQ(values[0].bytes, row.bytes) << row.field;
        EXPECT_EQ(plan.valueWarnings(), row.warnings) << row.field;
    }
}
