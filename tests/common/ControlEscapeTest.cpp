// The control-character escape shared by the log and the tool's terminal output.
#include <string>

#include <gtest/gtest.h>

#include "base/ControlEscape.h"

namespace {

TEST(ControlEscapeTest, ControlsBecomeVisibleEscapesAndOtherBytesPass) {
    struct SCase {
        std::string text;
        bool windows1252;
        std::string expected;
    };
    const SCase cases[] = {
        {"plain text", false, "plain text"},
        {"\x1b]0;owned\x07title", false, "\\x1B]0;owned\\x07title"},  // a title change
        {"\x1b[2J", false, "\\x1B[2J"},                               // clear screen
        {"a\nb\rc\td", false, "a\\nb\\rc\\td"},
        {std::string("nul\0x", 5), false, "nul\\x00x"},
        {"\x01\x1f\x7f", false, "\\x01\\x1F\\x7F"},
        {" ~", false, " ~"},                                              // the printable edges
        {"caf\xc3\xa9 \xe2\x82\xac", false, "caf\xc3\xa9 \xe2\x82\xac"},  // UTF-8 untouched
        {"\xc3\x81", false, "\xc3\x81"},  // a UTF-8 continuation 0x81 is no control
        // Windows-1252: the undefined bytes show as C1 controls (0x9D is OSC) once converted.
        {"\x81\x8d\x8f\x90\x9d", true, "\\x81\\x8D\\x8F\\x90\\x9D"},
        {"\x80\x9b\xe9\x1b", true, "\x80\x9b\xe9\\x1B"},  // euro sign, guillemet, e acute
    };
    for (const SCase& c : cases) {
        std::string out = "kept:";
        kitroster::AppendControlEscaped(&out, c.text, c.windows1252);
        EXPECT_EQ(out, "kept:" + c.expected) << c.text;
    }
}

}  // namespace
