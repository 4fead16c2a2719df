#include "FileChecks.h"

#include "CoreError.h"
#include "LineReader.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

bool isSameFile(const std::string &a, const std::string &b)
{
    struct stat first {}, second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

void deleteOldOutput(const std::string &path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return;
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        throw CoreError::fileError(CoreError::Kind::FileDelete, path, errno);
}

void checkSourceReadable(const std::string &path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) throw CoreError::fileError(CoreError::Kind::FileOpen, path, errno);
    if (S_ISDIR(info.st_mode)) throw CoreError::fileError(CoreError::Kind::FileOpen, path, EISDIR);
    if (S_ISREG(info.st_mode)) LineReader probe(path);
}

void prepareOutput(const std::string &inputPath, const std::string &outputPath)
{
    if (isSameFile(inputPath, outputPath)) {
        CoreError error(CoreError::Kind::SameFile);
        error.path = outputPath;
        throw error;
    }
    deleteOldOutput(outputPath);
}
