#include "run/RunReport.h"

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
    if (const std::string sheets = sheetsReport(counts); !sheets.empty()) report += "\n" + sheets;
    if (const std::string undecodable = undecodableReport(counts); !undecodable.empty()) report += "\n" + undecodable;
    if (const std::string warnings = warningsReport(counts); !warnings.empty()) report += "\n" + warnings;
    return report;
}

std::string sheetsReport(const TargetCounts &counts)
{
    return counts.sheets > 0 ? "シート " + std::to_string(counts.sheets) + " 枚" : std::string();
}

std::string undecodableReport(const TargetCounts &counts)
{
    if (counts.undecodable == 0) return {};
    return "変換できない文字 " + std::to_string(counts.undecodable) + " 個（最初は " +
           std::to_string(counts.firstUndecodableRecord) + " 件目）";
}

std::string warningsReport(const TargetCounts &counts)
{
    std::string lines;
    for (size_t kind = 0; kind < WarningKinds; ++kind) {
        const WarningCount &count = counts.warnings[kind];
        if (count.records == 0) continue;
        if (!lines.empty()) lines += "\n";
        lines.append(warningName(Warning(kind))).append(" ").append(std::to_string(count.records));
        lines.append(" 件（最初は ").append(std::to_string(count.firstRecord)).append(" 件目）");
    }
    return lines;
}
