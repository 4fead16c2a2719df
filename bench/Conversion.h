#pragma once
// Conversions through the record loop the window and kenaris-batch use.

#include "BenchCase.h"
#include "RecordLoop.h"

#include <string>
#include <vector>

// Deletes an old output, converts `sourcePath` into `outputPath` by the case's layout (with
// `options`) and returns the number of records. A failure of the core becomes std::runtime_error.
long long convertWithCore(const BenchCase &benchCase, const std::string &sourcePath, const std::string &outputPath,
                          const OutputOptions &options = {});

// Deletes the old outputs and converts `sourcePath` with every layout in one pass, each into its
// OutputPath; returns each layout's counts. A failure of the core becomes std::runtime_error.
std::vector<TargetCounts> convertInOnePass(const std::vector<LayoutModel> &layouts, const std::string &sourcePath);
