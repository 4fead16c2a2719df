#pragma once
// Checks and clean-up around the output file before a run. Standard input and output are
// compared with the files named by the file they are, so that `- > out.csv` is out.csv.

#include "write/OutputLock.h"

#include <string>
#include <vector>

// True when both paths name one existing file (links resolved). Standard streams ("-") are
// never the same as a file.
bool isSameFile(const std::string &a, const std::string &b);

// True for "-" and for a name of the file that standard output already is (/dev/stdout,
// /proc/self/fd/1, or the file it was redirected to): such an output is written through standard
// output and never deleted or emptied. A terminal or other device is not taken for it.
bool isStandardOutput(const std::string &path);

// Empties the old output at `path` when it is an ordinary file: deleted when named directly,
// emptied where it lies when named through a symbolic link (the link is never removed); standard
// output is left alone. Throws CoreError (FileDelete).
void deleteOldOutput(const std::string &path);

// Throws CoreError (FileOpen) for a source that is missing, a folder, or a file that cannot be
// opened, so that nothing is deleted for a run that could not read it. Only a regular file is
// opened here: opening a pipe would take its data or its writer.
void checkSourceReadable(const std::string &path);

// Refuses an output that is the source (CoreError SameFile), one of the definition files of the
// run (OutputIsDefinition), or an existing file without write permission (OutputReadOnly).
// Standard input and output are compared by the file they are.
void checkOutput(const std::string &inputPath, const std::string &outputPath,
                 const std::vector<std::string> &definitionPaths = {});

// Refuses the second of two outputs that are one file (CoreError SameOutput): links resolved,
// files not made yet by the path they would have; every name of standard output is one file.
void checkDistinctOutputs(const std::vector<std::string> &outputPaths);

// Locks every output, then empties the old ones and makes the new ones: nothing is deleted when
// another run holds any of them (CoreError OutputInUse). The locks last as long as the result.
std::vector<OutputLock> claimOutputs(const std::vector<std::string> &outputPaths);

// checkOutput, then claimOutputs: for an output chosen anew while a run goes on.
[[nodiscard]] OutputLock prepareOutput(const std::string &inputPath, const std::string &outputPath,
                                       const std::vector<std::string> &definitionPaths = {});
