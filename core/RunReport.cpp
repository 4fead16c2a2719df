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
    if (const std::string undecodable = undecodableReport(counts); !undecodable.empty()) report += "\n" + undecodable;
    return report;
}

std::string undecodableReport(const TargetCounts &counts)
{
    if (counts.undecodable == 0) return {};
    return "変換できない文字 " + std::to_string(counts.undecodable) + " 個（最初は " +
           std::to_string(counts.firstUndecodableRecord) + " 件目）";
}
