#pragma once
// A whole conversion, the one way the window, kenaris-batch, the benchmark and the fuzzer start
// one: check, clear the old outputs, run. Nothing is deleted before every check has passed.

#include "errors/CoreError.h"
#include "run/RecordLoop.h"

#include <string>
#include <vector>

// Checks that the source can be read (CoreError FileOpen, record 0) and, for a part, split
// (PartOfStream), refuses an output that is the source, a definition file of the run, another
// output, read-only, or held by another run (SameFile, OutputIsDefinition, SameOutput,
// OutputReadOnly, OutputInUse; see isRefusal),
// refuses a layout no record could be converted with (the CoreError every record would meet,
// or NoOutputColumns, with the target), empties the old outputs (FileDelete) and holds them,
// then converts the source with runConversion.
RunResult convertSource(const std::string &inputPath, RunEnvironment &environment,
                        const std::vector<std::string> &definitionPaths = {});

// Whether `error` refused the files of a conversion before anything was done.
bool isRefusal(const CoreError &error);

// Layouts converted as they stand, all with one delimiter, without anyone to hear about progress.
class FixedRunEnvironment : public RunEnvironment {
public:
    FixedRunEnvironment(std::vector<LayoutModel> layouts, std::string delimiter)
        : layouts_(std::move(layouts)), delimiter_(std::move(delimiter))
    {
    }
    size_t targets() const override { return layouts_.size(); }
    const LayoutModel &layout(size_t target) const override { return layouts_[target]; }
    std::string_view delimiter(size_t) const override { return delimiter_; }

private:
    std::vector<LayoutModel> layouts_;
    std::string delimiter_;
};
