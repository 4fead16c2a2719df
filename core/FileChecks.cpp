#include "FileChecks.h"

#include "CoreError.h"
#include "LineReader.h"
#include "StandardStream.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

bool isSameFile(const std::string &a, const std::string &b)
{
    if (isStandardStream(a) || isStandardStream(b)) return false;
    struct stat first {
    }, second{};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

void deleteOldOutput(const std::string &path)
{
    if (isStandardStream(path)) return;
    struct stat name {
    }, target{};
    if (::lstat(path.c_str(), &name) != 0 || ::stat(path.c_str(), &target) != 0 || !S_ISREG(target.st_mode)) return;
    // Deleting a link would leave the file it points to as it was and put a new file in the
    // link's place: the output named through a link is the file the link points to.
    const int failed = S_ISLNK(name.st_mode) ? ::truncate(path.c_str(), 0) : ::unlink(path.c_str());
    if (failed != 0 && errno != ENOENT) throw CoreError::fileError(CoreError::Kind::FileDelete, path, errno);
}

void checkSourceReadable(const std::string &path)
{
    if (isStandardStream(path)) return;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) throw CoreError::fileError(CoreError::Kind::FileOpen, path, errno);
    if (S_ISDIR(info.st_mode)) throw CoreError::fileError(CoreError::Kind::FileOpen, path, EISDIR);
    if (S_ISREG(info.st_mode)) LineReader probe(path);
}

void checkOutput(const std::string &inputPath, const std::string &outputPath,
                 const std::vector<std::string> &definitionPaths)
{
    if (isStandardStream(outputPath)) return;
    if (isSameFile(inputPath, outputPath)) throw CoreError::sameFile(outputPath);
    for (const std::string &definitionPath : definitionPaths)
        if (isSameFile(definitionPath, outputPath)) throw CoreError::outputIsDefinition(outputPath);
}

void checkDistinctOutputs(const std::vector<std::string> &outputPaths)
{
    // Where each output lands: the existing part of the path with its links resolved.
    const auto landing = [](const std::string &path) {
        std::error_code failed;
        const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, failed);
        return failed ? std::filesystem::path(path) : resolved;
    };
    for (size_t later = 1; later < outputPaths.size(); ++later)
        for (size_t earlier = 0; earlier < later; ++earlier) {
            const std::string &a = outputPaths[earlier], &b = outputPaths[later];
            const bool bothStandard = isStandardStream(a) && isStandardStream(b);
            const bool oneFile =
                !isStandardStream(a) && !isStandardStream(b) && (isSameFile(a, b) || landing(a) == landing(b));
            if (bothStandard || oneFile) throw CoreError::sameOutput(b);
        }
}

void prepareOutput(const std::string &inputPath, const std::string &outputPath,
                   const std::vector<std::string> &definitionPaths)
{
    checkOutput(inputPath, outputPath, definitionPaths);
    deleteOldOutput(outputPath);
}
