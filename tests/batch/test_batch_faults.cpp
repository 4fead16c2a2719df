// kenaris-batch under faults, as a real process on real files: no room for the output, an
// output that cannot be created, a source that cannot be read or that shrinks while it is read,
// binary data, a 100 MB line and the largest field table. Each ends with the right exit code
// and a Japanese message on standard error, and the output holds whole lines only.

#include "BatchProcess.h"
#include "FaultData.h"
#include "layout/mdlGlobal.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <optional>

#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>

namespace {

using namespace faultdata;

size_t lineCount(const std::string &bytes) { return size_t(std::count(bytes.begin(), bytes.end(), '\n')); }

// The record a failure message names ("N 件目のレコードで…").
int namedRecord(const std::string &message) { return std::atoi(message.c_str()); }

// What was written is a beginning of the expected output made of whole lines.
void expectWholeLinesOf(const std::string &written, const std::string &expected)
{
    EXPECT_EQ(written, expected.substr(0, written.size()));
    if (!written.empty()) {
        EXPECT_EQ(written.substr(written.size() - 2), "\r\n");
    }
}

// A scratch folder that user 65534 may enter and read, with the start-up layout saved in it.
class BatchFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        openToEveryone(dir.file(""), true);
        definition = put("layout.def", SecondAndFirstDefinition);
    }
    std::string put(const std::string &name, const std::string &bytes)
    {
        const std::string path = dir.write(name, bytes);
        openToEveryone(path, false);
        return path;
    }

    // Runs kenaris-batch for the row `name`; nothing when its fault cannot be set up on this
    // machine, which `notProven` then says.
    std::optional<BatchOutcome> runRow(const char *name, const std::vector<std::string> &arguments, bool unprivileged,
                                       std::string &notProven)
    {
        BatchOutcome outcome =
            runBatch(dir, arguments, {.fileSizeLimit = 0, .unprivileged = unprivileged, .whileRunning = {}});
        if (outcome.setupProblem.empty()) return outcome;
        notProven += std::string(name) + ": " + outcome.setupProblem;
        return std::nullopt;
    }

    TempDir dir;
    std::string definition;
};

// Also with the output options on: the byte order mark before the first line must not move where
// a half-written line is cut off.
TEST_F(BatchFaults, NoRoomForTheOutputKeepsWholeLinesAndNamesTheFirstMissingRecord)
{
    const std::string plain = put("in.txt", numberedLines(2000));
    std::string quotedOutput;
    const std::string quotes = put("quotes.txt", quotedLines(2000, quotedOutput));
    const std::string optionsOn = put("options.def", SecondAndFirstQuotedWithMarkDefinition);
    const struct {
        const char *name;
        std::string output;
        rlim_t limit;
        std::string definition, source, expected;
    } rows[] = {
        {"full disk", "/dev/full", 0, definition, plain, secondAndFirstField(TempDir::read(plain))},
        {"file-size limit", dir.file("out.csv"), 4000, definition, plain, secondAndFirstField(TempDir::read(plain))},
        {"file-size limit, UTF-8 with a mark, quoted", dir.file("marked.csv"), 4000, optionsOn, quotes, quotedOutput},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const BatchOutcome outcome = runBatch(dir, {row.definition, row.source, row.output},
                                              {.fileSizeLimit = row.limit, .unprivileged = false, .whileRunning = {}});
        ASSERT_EQ(outcome.setupProblem, "");
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_EQ(outcome.out, "");
        EXPECT_TRUE(contains(outcome.err, "件目のレコードで変換を中止しました。")) << outcome.err;
        EXPECT_TRUE(contains(outcome.err, "ファイル「" + row.output + "」に書き込めません。")) << outcome.err;
        const std::string written = row.limit ? TempDir::read(row.output) : std::string();
        expectWholeLinesOf(written, row.expected);
        // Every record before the one named is in the file: the user can tell where to go on.
        EXPECT_EQ(namedRecord(outcome.err), int(lineCount(written)) + 1) << outcome.err;
    }
}

TEST_F(BatchFaults, OutputThatCannotBeCreatedIsReportedAtTheFirstRecord)
{
    const std::string source = put("in.txt", numberedLines(20));
    ::mkdir(dir.file("locked").c_str(), 0555);
    ::mkdir(dir.file("folder").c_str(), 0755);
    put("plain.txt", "not a folder");
    const struct {
        const char *name;
        std::string output;
        bool unprivileged;
    } rows[] = {
        {"folder without write permission", dir.file("locked/out.csv"), true},
        {"below a regular file", dir.file("plain.txt/out.csv"), false},
        {"a folder as the output", dir.file("folder"), false},
    };
    std::string notProven; // rows whose fault could not be set up on this machine
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const std::optional<BatchOutcome> ran =
            runRow(row.name, {definition, source, row.output}, row.unprivileged, notProven);
        if (!ran) continue;
        const BatchOutcome &outcome = *ran;
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_EQ(outcome.out, "");
        EXPECT_TRUE(contains(outcome.err, "1 件目のレコードで変換を中止しました。")) << outcome.err;
        EXPECT_TRUE(contains(outcome.err, "ファイル「" + row.output + "」を開けません。")) << outcome.err;
    }
    EXPECT_EQ(TempDir::read(dir.file("plain.txt")), "not a folder");
    if (!notProven.empty()) GTEST_SKIP() << notProven;
}

TEST_F(BatchFaults, SourceThatCannotBeReadIsReported)
{
    const std::string output = put("out.csv", "earlier output\r\n");
    const std::string locked = put("locked.txt", numberedLines(3));
    ::chmod(locked.c_str(), 0);
    const struct {
        const char *name;
        std::string source;
        bool unprivileged;
        std::string message;
        bool outputKept; // a source that cannot even be opened leaves the old output alone
    } rows[] = {
        {"no read permission", locked, true, "ファイル「" + locked + "」を開けません。", true},
        {"a folder as the source", dir.file(""), false, "を開けません。", true},
        {"reading fails", "/proc/self/mem", false, "ファイル「/proc/self/mem」を読み込めません。", false},
    };
    std::string notProven; // rows whose fault could not be set up on this machine
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const std::optional<BatchOutcome> ran =
            runRow(row.name, {definition, row.source, output}, row.unprivileged, notProven);
        if (!ran) continue;
        const BatchOutcome &outcome = *ran;
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_EQ(outcome.out, "");
        EXPECT_TRUE(contains(outcome.err, row.message)) << outcome.err;
        if (row.outputKept) {
            EXPECT_EQ(TempDir::read(output), "earlier output\r\n");
        }
    }
    if (!notProven.empty()) GTEST_SKIP() << notProven;
}

// The output is a pipe the test reads: while the test does not read, the run waits with the
// source read only in part; then the source is cut short under it.
TEST_F(BatchFaults, SourceThatShrinksWhileReadStopsTheRun)
{
    const std::string original = numberedLines(400000); // 4.8 MB: far more than the run reads ahead
    const std::string source = put("in.txt", original);
    const std::string output = dir.file("out.fifo");
    ASSERT_EQ(::mkfifo(output.c_str(), 0666), 0);
    const int pipe = ::open(output.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(pipe, 0);
    std::string written;
    bool sawOutput = false;
    const BatchOutcome outcome =
        runBatch(dir, {definition, source, output},
                 {.fileSizeLimit = 0, .unprivileged = false, .whileRunning = [&](pid_t) {
                      struct pollfd ready = {pipe, POLLIN, 0};
                      sawOutput = ::poll(&ready, 1, 60'000) == 1 && (ready.revents & POLLIN);
                      ::truncate(source.c_str(), 1000); // within the first read, in the middle of a line
                      ::fcntl(pipe, F_SETFL, 0);
                      char chunk[65536];
                      for (ssize_t got; (got = ::read(pipe, chunk, sizeof chunk)) != 0;)
                          if (got > 0) written.append(chunk, size_t(got));
                          else if (errno != EINTR) break;
                  }});
    ::close(pipe);
    ASSERT_TRUE(sawOutput) << outcome.err;
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.out, "");
    EXPECT_TRUE(contains(outcome.err, "件目のレコードで変換を中止しました。")) << outcome.err;
    EXPECT_TRUE(contains(outcome.err, "ファイル「" + source + "」が読み込みの途中で短くなりました。")) << outcome.err;
    EXPECT_FALSE(written.empty());
    expectWholeLinesOf(written, secondAndFirstField(original));
    EXPECT_EQ(namedRecord(outcome.err), int(lineCount(written)) + 1) << outcome.err;
}

TEST_F(BatchFaults, FileThatTellsNoSizeIsNotTakenForAShrunkOne)
{
    // Files in /proc report a size of 0 however much they hold.
    const BatchOutcome outcome = runBatch(dir, {definition, "/proc/version", dir.file("out.csv")});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.out, " 1件\n長さがレイアウトと違うレコード 1 件（最初は 1 件目）\n");
    EXPECT_EQ(lineCount(TempDir::read(dir.file("out.csv"))), 1u);
}

TEST_F(BatchFaults, BinarySourceIsCutByteForByte)
{
    const std::string bytes = binarySource();
    const BatchOutcome outcome = runBatch(dir, {definition, put("in.bin", bytes), dir.file("out.csv")});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "");
    // The count, then the warnings such bytes draw.
    EXPECT_EQ(outcome.out.substr(0, outcome.out.find('\n') + 1),
              " " + std::to_string(splitLines(bytes).size()) + "件\n");
    EXPECT_EQ(TempDir::read(dir.file("out.csv")), secondAndFirstField(bytes));
}

TEST_F(BatchFaults, HundredMegabyteLine)
{
    const std::string source = put("huge.txt", hugeLineSource());
    const BatchOutcome outcome = runBatch(dir, {definition, source, dir.file("out.csv")});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.out, " 2件\n長さがレイアウトと違うレコード 2 件（最初は 1 件目）\n");
    EXPECT_EQ(TempDir::read(dir.file("out.csv")), HugeLineOutput);
    // A guard against copies of the line piling up, not a measurement: the line is held a
    // few times at most.
    RecordProperty("peak_memory_kib", std::to_string(outcome.peakMemoryKiB));
    EXPECT_LT(outcome.peakMemoryKiB, 1024L * 1024) << "peak memory in KiB";
}

TEST_F(BatchFaults, LargestFieldTableConvertsAndOneMoreIsRefused)
{
    const std::string bytes = wideSource(MaxFields + 5);
    const std::string source = put("wide.txt", bytes);
    const std::string output = dir.file("out.csv");
    BatchOutcome outcome = runBatch(dir, {put("widest.def", widestDefinition(MaxFields, MaxFields)), source, output});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.out, " 2件\n長さがレイアウトと違うレコード 2 件（最初は 1 件目）\n");
    EXPECT_EQ(TempDir::read(output), wideOutput(MaxFields, bytes));

    const struct {
        const char *name;
        std::string definition;
    } refused[] = {
        {"one field too many", widestDefinition(MaxFields + 1, 2)},
        {"one output position too many", widestDefinition(3, MaxFields + 1)},
    };
    for (const auto &row : refused) {
        SCOPED_TRACE(row.name);
        outcome = runBatch(dir, {put("too-wide.def", row.definition), source, output});
        EXPECT_EQ(outcome.exitCode, 2);
        EXPECT_EQ(outcome.out, "");
        EXPECT_TRUE(contains(outcome.err, "32767")) << outcome.err;
        EXPECT_TRUE(contains(outcome.err, dir.file("too-wide.def"))) << outcome.err;
        EXPECT_EQ(TempDir::read(output), wideOutput(MaxFields, bytes)); // nothing done
    }
}

// A command line as a shell runs it: arguments, then `<in`, `>out`, `>>out`, or `|gone` for a
// standard output whose reader has gone; names are in the scratch folder.
BatchOutcome runCommand(const TempDir &dir, const std::string &command)
{
    std::vector<std::string> arguments;
    BatchOptions options;
    std::istringstream words(command);
    for (std::string word; words >> word;) {
        if (word == "|gone") options.outputReaderGone = true;
        else if (word[0] == '<') options.input = dir.file(word.substr(1));
        else if (word.rfind(">>", 0) == 0) options.output = dir.file(word.substr(2)), options.appendOutput = true;
        else if (word[0] == '>') options.output = dir.file(word.substr(1));
        else arguments.push_back(word);
    }
    return runBatch(dir, arguments, options);
}

// Standard input and output are the files they are: a name of standard output itself writes it,
// and one file under two names (standard streams included) is refused with nothing written,
// made or deleted. A reader of standard output that goes away ends the run quietly. A failure
// with several outputs names the lines each kept.
TEST(BatchStreams, OneFileUnderTwoNames)
{
    enum After {
        Unchanged,
        Absent,
        HoldsData
    }; // HoldsData: as seeded, then the lines of in.txt
    const struct {
        const char *name;
        const char *command;
        int exitCode;
        const char *message; // "": nothing on standard error
        const char *file;
        After after;
    } rows[] = {
        {"/dev/stdout is standard output", "layout.def in.txt /dev/stdout >out.csv", 0, " 3件\n", "out.csv", HoldsData},
        {"so is /proc/self/fd/1", "layout.def in.txt /proc/self/fd/1 >>log.csv", 0, " 3件\n", "log.csv", HoldsData},
        {"- and the file standard output is", "layout.def in.txt - layout.def o2.csv >>o2.csv", 2,
         "「o2.csv」はほかの出力ファイルと同じです", "o2.csv", Unchanged},
        {"- and /dev/stdout", "layout.def in.txt - layout.def /dev/stdout >>o2.csv", 2, "「/dev/stdout」はほかの",
         "o2.csv", Unchanged},
        {"standard input is the output", "layout.def - in.txt <in.txt", 2, "は変換元ファイルと同じです", "in.txt",
         Unchanged},
        {"standard output is the source", "layout.def in.txt - >>in.txt", 2, "は変換元ファイルと同じです", "in.txt",
         Unchanged},
        {"standard output is the layout", "layout.def in.txt - >>layout.def", 2, "は定義ファイルと同じです",
         "layout.def", Unchanged},
        {"x and sub/../x", "layout.def in.txt x layout.def sub/../x", 2, "「sub/../x」はほかの", "x", Absent},
        {"a link to no file yet and its target", "layout.def in.txt dangling layout.def target.csv", 2,
         "「target.csv」はほかの", "target.csv", Absent},
        {"a read-only output", "layout.def in.txt ro.csv", 2, "は読み取り専用のため", "ro.csv", Unchanged},
        {"the reader of the data goes away", "layout.def big.txt - |gone", 141, "", "big.txt", Unchanged},
        {"the reader of the report goes away", "layout.def in.txt out.csv |gone", 141, "", "out.csv", HoldsData},
        {"one of several outputs fails", "layout.def in.txt first.csv layout.def /dev/full", 1,
         "出力ファイルごとの書き込み済みの行数:\n 3行 first.csv\n 0行 /dev/full\n", "first.csv", HoldsData},
    };
    const std::map<std::string, std::string> seeded = {{"layout.def", SecondAndFirstDefinition},
                                                       {"in.txt", numberedLines(3)},
                                                       {"big.txt", numberedLines(20000)},
                                                       {"o2.csv", "old\r\n"},
                                                       {"log.csv", "earlier\r\n"},
                                                       {"ro.csv", "old\r\n"}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        for (const auto &[name, bytes] : seeded) dir.write(name, bytes);
        std::filesystem::create_directory(dir.file("sub"));
        std::filesystem::create_symlink("target.csv", dir.file("dangling"));
        ::chmod(dir.file("ro.csv").c_str(), 0444);
        const BatchOutcome outcome = runCommand(dir, row.command);
        EXPECT_EQ(outcome.exitCode, row.exitCode) << outcome.err;
        if (*row.message) {
            EXPECT_TRUE(contains(outcome.err, row.message)) << outcome.err;
        } else {
            EXPECT_EQ(outcome.err, "");
        }
        const auto seed = seeded.find(row.file);
        const std::string before = seed == seeded.end() ? "" : seed->second;
        EXPECT_EQ(std::filesystem::exists(dir.file(row.file)), row.after != Absent);
        if (row.after != Absent) {
            EXPECT_EQ(TempDir::read(dir.file(row.file)),
                      row.after == Unchanged ? before : before + secondAndFirstField(numberedLines(3)));
        }
    }
}

// A run holds its output: a second run on it is refused and the first run's lines stay alone.
TEST_F(BatchFaults, ASecondRunOnTheSameOutputIsRefused)
{
    const std::string pipe = dir.file("in.fifo");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string output = dir.file("out.csv");
    const std::string records = numberedLines(3);
    BatchOutcome second;
    TempDir otherDir;
    const BatchOutcome first =
        runBatch(dir, {definition, pipe, output}, {.whileRunning = [&](pid_t) {
                     const int writer = ::open(pipe.c_str(), O_WRONLY); // the first run has claimed its output by now
                     second = runBatch(otherDir, {definition, put("other.txt", numberedLines(5)), output});
                     if (writer >= 0) {
                         (void)!::write(writer, records.data(), records.size());
                         ::close(writer);
                     }
                 }});
    EXPECT_EQ(second.exitCode, 2);
    EXPECT_TRUE(contains(second.err, "出力ファイル「" + output + "」にはほかの変換が書き込んでいます。")) << second.err;
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(TempDir::read(output), secondAndFirstField(records));
}

// Waits up to ten seconds for `child` to end, without reaping it; then ends it for good, so that
// a run that ignored the signal fails the test rather than hanging it.
void awaitEnd(pid_t child)
{
    for (int tenths = 0; tenths < 100; ++tenths) {
        siginfo_t info{};
        if (::waitid(P_PID, id_t(child), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == child) return;
        ::usleep(100'000);
    }
    ::kill(child, SIGKILL);
}

// A signal ends a run at once also while it waits on a pipe: for data, or for a reader.
TEST_F(BatchFaults, SignalsEndARunThatWaitsOnAPipe)
{
    const std::string pipe = dir.file("pipe"), big = put("big.txt", numberedLines(200000));
    const struct {
        const char *name;
        bool pipeIsSource; // else the output
        int signal;
    } rows[] = {{"a source whose writer stalls after three lines and a half", true, SIGTERM},
                {"an output nobody opens", false, SIGINT}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        ::unlink(pipe.c_str());
        ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
        const std::string output = row.pipeIsSource ? dir.file("out.csv") : pipe;
        int writer = -1;
        const BatchOutcome outcome =
            runBatch(dir, {definition, row.pipeIsSource ? pipe : big, output}, {.whileRunning = [&](pid_t child) {
                         if (row.pipeIsSource) {
                             writer = ::open(pipe.c_str(), O_WRONLY);
                             const std::string lines = numberedLines(3) + "12345";
                             (void)!::write(writer, lines.data(), lines.size());
                         }
                         ::usleep(300'000); // the run is waiting by now
                         ::kill(child, row.signal);
                         awaitEnd(child);
                     }});
        if (writer >= 0) ::close(writer);
        EXPECT_EQ(outcome.exitCode, 128 + row.signal) << outcome.err;
        EXPECT_TRUE(contains(outcome.err, "中断しました。")) << outcome.err;
        if (row.pipeIsSource) { // the three whole lines, not the half one
            EXPECT_EQ(TempDir::read(output), secondAndFirstField(numberedLines(3)));
            EXPECT_TRUE(contains(outcome.err, "3 件目までのレコードを変換済みです。")) << outcome.err;
        }
    }
}

// Under a Japanese locale the system's reason is Japanese text, not question marks. The locale
// is compiled for the test (the system need not have it) where its source is installed.
TEST_F(BatchFaults, SystemReasonInTheUsersLocale)
{
    const std::string locales = dir.file("");
    if (std::system(("localedef -i ja_JP -f UTF-8 " + locales + "ja_JP.UTF-8 >/dev/null 2>&1").c_str()) != 0)
        GTEST_SKIP() << "the ja_JP locale cannot be compiled here";
    const BatchOutcome outcome =
        runBatch(dir, {dir.file("nosuch.def"), definition, dir.file("out.csv")},
                 {.environment = {"LOCPATH=" + locales, "LANG=ja_JP.UTF-8", "LC_ALL=", "LANGUAGE="}});
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_FALSE(contains(outcome.err, "?")) << outcome.err;
    EXPECT_TRUE(contains(outcome.err, "そのようなファイルやディレクトリはありません")) << outcome.err;
}

// A layout that cannot be used is refused before the output is opened: the output keeps "old".
TEST_F(BatchFaults, LayoutsAreCheckedBeforeTheOutputIsTouched)
{
    const struct {
        const char *name;
        std::string definition;
        std::string said;
    } rows[] = {
        {"an output width that is no number", "FIX\r\nOUT\r\n1\r\nLEN\r\nabc a\r\n",
         "フィールド 1 の文字長「abc」は数値ではありません"},
        {"an output field beyond the fields", "FIX\r\nOUT\r\n5\r\nLEN\r\n3 a\r\n",
         "フィールド番号 5 に当たるフィールドがありません"},
        {"a selection field that cannot be cut", "FIX\r\nSELECT 2 x\r\nOUT\r\n1\r\nLEN\r\n3 a\r\nzz b\r\n",
         "対象レコードの指定のフィールド 2 の文字長「zz」"},
        {"an output list starting with -1", "FIX\r\nOUT\r\n-1\r\n1\r\nLEN\r\n3 a\r\n", "出力データの先頭が空き (-1)"},
        {"a keyword line after OUT", "FIX\r\nOUT\r\n1\r\nTRIM\r\nLEN\r\n3 a\r\n", "4 行目「TRIM」が正しくありません"},
    };
    const std::string output = dir.file("out.csv");
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        put("out.csv", "old\r\n");
        const BatchOutcome outcome = runBatch(dir, {put("row.def", row.definition), put("in.txt", "ABC\r\n"), output});
        EXPECT_EQ(outcome.exitCode, 2) << outcome.err;
        EXPECT_EQ(outcome.out, "");
        EXPECT_TRUE(contains(outcome.err, row.said)) << outcome.err;
        EXPECT_EQ(TempDir::read(output), "old\r\n");
    }
    const BatchOutcome endless = runBatch(dir, {"/dev/zero", put("in.txt", "ABC\r\n"), output});
    EXPECT_EQ(endless.exitCode, 2);
    EXPECT_TRUE(contains(endless.err, "1 行目が 131072 バイトを超えています")) << endless.err;
}

} // namespace
