#include "catalogue/transfer/CsvCodec.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace NResourceItem {
namespace {

using SRows = std::vector<std::vector<std::string>>;

TEST(CsvCodecTest, ReaderTakesWhatSpreadsheetsWriteAndNamesTheLineOfEveryFault) {
    struct SCase {
        const char* name;
        std::string text;
        SRows rows;
        std::vector<int> lines;     // the line each row starts on
        std::vector<int> problems;  // the lines of the reported problems
    } cases[] = {
        {"plain, CRLF", "a,b\r\nc,d\r\n", {{"a", "b"}, {"c", "d"}}, {1, 2}, {}},
        {"LF, no final end", "a,b\nc,d", {{"a", "b"}, {"c", "d"}}, {1, 2}, {}},
        {"BOM skipped", "\xEF\xBB\xBFID,X\r\n", {{"ID", "X"}}, {1}, {}},
        {"quotes doubled", "\"say \"\"hi\"\"\",x\r\n", {{"say \"hi\"", "x"}}, {1}, {}},
        {"comma quoted", "\"a,b\",c\n", {{"a,b", "c"}}, {1}, {}},
        {"embedded CRLF and LF",
         "\"l1\r\nl2\nl3\",x\r\nnext,y\r\n",
         {{"l1\r\nl2\nl3", "x"}, {"next", "y"}},
         {1, 4},
         {}},
        {"empty fields", ",,\r\n\"\",x,\r\n", {{"", "", ""}, {"", "x", ""}}, {1, 2}, {}},
        {"blank lines skipped", "a\r\n\r\n\nb\r\n", {{"a"}, {"b"}}, {1, 4}, {}},
        {"ragged rows kept as read", "a,b,c\nd\n", {{"a", "b", "c"}, {"d"}}, {1, 2}, {}},
        {"bare CR is text", "a\rb,c\n", {{"a\rb", "c"}}, {1}, {}},
        {"quote in unquoted field",
         "ok,1\nab\"c,2\nok,3\n",
         {{"ok", "1"}, {"ok", "3"}},
         {1, 3},
         {2}},
        {"text after closing quote", "\"a\"b,1\nok,2\n", {{"ok", "2"}}, {2}, {1}},
        {"unterminated quote", "ok,1\nx,\"open\nmore\nrest\n", {{"ok", "1"}}, {1}, {2}},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<SCsvRecord> records;
        std::vector<SCsvProblem> problems;
        EXPECT_EQ(ReadCsv(c.text, &records, &problems), c.problems.empty());
        SRows rows;
        std::vector<int> lines, problemLines;
        for (const SCsvRecord& record : records) {
            rows.push_back(record.fields);
            lines.push_back(record.line);
        }
        for (const SCsvProblem& problem : problems)
            problemLines.push_back(problem.line);
        EXPECT_EQ(rows, c.rows);
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(problemLines, c.problems);
    }
}

TEST(CsvCodecTest, WriterQuotesOnlyWhatNeedsItAndReadsBackTheSame) {
    struct SCase {
        std::vector<std::string> fields;
        const char* written;
    } cases[] = {
        {{"ID", "CAM01", ""}, "ID,CAM01,\r\n"},
        {{"a,b", "say \"x\""}, "\"a,b\",\"say \"\"x\"\"\"\r\n"},
        {{"cr\r", "lf\n", " spaced "}, "\"cr\r\",\"lf\n\", spaced \r\n"},
        {{"A=1;B=\"x;y\";"}, "\"A=1;B=\"\"x;y\"\";\"\r\n"},
        {{"\xC3\xA9t\xC3\xA9"}, "\xC3\xA9t\xC3\xA9\r\n"},
    };
    for (const SCase& c : cases) {
        std::string out;
        AppendCsvRecord(c.fields, &out);
        EXPECT_EQ(out, c.written);
        std::vector<SCsvRecord> records;
        std::vector<SCsvProblem> problems;
        ASSERT_TRUE(ReadCsv(out, &records, &problems)) << out;
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].fields, c.fields);
    }
}

// A cell a spreadsheet would run as a formula gets one apostrophe, and so does one that
// would read as such a marked cell; taking the mark off gives back what was stored.
TEST(CsvCodecTest, FormulaCellsAreMarkedAndUnmarkedExactly) {
    struct SCase {
        const char* stored;
        const char* written;
    } cases[] = {
        {"=1+2", "'=1+2"}, {"+31 20 555", "'+31 20 555"},
        {"-x", "'-x"},     {"@SUM(A1)", "'@SUM(A1)"},
        {"\tx", "'\tx"},   {"\rx", "'\rx"},
        {"'=x", "''=x"},   {"''-x", "'''-x"},
        {"'x", "'x"},      {"'", "'"},
        {"''", "''"},      {"a=b", "a=b"},
        {"", ""},          {" =x", " =x"},
    };
    for (const SCase& c : cases) {
        EXPECT_EQ(MarkSpreadsheetCell(c.stored), c.written) << c.stored;
        EXPECT_EQ(UnmarkSpreadsheetCell(c.written), c.stored) << c.stored;
    }
}

}  // namespace
}  // namespace NResourceItem
