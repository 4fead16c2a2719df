#include "errors/CoreError.h"
#include "write/WriteBehind.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <pthread.h>
#include <vector>

// Jobs run one after another on a thread that takes no signal; a job's failure is thrown by the
// wait after it, once.
TEST(WriteBehind, JobsRunInTurnAndAFailureIsThrownOnce)
{
    WriteBehind behind;
    std::vector<int> done;
    sigset_t mask;
    behind.start([&] {
        pthread_sigmask(SIG_BLOCK, nullptr, &mask);
        done.push_back(1);
    });
    behind.wait();
    EXPECT_TRUE(sigismember(&mask, SIGINT));
    EXPECT_TRUE(sigismember(&mask, SIGTERM));
    behind.start([] { throw CoreError::fileError(CoreError::Kind::FileWrite, "out.csv", ENOSPC); });
    EXPECT_THROW(behind.wait(), CoreError);
    EXPECT_NO_THROW(behind.wait());
    behind.start([&] { done.push_back(2); });
    behind.wait();
    EXPECT_EQ(done, (std::vector<int>{1, 2}));
}
