#include "RunReport.h"

std::string runReport(const TargetCounts &counts, bool selecting)
{
    std::string report(" ");
    report += std::to_string(counts.converted);
    report += "件";
    if (selecting) {
        report += "\n対象外 ";
        report += std::to_string(counts.notSelected);
        report += " 件";
    }
    return report;
}
