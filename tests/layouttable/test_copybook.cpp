// COBOL copybooks: groups, OCCURS, REDEFINES, FILLER, N, COMP-3 and signed decimals, fixed and
// free form, one section per 01 record.

#include "LayoutTable.h"
#include "TableFields.h"

#include <gtest/gtest.h>

namespace {

// Fixed form: sequence numbers, a comment line, identification columns past 72.
const char *const FixedCopybook = "000100* 取引レコード\n"
                                  "000200 01  TRANSACTION.                                                 TRN00010\n"
                                  "000300     05  TR-KIND        PIC X.\n"
                                  "000400         88  TR-NEW     VALUE 'N'.\n"
                                  "000500     05  TR-DATE.\n"
                                  "000600         10  TR-YEAR    PIC 9(4).\n"
                                  "000700         10  TR-MD      PIC 9(4).\n"
                                  "000800     05  TR-DATE-X REDEFINES TR-DATE PIC X(8).\n"
                                  "000900     05  TR-NAME        PIC N(5).\n"
                                  "001000     05  FILLER         PIC X(2).\n"
                                  "001100     05  TR-AMOUNT      PIC S9(7)V99 COMP-3.\n"
                                  "001200     05  TR-LINE OCCURS 2 TIMES.\n"
                                  "001300         10  TR-QTY     PIC S9(4) USAGE IS COMP.\n"
                                  "001400         10  TR-NOTE    PIC X(3).\n"
                                  "001500     05  TR-SIGNED      PIC S9(7)V99.\n";

TEST(Copybook, GroupsOccursRedefinesFillerAndUsages)
{
    const LayoutTable table = readLayoutTable(FixedCopybook, "layout.cpy", {});
    ASSERT_EQ(table.sections.size(), 1u);
    const TableSection &section = table.sections[0];
    EXPECT_EQ(section.title, "TRANSACTION");
    EXPECT_EQ(fieldsOf(section), "TR-KIND@1+1; TR-YEAR@2+4; TR-MD@6+4; TR-NAME@10+10; *FILLER@20+2; "
                                 "TR-AMOUNT (COMP-3)@22+5; TR-QTY(1) (COMP)@27+2; TR-NOTE(1)@29+3; "
                                 "TR-QTY(2) (COMP)@32+2; TR-NOTE(2)@34+3; TR-SIGNED@37+9");
    EXPECT_EQ(section.notSupported, (std::vector<std::string>{"TR-DATE-X (REDEFINES TR-DATE)"}));
    EXPECT_EQ(section.recordLength, 45);
    EXPECT_EQ(section.fields[6].attribute, "PIC S9(4) COMP");
}

TEST(Copybook, FreeFormRecordsAreSectionsAsLongAsTheirLongestDefinition)
{
    // Told by its content, without a file name.
    const LayoutTable table = readLayoutTable("*> two records\n01 HEADER-REC.\n   05 H-KIND PIC X.\n"
                                              "   05 H-DATE PIC 9(8). *> yyyymmdd\n"
                                              "01 HEADER-LONG REDEFINES HEADER-REC PIC X(20).\n"
                                              "01 DETAIL-REC.\n   05 D-KIND PIC X.\n   05 D-NAME PIC G(3).\n",
                                              "", {});
    ASSERT_EQ(table.sections.size(), 2u);
    EXPECT_EQ(fieldsOf(table.sections[0]), "H-KIND@1+1; H-DATE@2+8");
    EXPECT_EQ(table.sections[0].recordLength, 20);
    EXPECT_EQ(fieldsOf(table.sections[1]), "D-KIND@1+1; D-NAME@2+6");
}

TEST(Copybook, AnUnreadablePictureNamesItsLine)
{
    for (const std::string picture : {"Q(3)", "S"}) { // an unknown symbol; a sign that holds no byte
        try {
            readLayoutTable("01 R.\n   05 A PIC X(3).\n   05 B PIC " + picture + ".\n", "r.cpy", {});
            ADD_FAILURE() << picture << " not refused";
        } catch (const LayoutTableError &error) {
            EXPECT_NE(std::string(error.what()).find("3 行目「B」"), std::string::npos) << error.what();
        }
    }
}

// The byte size of each kind of item, and the usage its name carries.
TEST(Copybook, SizesOfEachPictureAndUsage)
{
    const struct {
        const char *clauses;
        std::string field;
    } cases[] = {
        {"PIC X(3)", "F@1+3"},
        {"PIC 9(4) COMP", "F (COMP)@1+2"},
        {"PIC S9(5) BINARY", "F (BINARY)@1+4"},
        {"PIC 9(9) COMP-5", "F (COMP-5)@1+4"},
        {"PIC S9(10) COMPUTATIONAL", "F (COMPUTATIONAL)@1+8"},
        {"PIC S9(4)V9(2) PACKED-DECIMAL", "F (PACKED-DECIMAL)@1+4"},
        {"COMP-1", "F (COMP-1)@1+4"},
        {"COMP-2", "F (COMP-2)@1+8"},
        {"PIC S9(3) SIGN IS LEADING SEPARATE CHARACTER", "F@1+4"},
        {"PIC ZZ,ZZ9.99- VALUE 'A. B'", "F@1+10"},
        {"PIC 9(3)CR", "F@1+5"},
        {"PIC G(2)N", "F@1+6"},
    };
    for (const auto &row : cases) {
        const std::string copybook = std::string("01 R.\n 05 F ") + row.clauses + ".\n 05 L PIC X.\n";
        const LayoutTable table = readLayoutTable(copybook, "r.cpy", {});
        ASSERT_EQ(table.sections.size(), 1u) << row.clauses;
        const std::string fields = fieldsOf(table.sections[0]);
        EXPECT_EQ(fields.substr(0, fields.find(';')), row.field) << row.clauses;
    }
}

TEST(Copybook, NestedOccursIndexEveryLevelAndUsageIsInherited)
{
    const LayoutTable table = readLayoutTable("01 R.\n 05 M OCCURS 2 TIMES COMP-3.\n"
                                              "  10 D OCCURS 1 TO 2 DEPENDING ON N.\n   15 V PIC 9(3).\n"
                                              "77 STANDALONE PIC X(2).\n",
                                              "r.cpy", {});
    ASSERT_EQ(table.sections.size(), 2u);
    EXPECT_EQ(fieldsOf(table.sections[0]), "V(1,1) (COMP-3)@1+2; V(1,2) (COMP-3)@3+2; V(2,1) (COMP-3)@5+2; "
                                           "V(2,2) (COMP-3)@7+2");
    EXPECT_EQ(fieldsOf(table.sections[1]), "STANDALONE@1+2");
}

// In fixed form a Japanese character takes two columns: the identification area after column 72
// is cut where the screen shows it, and a CP932 copybook reads as its text.
TEST(Copybook, FixedFormColumnsCountJapaneseCharactersTwice)
{
    const std::string name = "\x8C\xDA\x8B\x71\x96\xBC"; // 顧客名 in CP932
    // The period stands in column 72, right before the identification area.
    const std::string line = "000100     05 " + name + std::string(42, ' ') + "PIC N(10).";
    const LayoutTable table = readLayoutTable("000050 01 R.\n" + line + "ID000100\n", "", {});
    ASSERT_EQ(table.sections.size(), 1u);
    EXPECT_EQ(fieldsOf(table.sections[0]), "顧客名@1+20");
}

} // namespace
