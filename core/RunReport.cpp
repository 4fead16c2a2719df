#include "RunReport.h"

std::string runReport(const TargetCounts &counts, bool selecting)
{
    std::string report = " " + std::to_string(counts.converted) + "件";
    if (selecting) report += "\n対象外 " + std::to_string(counts.notSelected) + " 件";
    return report;
}
