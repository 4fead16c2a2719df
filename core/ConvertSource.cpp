#include "ConvertSource.h"

#include "CoreError.h"
#include "FileChecks.h"

RunResult convertSource(const std::string &inputPath, RunEnvironment &environment,
                        const std::vector<std::string> &definitionPaths)
{
    checkSourceReadable(inputPath);
    std::vector<std::string> outputPaths;
    for (size_t target = 0; target < environment.targets(); ++target)
        outputPaths.push_back(environment.layout(target).OutputPath);
    for (const std::string &outputPath : outputPaths) checkOutput(inputPath, outputPath, definitionPaths);
    checkDistinctOutputs(outputPaths);
    const std::vector<OutputLock> locks = claimOutputs(outputPaths);
    return runConversion(inputPath, environment);
}

bool isRefusal(const CoreError &error)
{
    using Kind = CoreError::Kind;
    return error.kind() == Kind::SameFile || error.kind() == Kind::OutputIsDefinition ||
           error.kind() == Kind::SameOutput || error.kind() == Kind::OutputInUse ||
           error.kind() == Kind::OutputReadOnly;
}
