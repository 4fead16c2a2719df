#include "ProcessRun.h"

#include "Stopwatch.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string systemFailure(const std::string &what) { return what + ": " + std::strerror(errno); }

void closeIfOpen(int &fd)
{
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// Child side of a stage: never returns.
[[noreturn]] void execStage(const Stage &stage, int input, int output)
{
    if (::dup2(input, STDIN_FILENO) < 0 || ::dup2(output, STDOUT_FILENO) < 0) ::_exit(127);
    for (const auto &[name, value] : stage.environment) ::setenv(name.c_str(), value.c_str(), 1);
    std::vector<char *> argv;
    for (const std::string &argument : stage.arguments) argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    std::fprintf(stderr, "%s: cannot run %s: %s\n", program_invocation_short_name, argv[0], std::strerror(errno));
    ::_exit(127);
}

double cpuSeconds(const struct rusage &usage)
{
    const auto seconds = [](const timeval &time) { return double(time.tv_sec) + double(time.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

std::string describeStatus(const std::string &program, int status)
{
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return {};
    std::ostringstream text;
    text << program;
    if (WIFEXITED(status)) text << " exited with status " << WEXITSTATUS(status);
    else if (WIFSIGNALED(status)) text << " was killed by signal " << WTERMSIG(status);
    else text << " ended abnormally";
    return text.str();
}

} // namespace

PipelineOutcome runPipeline(const std::vector<Stage> &stages, const std::string &inputPath,
                            const std::string &outputPath)
{
    PipelineOutcome outcome;
    std::string &failure = outcome.failure;
    int readEnd = ::open(inputPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (readEnd < 0) {
        failure = systemFailure("cannot open " + inputPath);
        return outcome;
    }
    int output = ::open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (output < 0) {
        closeIfOpen(readEnd);
        failure = systemFailure("cannot create " + outputPath);
        return outcome;
    }

    std::vector<std::pair<pid_t, std::string>> children;
    for (size_t i = 0; i < stages.size() && failure.empty(); ++i) {
        const bool last = i + 1 == stages.size();
        int pipeEnds[2] = {-1, -1};
        if (!last && ::pipe2(pipeEnds, O_CLOEXEC) != 0) {
            failure = systemFailure("cannot make a pipe");
            break;
        }
        const pid_t pid = ::fork();
        if (pid == 0) execStage(stages[i], readEnd, last ? output : pipeEnds[1]);
        if (pid < 0) failure = systemFailure("cannot start " + stages[i].arguments.front());
        else children.emplace_back(pid, stages[i].arguments.front());
        closeIfOpen(readEnd);
        closeIfOpen(pipeEnds[1]);
        readEnd = pipeEnds[0]; // the next stage's input
    }
    closeIfOpen(readEnd);
    closeIfOpen(output);

    for (const auto &[pid, program] : children) {
        int status = 0;
        struct rusage usage {};
        while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
        }
        outcome.cpuSeconds += cpuSeconds(usage);
        const std::string problem = describeStatus(program, status);
        if (failure.empty()) failure = problem;
    }
    return outcome;
}

double ownCpuSeconds()
{
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return cpuSeconds(usage);
}

bool onPath(const std::string &program)
{
    const char *path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) return true;
    }
    return false;
}

ChildFigures runInChild(const std::function<bool()> &work)
{
    std::fflush(nullptr); // the child must not write the parent's pending output again
    Stopwatch watch;
    const pid_t pid = ::fork();
    if (pid == 0) {
        bool succeeded = false;
        try {
            succeeded = work();
        } catch (const std::exception &error) {
            std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, error.what());
        }
        ::_exit(succeeded ? 0 : 1);
    }
    ChildFigures figures;
    if (pid < 0) return figures;
    int status = 0;
    struct rusage usage {};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    figures.seconds = watch.seconds();
    figures.succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    figures.peakResidentKiB = usage.ru_maxrss;
    return figures;
}
