// workbook_sample ROWS DEFINITION SOURCE OUTPUT: converts SOURCE with the layout of DEFINITION
// into the workbook OUTPUT as kenaris-batch does, but with at most ROWS rows a sheet, and prints
// the report.

#include "run/ConvertSource.h"
#include "DefinitionReader.h"
#include "run/RunReport.h"
#include "write/WorkbookWriter.h"

#include <cstdio>
#include <string>

int main(int argc, char **argv)
{
    if (argc != 5) return 2;
    WorkbookWriter::lowerSheetRowsForTesting(uint32_t(std::stoul(argv[1])));
    LayoutModel layout = LayoutModel::startup();
    applyDefinition(*readDefinitionFile(argv[2]), layout);
    layout.OutputPath = argv[4];
    FixedRunEnvironment environment({layout}, ",");
    const RunResult result = convertSource(argv[3], environment);
    std::puts(runReport(result.targets.front(), false).c_str());
    return 0;
}
