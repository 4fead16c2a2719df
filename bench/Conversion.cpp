#include "Conversion.h"

#include "CoreError.h"
#include "ErrorText.h"
#include "FileChecks.h"

#include <stdexcept>

namespace {

class FixedEnvironment : public RunEnvironment {
public:
    explicit FixedEnvironment(const std::vector<LayoutModel> &models) : models_(models) {}
    size_t targets() const override { return models_.size(); }
    const LayoutModel &layout(size_t target) const override { return models_[target]; }
    std::string_view delimiter(size_t) const override { return BenchDelimiter; }

private:
    const std::vector<LayoutModel> &models_;
};

} // namespace

std::vector<TargetCounts> convertInOnePass(const std::vector<LayoutModel> &layouts, const std::string &sourcePath)
{
    try {
        for (const LayoutModel &layout : layouts) prepareOutput(sourcePath, layout.OutputPath);
        FixedEnvironment environment(layouts);
        return runConversion(sourcePath, environment).targets;
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
