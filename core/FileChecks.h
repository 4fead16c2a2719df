#pragma once
// Checks and clean-up around the output file before a run.

#include <string>

// True when both paths name one existing file (links resolved).
bool isSameFile(const std::string &a, const std::string &b);

// Deletes an ordinary file at `path` if there is one; throws CoreError (FileDelete).
void deleteOldOutput(const std::string &path);

// Throws CoreError (FileOpen) for a source that is missing, a folder, or a file that cannot be
// opened, so that nothing is deleted for a run that could not read it. Only a regular file is
// opened here: opening a pipe would take its data or its writer.
void checkSourceReadable(const std::string &path);

// Refuses an output that is the source (CoreError SameFile), then deletes the old output.
void prepareOutput(const std::string &inputPath, const std::string &outputPath);
