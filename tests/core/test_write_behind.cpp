// A single output is written behind on a second thread, a buffer of 1 MiB at a time: the lines
// keep their order across buffers, and a write that fails in the middle of a buffer leaves the
// lines before its record on disk and nothing after them. The file size limit of the process
// makes the failure come at a chosen byte.

#include "CoreError.h"
#include "RecordLoop.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr int Records = 100000;
constexpr size_t LineBytes = 38; // 30 digits, 6 commas, CR LF

struct OneOutput : RunEnvironment {
    LayoutModel model = LayoutModel::startup();
    int32_t failedCount = -1;

    explicit OneOutput(const std::string &outputPath)
    {
        model.OutputPath = outputPath;
        model.OutputLayout.emplace(1, OutputItem{0});
        for (int16_t field = 1; field <= 7; ++field) model.OutputLayout->push_back({field});
        pauseInterval = std::chrono::hours(1); // full buffers only
    }
    const LayoutModel &layout(size_t) const override { return model; }
    std::string_view delimiter(size_t) const override { return ","; }
    void failed(const RunProgress &progress) override { failedCount = progress.count; }
};

// Record i holds i in 30 digits; its line cuts them 3,3,3,4,4,8,5.
void makeSource(std::string &source, std::string &expected)
{
    for (int i = 0; i < Records; ++i) {
        char digits[32];
        std::snprintf(digits, sizeof digits, "%030d", i);
        const std::string_view d(digits, 30);
        source.append(d).append("\r\n");
        expected.append(d.substr(0, 3)).append(",").append(d.substr(3, 3)).append(",").append(d.substr(6, 3));
        expected.append(",").append(d.substr(9, 4)).append(",").append(d.substr(13, 4)).append(",");
        expected.append(d.substr(17, 8)).append(",").append(d.substr(25, 5)).append("\r\n");
    }
}

// Sets the process's file size limit for one scope; writing past it fails with EFBIG.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, saved_.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }

private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

class WriteBehind : public testing::TestWithParam<rlim_t> {};

TEST_P(WriteBehind, KeepsOrderAndTheLinesBeforeAFailingRecord)
{
    TempDir dir;
    std::string source, expected;
    makeSource(source, expected);
    dir.write("in.txt", source);
    OneOutput env(dir.file("out.csv"));
    const rlim_t limit = GetParam();
    const bool fails = limit < expected.size();
    try {
        FileSizeLimit scope(limit);
        EXPECT_EQ(runConversion(dir.file("in.txt"), env).count(), Records);
        EXPECT_FALSE(fails) << "no error";
    } catch (const CoreError &error) {
        ASSERT_TRUE(fails) << error.what();
        const auto linesWritten = int32_t(limit / LineBytes);
        EXPECT_EQ(error.kind(), CoreError::Kind::FileWrite);
        EXPECT_EQ(error.record, linesWritten + 1);
        EXPECT_EQ(env.failedCount, linesWritten);
        expected.resize(size_t(linesWritten) * LineBytes);
    }
    EXPECT_EQ(TempDir::read(dir.file("out.csv")), expected);
}

// No limit; in the first, second and third buffer; on a line end.
INSTANTIATE_TEST_SUITE_P(Limits, WriteBehind,
                         testing::Values(RLIM_INFINITY, 1000, (1 << 20) + 500000, 3 * (1 << 20) + 7, 38 * 60000));

} // namespace
