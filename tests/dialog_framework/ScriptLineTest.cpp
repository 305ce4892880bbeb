#include "dialog_framework/script/ScriptLine.h"

#include <gtest/gtest.h>

namespace kitroster {
namespace {

TEST(ScriptLineTest, SplitsWordsQuotesAndEscapes) {
    struct Case {
        std::string line;
        std::vector<std::string> words;  // empty with ok=false: refused
        bool ok = true;
    };
    const Case cases[] = {
        {"   ", {}},
        {"# type 1 x", {}},
        {"  click   1  ", {"click", "1"}},
        {"type 15002 \"two words\"", {"type", "15002", "two words"}},
        {"type 1 \"a\\\"b\\\\c\\nd\\te\"", {"type", "1", "a\"b\\c\nd\te"}},
        {"type 1 \"\"", {"type", "1", ""}},
        {"type 1 caf\xc3\xa9", {"type", "1", "caf\xe9"}},  // UTF-8 in, Windows-1252 out
        {"type 1 \xe2\x82\xac", {"type", "1", "\x80"}},
        {"type 1 \xe4\xb8\x80", {"type", "1", "\x1A"}},  // not in the code page: marked
        {"type 1 \"open", {}, false},
        {"type 1 \"bad\\q\"", {}, false},
        {"type 1 \"x\"y", {}, false},
        {"type 1 \xff", {}, false},
    };
    for (const auto& c : cases) {
        SScriptLine line;
        std::string error;
        bool ok = SplitScriptLine(c.line, &line, &error);
        EXPECT_EQ(ok, c.ok) << c.line;
        if (!ok || !c.ok)
            continue;
        std::vector<std::string> words;
        for (const auto& w : line.words)
            words.push_back(w.str());
        EXPECT_EQ(words, c.words) << c.line;
    }
}

}  // namespace
}  // namespace kitroster
