#include "base/CString.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

CString Bytes(std::initializer_list<unsigned char> bytes) {
    std::string text;
    for (unsigned char b : bytes)
        text.push_back(static_cast<char>(b));
    return CString(text);
}

// Windows-1252 has case pairs outside ASCII: the Latin-1 letters (but not the
// multiplication and division signs, nor sharp s and y diaeresis in their Latin-1 places),
// and S/Z caron, OE and Y diaeresis in 0x80-0x9F.
TEST(CStringTest, Windows1252CaseMappingAndCaseFreeComparison) {
    struct Pair {
        unsigned char lower, upper;
    };
    const std::vector<Pair> pairs = {
        {'a', 'A'},   {'z', 'Z'},   {0xE0, 0xC0}, {0xE9, 0xC9}, {0xFE, 0xDE},
        {0x9A, 0x8A}, {0x9C, 0x8C}, {0x9E, 0x8E}, {0xFF, 0x9F}, {0xF6, 0xD6},
    };
    for (const Pair& p : pairs) {
        SCOPED_TRACE(testing::Message() << std::hex << int(p.lower));
        EXPECT_EQ(char(p.upper), CString::ToUpper(char(p.lower)));
        EXPECT_EQ(char(p.lower), CString::ToLower(char(p.upper)));
        EXPECT_EQ(0, Bytes({'x', p.lower}).CompareNoCase(Bytes({'X', p.upper})));
    }
    // Bytes without a partner stay as they are both ways.
    for (const int b : {0xD7, 0xF7, 0xDF, 0x80, 0xB5, 0xAA, int('_'), int('1'), 0x00}) {
        SCOPED_TRACE(testing::Message() << std::hex << int(b));
        EXPECT_EQ(char(b), CString::ToUpper(char(b)));
        EXPECT_EQ(char(b), CString::ToLower(char(b)));
    }
    CString word = Bytes({'c', 'a', 'f', 0xE9, ' ', 0x9A, 0xFF, 0xD7, 0xF7});
    word.MakeUpper();
    EXPECT_EQ(Bytes({'C', 'A', 'F', 0xC9, ' ', 0x8A, 0x9F, 0xD7, 0xF7}), word);
    word.MakeLower();
    EXPECT_EQ(Bytes({'c', 'a', 'f', 0xE9, ' ', 0x9A, 0xFF, 0xD7, 0xF7}), word);

    // The multiplication and division signs are different characters, not a case pair;
    // high bytes order above ASCII (unsigned comparison).
    EXPECT_NE(0, Bytes({0xD7}).CompareNoCase(Bytes({0xF7})));
    EXPECT_LT(CString("abc").CompareNoCase("ABD"), 0);
    EXPECT_GT(CString("abd").CompareNoCase("ABC"), 0);
    EXPECT_LT(CString("ab").CompareNoCase("ABC"), 0);
    EXPECT_LT(CString("z").CompareNoCase(Bytes({0xE9})), 0);
    EXPECT_EQ(0, CString("").CompareNoCase(nullptr));
    EXPECT_LT(CString("a").Compare("b"), 0);
    EXPECT_NE(0, CString("a").Compare("A"));
}

// Each row: start text, an edit, the expected text afterwards and the expected result.
TEST(CStringTest, EditingAndExtractionTable) {
    struct Row {
        const char* name;
        const char* input;
        std::function<int(CString&)> edit;
        const char* expected;
        int result;
    };
    const std::vector<Row> rows = {
        {"Trim white space", " \t\r\nab c\v\f ",
         [](CString& s) {
             s.Trim();
             return 0;
         },
         "ab c", 0},
        {"Trim set", "xyaxbyx",
         [](CString& s) {
             s.Trim("xy");
             return 0;
         },
         "axb", 0},
        {"Trim char", "--a-b--",
         [](CString& s) {
             s.Trim('-');
             return 0;
         },
         "a-b", 0},
        {"TrimLeft set", "\\\\srv\\",
         [](CString& s) {
             s.TrimLeft("\\/");
             return 0;
         },
         "srv\\", 0},
        {"TrimRight set", "C:\\A/\\",
         [](CString& s) {
             s.TrimRight("\\/");
             return 0;
         },
         "C:\\A", 0},
        {"Trim all away", "////",
         [](CString& s) {
             s.Trim('/');
             return 0;
         },
         "", 0},
        {"Trim empty set", " a ",
         [](CString& s) {
             s.Trim("");
             return 0;
         },
         " a ", 0},
        {"Replace string", "a;b;;c", [](CString& s) { return s.Replace(";", ", "); }, "a, b, , c",
         3},
        {"Replace overlap", "aaaa", [](CString& s) { return s.Replace("aa", "a"); }, "aa", 2},
        {"Replace none", "abc", [](CString& s) { return s.Replace("x", "y"); }, "abc", 0},
        {"Replace empty needle", "abc", [](CString& s) { return s.Replace("", "y"); }, "abc", 0},
        {"Replace by nothing", "a=b=c", [](CString& s) { return s.Replace("=", nullptr); }, "abc",
         2},
        {"Replace char", "a|b|c", [](CString& s) { return s.Replace('|', ';'); }, "a;b;c", 2},
        {"Remove", "a_b__c", [](CString& s) { return s.Remove('_'); }, "abc", 3},
        {"Insert clamps", "ab", [](CString& s) { return s.Insert(99, "cd"); }, "abcd", 4},
        {"Insert front", "bc", [](CString& s) { return s.Insert(-3, 'a'); }, "abc", 3},
        {"Delete past end", "abcdef", [](CString& s) { return s.Delete(4, 10); }, "abcd", 4},
        {"Delete out of range", "abc", [](CString& s) { return s.Delete(3); }, "abc", 3},
        {"Format", "",
         [](CString& s) {
             s.Format("%s=%d;%05.1f", "PORT", 80, 2.5);
             return s.GetLength();
         },
         "PORT=80;002.5", 13},
        {"Format long", "",
         [](CString& s) {
             s.Format("%0600d", 7);
             return s.GetLength();
         },
         nullptr, 600},
        {"AppendFormat", "x",
         [](CString& s) {
             s.AppendFormat("_%02X", 0xAB);
             return 0;
         },
         "x_AB", 0},
        {"MakeReverse", "abc",
         [](CString& s) {
             s.MakeReverse();
             return 0;
         },
         "cba", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CString s(row.input);
        EXPECT_EQ(row.result, row.edit(s));
        if (row.expected) {
            EXPECT_STREQ(row.expected, s.GetString());
        }
    }

    // Searching and extraction clamp their arguments instead of failing.
    const CString path("C:\\dir\\name.ext.zrr");
    EXPECT_EQ(2, path.Find('\\'));
    EXPECT_EQ(6, path.Find('\\', 3));
    EXPECT_EQ(-1, path.Find('\\', 7));
    EXPECT_EQ(-1, path.Find('C', -1));
    EXPECT_EQ(-1, path.Find('C', 100));
    EXPECT_EQ(11, path.Find(".ext"));
    EXPECT_EQ(-1, path.Find(".ext", 12));
    EXPECT_EQ(-1, path.Find(nullptr));
    EXPECT_EQ(15, path.ReverseFind('.'));
    EXPECT_EQ(-1, path.ReverseFind('/'));
    EXPECT_EQ(1, path.FindOneOf(":\\"));
    EXPECT_EQ(-1, path.FindOneOf(""));
    EXPECT_STREQ("C:", path.Left(2).GetString());
    EXPECT_STREQ("", path.Left(-1).GetString());
    EXPECT_STREQ(path.GetString(), path.Left(99).GetString());
    EXPECT_STREQ("zrr", path.Right(3).GetString());
    EXPECT_STREQ("", path.Right(-2).GetString());
    EXPECT_STREQ(path.GetString(), path.Right(99).GetString());
    EXPECT_STREQ("dir", path.Mid(3, 3).GetString());
    EXPECT_STREQ("C:\\", path.Mid(-5, 3).GetString());
    EXPECT_STREQ("", path.Mid(100).GetString());
    EXPECT_STREQ("zrr", path.Mid(16, 50).GetString());
    EXPECT_STREQ("", path.Mid(2, -1).GetString());
    EXPECT_EQ('\0', path.GetAt(-1));
    EXPECT_EQ('\0', path[path.GetLength()]);
    EXPECT_STREQ("C", path.SpanIncluding("ABC").GetString());
    EXPECT_STREQ("C:\\dir\\name", path.SpanExcluding(".").GetString());
}

TEST(CStringTest, TokenizeSkipsEmptyTokensAndEndsWithMinusOne) {
    const CString list("|CAM1||CAM2|CAM3|");
    std::vector<std::string> tokens;
    int pos = 0;
    for (CString t = list.Tokenize("|", pos); pos != -1; t = list.Tokenize("|", pos)) {
        tokens.emplace_back(t.GetString());
    }
    EXPECT_EQ((std::vector<std::string>{"CAM1", "CAM2", "CAM3"}), tokens);
    EXPECT_STREQ("", list.Tokenize("|", pos).GetString());
    EXPECT_EQ(-1, pos);

    pos = 0;
    EXPECT_STREQ("", CString("").Tokenize(";", pos).GetString());
    EXPECT_EQ(-1, pos);
    pos = 0;
    EXPECT_STREQ("A=1", CString("A=1").Tokenize(";", pos).GetString());
    EXPECT_STREQ("", CString("A=1").Tokenize(";", pos).GetString());
    EXPECT_EQ(-1, pos);
}

}  // namespace
