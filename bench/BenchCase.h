#pragma once
// The cases the benchmark measures: a source shape, the layout that converts it through the
// core's one entry point, and the gawk command that must produce the same bytes.

#include "run/RecordLoop.h"
#include "SourceMaker.h"
#include "layout/mdlGlobal.h"

#include <string>
#include <vector>

struct BenchCase {
    std::string title;
    std::string fileStem; // names the case's files in the scratch folder
    SourceShape source;
    std::vector<int> outputOrder; // field numbers, in output order
};

BenchCase startupLayoutCase(long long records);
BenchCase wideRecordCase(long long records);
BenchCase byteLayoutCase(long long records);

// Where the case's source is made in `folder`.
std::string sourcePathIn(const std::string &folder, const BenchCase &benchCase);

// Converts `sourcePath` with every layout in one pass by convertSource, each into its
// OutputPath; returns each layout's counts. A failure of the core becomes std::runtime_error.
// `checkRecords` false leaves out the checks of the records' shape.
std::vector<TargetCounts> convertInOnePass(const std::vector<LayoutModel> &layouts, const std::string &sourcePath,
                                           bool checkRecords = true);

// Converts `sourcePath` into `outputPath` by the case's layout with `options` and `types`;
// throws std::runtime_error unless every record of the case was converted.
void convertEveryRecord(const BenchCase &benchCase, const std::string &sourcePath, const std::string &outputPath,
                        const OutputOptions &options = {}, const FieldTypes &types = {}, bool checkRecords = true);

// The case's layout, writing `outputPath` with `options` and `types`.
LayoutModel layoutFor(const BenchCase &benchCase, const std::string &outputPath, const OutputOptions &options = {},
                      const FieldTypes &types = {});

// The output columns for the report: "7,1,2" or, when long, their number.
std::string describeOutputOrder(const BenchCase &benchCase);

// The peer as a shell line reading `source` and writing `output`: iconv | gawk | iconv for
// characters, gawk -b on the raw bytes for bytes.
std::string gawkPeerCommand(const BenchCase &benchCase, const std::string &source, const std::string &output);
// The peer in short, for the report.
std::string describePeer(const BenchCase &benchCase);

inline constexpr const char *BenchDelimiter = ",";
