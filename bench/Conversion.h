#pragma once
// One conversion through the record loop the window uses.

#include "BenchCase.h"

#include <string>

// Deletes an old output, converts `sourcePath` into `outputPath` by the case's layout (with
// `options`) and returns the number of records. A failure of the core becomes std::runtime_error.
long long convertWithCore(const BenchCase &benchCase, const std::string &sourcePath, const std::string &outputPath,
                          const OutputOptions &options = {});
