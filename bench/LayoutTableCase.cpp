#include "LayoutTableCase.h"

#include "LayoutImport.h"
#include "LayoutTable.h"
#include "TimedRounds.h"

#include <cstdio>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr double SecondsGoal = 0.25;       // for the case's number of fields
constexpr double BytesPerFieldGoal = 2048; // growth of the peak memory for each field added
constexpr int GrowthFactor = 6;            // the memory case reads a table this many times longer

// A spreadsheet's rows: a title, a header, then number, name, start, length and attribute.
std::string tabTable(int fields)
{
    std::string table = "顧客ファイル レコードレイアウト\n\nNo\t項目名\t開始位置\tバイト数\t属性\n";
    long long start = 1;
    for (int field = 1; field <= fields; ++field) {
        const int width = 1 + field % 12;
        table += std::to_string(field) + "\t項目" + std::to_string(field) + "\t" + std::to_string(start) + "\t" +
                 std::to_string(width) + "\tX\n";
        start += width;
    }
    return table;
}

// A record of groups of ten items in fixed form, every tenth packed.
std::string copybook(int fields)
{
    std::string text = "000100 01  CUSTOMER-RECORD.\n";
    for (int field = 1; field <= fields; ++field) {
        if (field % 10 == 1) text += "000200     05  GROUP-" + std::to_string(field) + ".\n";
        text += "000300         10  ITEM-" + std::to_string(field) +
                (field % 10 == 0 ? " PIC S9(7)V99 COMP-3.\n" : " PIC X(" + std::to_string(1 + field % 12) + ").\n");
    }
    return text;
}

void readToDefinition(const std::string &bytes, const char *fileName, int fields)
{
    const LayoutTable table = readLayoutTable(bytes, fileName, {});
    if (table.sections.size() != 1 || table.sections[0].fields.size() != size_t(fields))
        throw std::runtime_error(std::string("the layout table case read the wrong fields from ") + fileName);
    definitionOfSection(table, table.sections[0]);
}

// Peak resident memory (KiB) of a child that reads the table.
long peakOfReading(const std::string &bytes, const char *fileName, int fields)
{
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        try {
            readToDefinition(bytes, fileName, fields);
        } catch (const std::exception &error) {
            std::fprintf(stderr, "%s\n", error.what());
            ::_exit(1);
        }
        ::_exit(0);
    }
    int status = -1;
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("the layout table case failed");
    return usage.ru_maxrss;
}

} // namespace

void runLayoutTableCase(int fields, int runs, std::vector<GoalLine> &goals)
{
    std::printf("\nLayout tables: %d fields\n", fields);
    const struct {
        const char *what;
        const char *fileName;
        std::string (*make)(int);
    } kinds[] = {{"TAB table", "layout.txt", tabTable}, {"copybook", "layout.cpy", copybook}};
    for (const auto &kind : kinds) {
        const std::string bytes = kind.make(fields), grown = kind.make(fields * GrowthFactor);
        Timing best;
        for (int run = 0; run < runs; ++run) {
            const Timing timing = measure([&] { readToDefinition(bytes, kind.fileName, fields); });
            if (timing.seconds < best.seconds) best = timing;
        }
        const long small = peakOfReading(bytes, kind.fileName, fields);
        const long large = peakOfReading(grown, kind.fileName, fields * GrowthFactor);
        const double perField = double(large - small) * 1024 / double(fields * (GrowthFactor - 1));
        std::printf("  %-10s %8.1f KB  %7.4f s   peak %7.1f MiB, %d fields %7.1f MiB (%.0f bytes a field)\n", kind.what,
                    double(bytes.size()) / 1e3, best.seconds, double(small) / 1024, fields * GrowthFactor,
                    double(large) / 1024, perField);
        goals.push_back({std::string("reading a ") + kind.what + " of " + std::to_string(fields) + " fields",
                         formatted("%.4f s", best.seconds), formatted("< %.2f s", SecondsGoal),
                         best.seconds < SecondsGoal});
        goals.push_back({std::string("memory of a ") + kind.what + ", for each field added",
                         formatted("%.0f bytes", perField), formatted("< %.0f bytes", BytesPerFieldGoal),
                         perField < BytesPerFieldGoal});
    }
}
