#include "run/ConvertSource.h"

#include "errors/CoreError.h"
#include "compose/ComposePlan.h"
#include "write/FileChecks.h"
#include "compose/RecordSelection.h"
#include "read/SourceParts.h"

namespace {

// What every record would meet: a width or field that cannot be used, or no column at all.
void checkLayouts(const RunEnvironment &environment)
{
    for (size_t target = 0; target < environment.targets(); ++target) {
        const LayoutModel &layout = environment.layout(target);
        const ComposePlan plan(layout);
        const SelectionPlan selection(layout);
        std::optional<CoreError> failure = plan.failure() ? plan.failure() : selection.failure();
        if (!failure && !plan.hasColumns()) failure = CoreError::noOutputColumns();
        if (failure) throw failure->withTarget(int(target) + 1);
    }
}

} // namespace

RunResult convertSource(const std::string &inputPath, RunEnvironment &environment,
                        const std::vector<std::string> &definitionPaths)
{
    checkSourceReadable(inputPath);
    if (!environment.part.whole()) checkSplittable(inputPath);
    std::vector<std::string> outputPaths;
    for (size_t target = 0; target < environment.targets(); ++target)
        outputPaths.push_back(environment.layout(target).OutputPath);
    for (const std::string &outputPath : outputPaths) checkOutput(inputPath, outputPath, definitionPaths);
    // The file of rejected records is an output too: checked, locked and emptied like the others.
    if (!environment.rejectPath.empty()) {
        checkOutput(inputPath, environment.rejectPath, definitionPaths);
        outputPaths.push_back(environment.rejectPath);
    }
    checkDistinctOutputs(outputPaths);
    checkLayouts(environment);
    const std::vector<OutputLock> locks = claimOutputs(outputPaths);
    return runConversion(inputPath, environment);
}

bool isRefusal(const CoreError &error)
{
    using Kind = CoreError::Kind;
    if (error.kind() == Kind::SameFile || error.kind() == Kind::OutputIsDefinition ||
        error.kind() == Kind::SameOutput || error.kind() == Kind::OutputInUse || error.kind() == Kind::OutputReadOnly ||
        error.kind() == Kind::PartOfStream)
        return true;
    return error.target() > 0 && error.record() == 0; // a layout no record could be converted with
}
