#pragma once
// The closing report of a conversion, as the window shows it and kenaris-batch prints it (UTF-8).

#include "run/RecordLoop.h"

#include <string>

// The count after a blank (the sign position), then 件 (" 120件"); while a selection is in force
// a second line gives the records it skipped ("対象外 3 件"); a workbook's sheets ("シート 2 枚");
// then the undecodable report and the warnings report, if any.
std::string runReport(const TargetCounts &counts, bool selecting);

// "シート N 枚" for a workbook; empty for lines.
std::string sheetsReport(const TargetCounts &counts);

// "変換できない文字 M 個（最初は N 件目）" when UTF-8 output met characters it could not decode;
// empty otherwise.
std::string undecodableReport(const TargetCounts &counts);

// A line for each kind of warning the layout's records drew ("外字を含むレコード M 件（最初は N
// 件目）"), joined by line ends; empty when none drew one.
std::string warningsReport(const TargetCounts &counts);
