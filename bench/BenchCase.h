#pragma once
// The cases the benchmark measures: a source shape, the layout that converts it, and the
// gawk command that must produce the same bytes.

#include "ProcessRun.h"
#include "SourceMaker.h"
#include "mdlGlobal.h"

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

// The layout model of the case, writing to `outputPath`.
LayoutModel layoutFor(const BenchCase &benchCase, const std::string &outputPath);

// The output columns for the report: "7,1,2" or, when long, their number.
std::string describeOutputOrder(const BenchCase &benchCase);

// The peer: iconv | gawk | iconv for characters, gawk -b on the raw bytes for bytes.
std::vector<Stage> gawkPeer(const BenchCase &benchCase);
// The programs the peer needs.
std::vector<std::string> gawkPeerPrograms(const BenchCase &benchCase);
// The peer as a shell line, for the report.
std::string describePeer(const BenchCase &benchCase);

inline constexpr const char *BenchDelimiter = ",";
