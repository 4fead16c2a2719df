#include "Conversion.h"

#include "ConvertSource.h"
#include "CoreError.h"
#include "ErrorText.h"

#include <stdexcept>

std::vector<TargetCounts> convertInOnePass(const std::vector<LayoutModel> &layouts, const std::string &sourcePath)
{
    try {
        FixedRunEnvironment environment(layouts, BenchDelimiter);
        return convertSource(sourcePath, environment).targets;
    } catch (const CoreError &error) {
        // The bench's width texts are ASCII: their bytes read the same in UTF-8.
        throw std::runtime_error(describeRunFailure(error));
    }
}

long long convertWithCore(const BenchCase &benchCase, const std::string &sourcePath, const std::string &outputPath,
                          const OutputOptions &options)
{
    LayoutModel layout = layoutFor(benchCase, outputPath);
    layout.Output = options;
    return convertInOnePass({layout}, sourcePath).front().converted;
}
