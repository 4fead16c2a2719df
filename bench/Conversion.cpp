#include "Conversion.h"

#include "CoreError.h"
#include "ErrorText.h"
#include "FileChecks.h"
#include "RecordLoop.h"

#include <stdexcept>

namespace {

class FixedEnvironment : public RunEnvironment {
public:
    explicit FixedEnvironment(LayoutModel model) : model_(std::move(model)) {}
    const LayoutModel &layout() const override { return model_; }
    std::string_view delimiter() const override { return BenchDelimiter; }

private:
    LayoutModel model_;
};

} // namespace

long long convertWithCore(const BenchCase &benchCase, const std::string &sourcePath, const std::string &outputPath,
                          const OutputOptions &options)
{
    try {
        prepareOutput(sourcePath, outputPath);
        LayoutModel model = layoutFor(benchCase, outputPath);
        model.Output = options;
        FixedEnvironment environment(std::move(model));
        return runConversion(sourcePath, environment).count;
    } catch (const CoreError &error) {
        // The bench's width texts are ASCII: their bytes read the same in UTF-8.
        throw std::runtime_error(describeRunFailure(error));
    }
}
