#pragma once
// Checks and clean-up around the output file before a run.

#include <string>
#include <vector>

// True when both paths name one existing file (links resolved). Standard streams ("-") are
// never the same as a file.
bool isSameFile(const std::string &a, const std::string &b);

// Empties the old output at `path` when it is an ordinary file: deleted when named directly,
// emptied where it lies when named through a symbolic link (the link is never removed); standard
// output is left alone. Throws CoreError (FileDelete).
void deleteOldOutput(const std::string &path);

// Throws CoreError (FileOpen) for a source that is missing, a folder, or a file that cannot be
// opened, so that nothing is deleted for a run that could not read it. Only a regular file is
// opened here: opening a pipe would take its data or its writer.
void checkSourceReadable(const std::string &path);

// Refuses an output that is the source (CoreError SameFile) or one of the definition files of
// the run (OutputIsDefinition). Standard output is never refused here.
void checkOutput(const std::string &inputPath, const std::string &outputPath,
                 const std::vector<std::string> &definitionPaths = {});

// Refuses the second of two outputs that are one file (CoreError SameOutput): links resolved,
// also for files not made yet; standard output ("-") counts as one file too.
void checkDistinctOutputs(const std::vector<std::string> &outputPaths);

// checkOutput, then deleteOldOutput: for an output chosen anew while a run goes on.
void prepareOutput(const std::string &inputPath, const std::string &outputPath,
                   const std::vector<std::string> &definitionPaths = {});
