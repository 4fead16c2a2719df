#include "errors/CoreError.h"
#include "errors/ErrorText.h"
#include "write/FileChecks.h"
#include "FileSizeLimit.h"
#include "run/ConvertSource.h"
#include "paths/PlainCompose.h"
#include "run/RecordLoop.h"
#include "run/RunReport.h"
#include "write/OutputWriter.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <functional>
#include <vector>

namespace {

struct TestEnvironment : RunEnvironment {
    LayoutModel model = LayoutModel::startup();
    std::string delimiterText = ",";
    std::vector<int32_t> pausedAt;
    std::vector<std::string> shownOutput;
    std::function<bool(int32_t)> onPause = [](int32_t) { return true; };
    int32_t countAtFailure = -1;

    TestEnvironment(const std::string &outputPath, std::vector<int16_t> fields)
    {
        model.OutputPath = outputPath;
        model.OutputLayout.emplace(std::max(size_t(model.FieldCount), fields.size()) + 1, OutputItem{-1});
        for (size_t i = 0; i < fields.size(); ++i) (*model.OutputLayout)[i + 1].SourceField = fields[i];
        pauseInterval = std::chrono::milliseconds(0); // pause at every chance
    }
    const LayoutModel &layout(size_t) const override { return model; }
    std::string_view delimiter(size_t) const override { return delimiterText; }
    bool betweenRecords(const RunProgress &progress) override
    {
        pausedAt.push_back(progress.count);
        shownOutput.emplace_back(progress.outputLine);
        return onPause(progress.count);
    }
    void failed(const RunProgress &progress) override { countAtFailure = progress.count; }
};

std::string records(int count, const std::string &lineEnd = "\r\n")
{
    std::string bytes;
    for (int i = 0; i < count; ++i) {
        char line[40];
        std::snprintf(line, sizeof line, "%03d%03dXYZ", i % 1000, (i * 7) % 1000);
        bytes += line + lineEnd;
    }
    return bytes;
}

TEST(RecordLoop, ConvertsEveryLineAndCountsEmptyOnes)
{
    TempDir dir;
    TestEnvironment env(dir.file("out.csv"), {2, 1});
    const RunResult result = runConversion(dir.write("in.txt", "ABCDEFGHIJ\r\n\nAB"), env);
    EXPECT_EQ(result.count(), 3);
    EXPECT_FALSE(result.stopped);
    EXPECT_EQ(TempDir::read(dir.file("out.csv")), "DEF,ABC\r\n,\r\n,AB\r\n");
    ASSERT_FALSE(env.pausedAt.empty());
    EXPECT_EQ(env.pausedAt.back(), 3); // the last pause shows the exact total
    EXPECT_EQ(env.shownOutput.back(), ",AB");
}

TEST(RecordLoop, AnOutputWithoutLinesIsAnEmptyFile)
{
    TempDir dir;
    TestEnvironment env(dir.file("out.csv"), {});
    EXPECT_EQ(runConversion(dir.write("in.txt", "ABC\r\nDEF\r\n"), env).count(), 2);
    EXPECT_TRUE(std::filesystem::exists(dir.file("out.csv")));
    std::filesystem::remove(dir.file("out.csv"));
    EXPECT_EQ(runConversion(dir.write("empty.txt", ""), env).count(), 0);
    EXPECT_TRUE(std::filesystem::exists(dir.file("out.csv")));
    EXPECT_EQ(TempDir::read(dir.file("out.csv")), "");
}

TEST(RecordLoop, ChangesBetweenRecordsTakeEffectAtTheNextRecord)
{
    TempDir dir;
    TestEnvironment env(dir.file("out.csv"), {1, 2});
    env.onPause = [&](int32_t count) {
        if (count == 256) {
            env.delimiterText = "\t";
            env.model.FieldTable[0].Width = "2";
        }
        if (count == 512) env.model.OutputPath = dir.file("second.csv");
        return true;
    };
    runConversion(dir.write("in.txt", records(600)), env);
    const std::string first = TempDir::read(dir.file("out.csv"));
    const std::string second = TempDir::read(dir.file("second.csv"));
    EXPECT_EQ(first.substr(0, 9), "000,000\r\n");
    // Record 257 (index 256) is "256" + "792": widths 2 and 3 now.
    EXPECT_NE(first.find("\r\n25\t679\r\n"), std::string::npos);
    EXPECT_EQ(std::count(first.begin(), first.end(), '\n'), 512);
    EXPECT_EQ(std::count(second.begin(), second.end(), '\n'), 88);
}

TEST(RecordLoop, Utf8OutputCountsWhatCannotBeDecodedAndMarksEachFile)
{
    TempDir dir;
    TestEnvironment env(dir.file("out.csv"), {1});
    env.model.Output = {.utf8 = true, .bom = true};
    EXPECT_EQ(runConversion(dir.write("empty.txt", ""), env).count(), 0);
    EXPECT_EQ(TempDir::read(dir.file("out.csv")), "") << "the mark goes with the first line";

    env.onPause = [&](int32_t count) {
        if (count == 256) env.model.OutputPath = dir.file("second.csv");
        return true;
    };
    const std::string source = "\x8A\xBF\r\n\x80\x80\x80\r\n" + records(300) + "\x85\x40Z\r\n";
    const TargetCounts counts = runConversion(dir.write("in.txt", source), env).targets.front();
    EXPECT_EQ(counts.undecodable, 4);
    EXPECT_EQ(counts.firstUndecodableRecord, 2);
    EXPECT_EQ(runReport(counts, false), " 303件\n変換できない文字 4 個（最初は 2 件目）\n"
                                        "長さがレイアウトと違うレコード 303 件（最初は 1 件目）");
    const std::string first = TempDir::read(dir.file("out.csv"));
    const std::string second = TempDir::read(dir.file("second.csv"));
    EXPECT_EQ(first.substr(0, 24), "\xEF\xBB\xBF漢\r\n\uFFFD\uFFFD\uFFFD\r\n000\r\n");
    EXPECT_EQ(second.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(second.substr(second.size() - 6), "\uFFFDZ\r\n");
    EXPECT_EQ(first.find("\xEF\xBB\xBF", 3) + second.find("\xEF\xBB\xBF", 3), 2 * std::string::npos);
}

TEST(RecordLoop, StoppingKeepsTheLinesSoFar)
{
    TempDir dir;
    TestEnvironment env(dir.file("out.csv"), {1});
    env.onPause = [](int32_t count) { return count < 256; };
    const RunResult result = runConversion(dir.write("in.txt", records(1000)), env);
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.count(), 256);
    const std::string out = TempDir::read(dir.file("out.csv"));
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 256);
}

TEST(RecordLoop, AFailureNamesTheRecordAndKeepsTheLinesBeforeIt)
{
    TempDir dir;
    TestEnvironment env(dir.file("out.csv"), {1});
    env.onPause = [&](int32_t count) {
        if (count == 256) env.model.FieldTable[0].Width = "wide"; // record 257 fails
        return true;
    };
    try {
        runConversion(dir.write("in.txt", records(1000)), env);
        FAIL() << "no error";
    } catch (const CoreError &error) {
        EXPECT_EQ(error.kind(), CoreError::Kind::WidthNotANumber);
        EXPECT_EQ(error.record(), 257);
        const std::string text = describeRunFailure(error);
        EXPECT_NE(text.find("257 件目"), std::string::npos) << text;
        EXPECT_NE(text.find("フィールド 1"), std::string::npos) << text;
        EXPECT_NE(text.find("「wide」"), std::string::npos) << text;
    }
    const std::string out = TempDir::read(dir.file("out.csv"));
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 256);
    EXPECT_EQ(out.substr(out.size() - 5), "255\r\n");
}

// Records read by length may hold CR and LF, which quoting keeps inside a line. A write the
// file-size limit stops part-way keeps whole lines only, names the record of the first line
// lost and reports the lines kept.
TEST(RecordLoop, AFailedWriteKeepsWholeLinesThatHoldLineEnds)
{
    // Without pauses, which flush, the buffer fills: the failing write is one written behind.
    for (const bool pauses : {true, false}) {
        TempDir dir;
        TestEnvironment env(dir.file("out.csv"), {2, 1});
        env.model.RecordLength = 8;
        env.model.Output.quote = true;
        if (!pauses) env.pauseInterval = std::chrono::hours(1);
        std::string source, expected;
        for (int i = 0; i < (pauses ? 3000 : 60000); ++i) {
            source += i % 3 ? "wxyz1234" : "a\r\nb1234";
            expected += i % 3 ? "z12,wxy\r\n" : "b12,\"a\r\n\"\r\n";
        }
        const std::string sourcePath = dir.write("in.txt", source);

        std::optional<CoreError> failure;
        try {
            const FileSizeLimit limit(pauses ? 20000 : 300000);
            runConversion(sourcePath, env);
        } catch (const CoreError &error) {
            failure = error;
        }

        ASSERT_TRUE(failure.has_value());
        EXPECT_EQ(failure->kind(), CoreError::Kind::FileWrite);
        const std::string written = TempDir::read(dir.file("out.csv"));
        EXPECT_GT(written.size(), pauses ? 10000u : 200000u);
        EXPECT_TRUE(written == expected.substr(0, written.size())) << "the lines as they come";
        EXPECT_TRUE(written.ends_with("wxy\r\n") || written.ends_with("\"\r\n")) << "a whole line last";
        // Each line ends in its last LF; the quoted ones hold one more.
        const auto lines = int32_t(std::count(written.begin(), written.end(), '\n') -
                                   std::count(written.begin(), written.end(), '"') / 2);
        EXPECT_EQ(failure->record(), lines + 1);
        EXPECT_EQ(env.countAtFailure, lines);
    }
}

// What the plain twin writes of each CR LF line of `source`, and the characters it could not decode.
std::string plainOutput(const LayoutModel &model, const std::string &source, size_t &undecodable)
{
    std::string expected;
    for (size_t at = 0, end; (end = source.find("\r\n", at)) != std::string::npos; at = end + 2)
        expected += composePlainly(model, source.substr(at, end - at), ",", undecodable).value() + "\r\n";
    return expected;
}

// Lines are taken many at a time, or one by one when longer, by the fast route or (UTF-8) not:
// warnings and undecodable characters name their first record either way, and each pause shows
// the last line written. Also with more than 64 columns, which the fast route takes at any length.
TEST(RecordLoop, WarningsNameTheirRecordsAmongLinesTakenManyAtATime)
{
    struct Row {
        std::vector<int> marked; // records starting with a user-defined character and a lone 0x80
        int longLine;            // a record of 80 bytes
        int32_t first;
    };
    const Row rows[] = {{{300, 301, 700}, 301, 300}, {{301, 700}, 301, 301}, {{700, 900}, 5, 700}};
    for (const bool utf8 : {false, true}) {
        for (const auto &[row, columns] : {std::pair(rows[0], 1), {rows[1], 1}, {rows[2], 1}, {rows[0], 70}}) {
            std::string source;
            for (int record = 1; record <= 1000; ++record) {
                const bool marked = std::count(row.marked.begin(), row.marked.end(), record) > 0;
                source +=
                    (marked ? "\xF0\x40\x80" : "abc") + std::string(record == row.longLine ? 77 : 7, 'x') + "\r\n";
            }
            TempDir dir;
            TestEnvironment env(dir.file("out.csv"), std::vector<int16_t>(size_t(columns), 1));
            env.model.Output.utf8 = utf8;
            const TargetCounts counts = runConversion(dir.write("in.txt", source), env).targets.front();
            size_t undecodable = 0;
            const std::string expected = plainOutput(env.model, source, undecodable);
            EXPECT_EQ(TempDir::read(dir.file("out.csv")), expected);
            std::vector<std::string_view> lines;
            for (size_t at = 0, end; (end = expected.find("\r\n", at)) != std::string::npos; at = end + 2)
                lines.push_back(std::string_view(expected).substr(at, end - at));
            for (size_t i = 0; i < env.pausedAt.size(); ++i)
                ASSERT_EQ(env.shownOutput[i], lines.at(size_t(env.pausedAt[i]) - 1)) << env.pausedAt[i];
            EXPECT_EQ(counts.converted, 1000);
            const WarningCount &userDefined = counts.warnings[size_t(Warning::UserDefined)];
            EXPECT_EQ(userDefined.records, int32_t(row.marked.size())) << row.first;
            EXPECT_EQ(userDefined.firstRecord, row.first);
            EXPECT_EQ(counts.firstUndecodableRecord, utf8 ? row.first : 0);
        }
    }
}

// UTF-8 lines taken many at a time (groups of lines, each a mix of ASCII columns, kana, pairs, and
// bytes that are no character) are the plain twin's, and so is the count of what was not decoded.
TEST(RecordLoop, Utf8LinesTakenManyAtATimeAreThePlainTwins)
{
    const std::vector<std::string> pieces{"A",    "7",    " ",        ",",        "\"",   "\xA1", "\xBF",
                                          "\xC0", "\xDF", "\x88\x9F", "\x81\x40", "\x80", "\x81", "\xEF\xFC"};
    uint32_t state = 7;
    const auto next = [&state](uint32_t bound) { return ((state = state * 1664525u + 1013904223u) >> 8) % bound; };
    std::string source;
    for (int record = 0; record < 600; ++record) {
        const bool ascii = record % 3 == 0; // whole columns of ASCII, copied as they are
        for (uint32_t piece = next(30); piece > 0; --piece) source += pieces[next(ascii ? 2 : uint32_t(pieces.size()))];
        source += "\r\n";
    }
    for (const WidthUnit unit : {WidthUnit::Characters, WidthUnit::Bytes}) {
        for (const bool reshaped : {false, true}) {
            TempDir dir;
            TestEnvironment env(dir.file("out.csv"), {7, 1, 2, 3, 4, 5, 6});
            env.model.Unit = unit;
            env.model.Output = {.trim = reshaped, .quote = reshaped, .utf8 = true};
            const TargetCounts counts = runConversion(dir.write("in.txt", source), env).targets.front();
            size_t undecodable = 0;
            EXPECT_EQ(TempDir::read(dir.file("out.csv")), plainOutput(env.model, source, undecodable))
                << int(unit) << reshaped;
            EXPECT_EQ(counts.undecodable, (long long)undecodable) << int(unit) << reshaped;
        }
    }
}

// A write that failed behind the lines being added: no line added after it reaches the file,
// even once the file could take it.
TEST(RecordLoop, NoLineFollowsAWriteThatFailedBehind)
{
    TempDir dir;
    const std::string path = dir.file("out.csv"), line(1000, 'x');
    OutputWriter writer(path);
    std::optional<CoreError> failure;
    {
        const FileSizeLimit limit(600000);
        try {
            for (int32_t record = 1; record <= 2000; ++record) writer.appendLine(line, record);
        } catch (const CoreError &error) {
            failure = error;
        }
    }
    writer.flush();
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->kind(), CoreError::Kind::FileWrite);
    const std::string written = TempDir::read(path);
    EXPECT_EQ(written.size(), size_t(failure->record() - 1) * (line.size() + 2));
    EXPECT_EQ(writer.linesWritten(), size_t(failure->record() - 1));
}

TEST(RecordLoop, FileFailures)
{
    TempDir dir;
    {
        TestEnvironment env(dir.file("out.csv"), {1});
        try {
            runConversion(dir.file("missing.txt"), env);
            FAIL() << "no error";
        } catch (const CoreError &error) {
            EXPECT_EQ(error.kind(), CoreError::Kind::FileOpen);
            EXPECT_EQ(error.path(), dir.file("missing.txt"));
        }
    }
    {
        TestEnvironment env("/dev/full", {1});
        try {
            runConversion(dir.write("in.txt", records(10)), env);
            FAIL() << "no error";
        } catch (const CoreError &error) {
            EXPECT_EQ(error.kind(), CoreError::Kind::FileWrite);
            EXPECT_EQ(error.path(), "/dev/full");
            EXPECT_EQ(error.record(), 1);
        }
    }
    {
        // Nothing could be written: the first record is the one named.
        TestEnvironment env(dir.file("no-such-folder/out.csv"), {1});
        try {
            runConversion(dir.write("in.txt", records(10)), env);
            FAIL() << "no error";
        } catch (const CoreError &error) {
            EXPECT_EQ(error.kind(), CoreError::Kind::FileOpen);
            EXPECT_EQ(error.record(), 1);
        }
    }
}

TEST(RecordLoop, NamedPipesNobodyServesDoNotBlock)
{
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("source.fifo").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(dir.file("out.fifo").c_str(), 0600), 0);
    TestEnvironment fromPipe(dir.file("out.csv"), {1});
    try { // no writer: not taken for an empty source
        runConversion(dir.file("source.fifo"), fromPipe);
        FAIL() << "an unserved pipe converted as empty";
    } catch (const CoreError &error) {
        EXPECT_EQ(error.kind(), CoreError::Kind::EmptyPipe);
        EXPECT_EQ(describeRunFailure(error).find("件目"), std::string::npos);
    }
    TestEnvironment toPipe(dir.file("out.fifo"), {1});
    try {
        runConversion(dir.write("in.txt", records(3)), toPipe);
        FAIL() << "wrote to a pipe nobody reads";
    } catch (const CoreError &error) {
        EXPECT_EQ(error.kind(), CoreError::Kind::FileOpen);
        EXPECT_EQ(error.record(), 1);
    }
}

// Layouts over records of 5 bytes: a type byte, then 4 bytes.
struct SeveralLayouts : RunEnvironment {
    std::vector<LayoutModel> models;
    size_t targets() const override { return models.size(); }
    const LayoutModel &layout(size_t target) const override { return models[target]; }
    std::string_view delimiter(size_t) const override { return ","; }

    void add(const std::string &outputPath, std::vector<int16_t> fields, std::optional<RecordSelection> selection)
    {
        LayoutModel model;
        model.FieldTable = {{"1", "type"}, {"4", "rest"}, {}};
        model.FieldCount = 2;
        model.OutputLayout.emplace(std::vector<OutputItem>{{0}, {-1}, {-1}});
        for (size_t i = 0; i < fields.size(); ++i) (*model.OutputLayout)[i + 1].SourceField = fields[i];
        model.RecordLength = 5;
        model.Selection = std::move(selection);
        model.OutputPath = outputPath;
        models.push_back(std::move(model));
    }
};

// Only the bytes an output column reaches are kept of a line, yet the length check takes the
// whole line, and a file of rejected records gets it as it was read.
TEST(RecordLoop, ChecksAndRejectsTakeWholeLinesBeyondWhatTheColumnsReach)
{
    const std::string kanji30 = [] {
        std::string text;
        for (int i = 0; i < 30; ++i) text += "\x8A\xBF";
        return text;
    }();
    for (const WidthUnit unit : {WidthUnit::Bytes, WidthUnit::Characters})
        for (const bool rejects : {false, true}) {
            SCOPED_TRACE(testing::Message() << "unit " << int(unit) << ", rejects " << rejects);
            TempDir dir;
            TestEnvironment env(dir.file("out.csv"), {1}); // fields of 30 units in all
            env.model.Unit = unit;
            if (rejects) env.rejectPath = dir.file("rejects.txt");
            const std::string fits = unit == WidthUnit::Bytes ? std::string(30, 'a') : kanji30;
            const std::string tooLong = fits + "b\r\n";
            const RunResult result = runConversion(dir.write("in.txt", fits + "\r\n" + tooLong + fits), env);
            const WarningCount &count = result.targets.at(0).warnings[size_t(Warning::LengthMismatch)];
            EXPECT_EQ(count.records, 1);
            EXPECT_EQ(count.firstRecord, 2);
            if (rejects) {
                EXPECT_EQ(TempDir::read(env.rejectPath), tooLong);
            }
        }
}

TEST(RecordLoop, SeveralLayoutsInOnePassTakeTheRecordsTheySelect)
{
    TempDir dir;
    SeveralLayouts env;
    env.add(dir.file("data.csv"), {2}, RecordSelection{1, "2"});
    env.add(dir.file("all.csv"), {1, 2}, std::nullopt);
    env.add(dir.file("end.csv"), {2}, RecordSelection{2, "END "});
    const RunResult result = runConversion(dir.write("in.txt", "1HEAD2AAAA2BB\x1A \r\n8TAIL9END \x1A"), env);
    EXPECT_EQ(TempDir::read(dir.file("data.csv")), "AAAA\r\nBB\x1A \r\n");
    EXPECT_EQ(TempDir::read(dir.file("all.csv")), "1,HEAD\r\n2,AAAA\r\n2,BB\x1A \r\n8,TAIL\r\n9,END \r\n");
    EXPECT_EQ(TempDir::read(dir.file("end.csv")), "END \r\n");
    ASSERT_EQ(result.targets.size(), 3u);
    EXPECT_EQ(result.count(), 2);
    EXPECT_EQ(result.notSelected(), 3);
    EXPECT_EQ(result.targets[1].converted, 5);
    EXPECT_EQ(result.targets[1].notSelected, 0);
    EXPECT_EQ(result.targets[2].converted, 1);
}

TEST(RecordLoop, FailuresNameTheSourceRecordPastSkippedOnes)
{
    TempDir dir;
    SeveralLayouts env;
    env.add("/dev/full", {2}, RecordSelection{1, "2"});
    try {
        runConversion(dir.write("in.txt", "1HEAD1HEAD2AAAA"), env);
        FAIL() << "no error";
    } catch (const CoreError &error) {
        EXPECT_EQ(error.kind(), CoreError::Kind::FileWrite);
        EXPECT_EQ(error.record(), 3);
    }
}

// The selection's field fails as an output column would, at the first record.
TEST(RecordLoop, ASelectionFieldFailsLikeAnOutputColumn)
{
    const std::pair<int16_t, std::string> rows[] = {
        {3, "対象レコードの指定のフィールド番号 3 に当たるフィールドがありません"},
        {1, "対象レコードの指定のフィールド 1 の文字長「x」は数値ではありません"}};
    for (const auto &[field, text] : rows) {
        TempDir dir;
        SeveralLayouts env;
        env.add(dir.file("out.csv"), {2}, RecordSelection{field, "2"});
        env.models[0].FieldTable[0].Width = "x";
        try {
            runConversion(dir.write("in.txt", "2AAAA"), env);
            ADD_FAILURE() << "no error for field " << field;
        } catch (const CoreError &error) {
            const std::string message = describeRunFailure(error);
            EXPECT_NE(message.find("1 件目"), std::string::npos) << message;
            EXPECT_NE(message.find(text), std::string::npos) << message;
        }
    }
}

struct PartsRow {
    std::string bytes;
    int32_t recordLength;
    int parts;
    std::string selected = {}; // the first field of the records converted, if not all
};

class SourceParts : public testing::TestWithParam<PartsRow> {};

// The parts' outputs joined in order are one run's, the mark and header line included once.
TEST_P(SourceParts, JoinedAreOneRun)
{
    TempDir dir;
    const std::string source = dir.write("in.txt", GetParam().bytes);
    TestEnvironment env(dir.file("whole.csv"), {1, 2});
    env.model.RecordLength = GetParam().recordLength;
    env.model.FieldTable[1].Width = "40";
    env.model.Header = true;
    env.model.Output = {.utf8 = true, .bom = true};
    if (!GetParam().selected.empty()) env.model.Selection = RecordSelection{1, GetParam().selected};
    const int32_t whole = runConversion(source, env).count();
    std::string joined;
    int32_t counted = 0;
    for (int part = 1; part <= GetParam().parts; ++part) {
        env.model.OutputPath = dir.file("part" + std::to_string(part) + ".csv");
        env.part = {part, GetParam().parts};
        counted += runConversion(source, env).count();
        joined += TempDir::read(env.model.OutputPath);
    }
    EXPECT_EQ(joined, TempDir::read(dir.file("whole.csv")));
    EXPECT_EQ(counted, whole);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SourceParts,
    testing::Values(PartsRow{"aa\nbbb\ncccc\nd\neeeee\n", 0, 3}, PartsRow{"aa\r\nbbb\r\ncccc\r\nd\r\n", 0, 4},
                    PartsRow{"a\rbb\rccc\rdddd\r", 0, 3}, PartsRow{"abcd\r\nef\r\n", 0, 2}, // CR LF split at the share
                    PartsRow{std::string(30, 'x') + "\nab\n", 0, 4}, // a line longer than a share
                    PartsRow{"ab\r\ncd\r\n\x1A", 0, 3},              // the end-of-file mark
                    PartsRow{"ab\r\ncd\r\n\x1A", 2, 3}, PartsRow{"a\x1A\nb\n", 0, 2},
                    PartsRow{"ab\n\x1Aghij", 4, 2},            // a mark at a part's end is data
                    PartsRow{"abc\r\ndef\nghi\rjk\r\n", 3, 3}, // line ends after records
                    PartsRow{"x\n\ny\n\nz\n\n", 3, 4},         // line ends inside records
                    PartsRow{"abcdefghij", 3, 3}, PartsRow{"abcdef", 3, 5}, PartsRow{"a\nb\n", 0, 7},
                    PartsRow{"Haa\nDbb\nDcc\nTdd\n", 0, 2, "Tdd"})); // the first part converts none

TEST(SourceParts, AStreamCannotBeSplit)
{
    TempDir dir;
    TestEnvironment env(dir.file("out.csv"), {1});
    env.part = {1, 2};
    try {
        convertSource("/dev/null", env);
        FAIL() << "no error";
    } catch (const CoreError &error) {
        EXPECT_EQ(error.kind(), CoreError::Kind::PartOfStream);
        EXPECT_TRUE(isRefusal(error));
    }
}

TEST(FileChecks, TheOutputIsNeverTheSource)
{
    TempDir dir;
    const std::string source = dir.write("in.txt", "ABC\r\n");
    std::filesystem::create_symlink(source, dir.file("link.txt"));
    EXPECT_TRUE(isSameFile(source, dir.file("link.txt")));
    try {
        (void)prepareOutput(source, dir.file("link.txt"));
        FAIL() << "no error";
    } catch (const CoreError &error) {
        EXPECT_EQ(error.kind(), CoreError::Kind::SameFile);
    }
    EXPECT_EQ(TempDir::read(source), "ABC\r\n");

    const std::string definition = dir.write("layout.def", "FIX\r\n");
    std::filesystem::create_symlink(definition, dir.file("def-link"));
    for (const char *output : {"layout.def", "def-link"}) {
        try {
            (void)prepareOutput(source, dir.file(output), {dir.file("other.def"), definition});
            FAIL() << "overwrote the definition through " << output;
        } catch (const CoreError &error) {
            EXPECT_EQ(error.kind(), CoreError::Kind::OutputIsDefinition);
        }
    }
    EXPECT_EQ(TempDir::read(definition), "FIX\r\n");

    const std::string old = dir.write("out.csv", "old\r\n");
    (void)prepareOutput(source, old); // replaced by a new, empty file
    EXPECT_EQ(TempDir::read(old), "");
    // Through a link the file pointed to is emptied and the link stays.
    const std::string target = dir.write("target.csv", "old\r\n");
    std::filesystem::create_symlink(target, dir.file("out-link"));
    (void)prepareOutput(source, dir.file("out-link"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("out-link")));
    EXPECT_EQ(TempDir::read(target), "");
    (void)prepareOutput(source, "-"); // standard output is not touched
    std::filesystem::create_directory(dir.file("folder"));
    (void)prepareOutput(source, dir.file("folder")); // only ordinary files are deleted
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("folder")));
}

} // namespace
