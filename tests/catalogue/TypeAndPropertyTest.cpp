// Type strings and the property string grammar, as data tables.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <string>
#include <vector>

#include "catalogue/ResPropertyBag.h"
#include "catalogue/ResourceItemFacades.h"
#include "catalogue/ResourceType.h"

using namespace NResourceItem;

TEST(TypeStringTest, ParseMakeAndCompare) {
    struct ParseCase {
        const char* type;
        bool found;
        const char* c1;
        const char* c2;
        const char* c3;
    };
    const std::vector<ParseCase> parses = {
        {" camera_ip ", true, "CAMERA", "IP", ""},
        {"__A__B__", true, "A", "B", ""},
        {"A_B_C_D", true, "A", "B", "C_D"},
        {"server", true, "SERVER", "", ""},
        {"a _ b_ c d ", true, "A", "B", "C D"},
        {"", false, "", "", ""},
        {"___", false, "", "", ""},
    };
    for (const ParseCase& c : parses) {
        CString c1 = "stale", c2 = "stale", c3 = "stale";
        EXPECT_EQ(ParseType(c.type, c1, c2, c3), c.found) << c.type;
        EXPECT_EQ(c1, c.c1) << c.type;
        EXPECT_EQ(c2, c.c2) << c.type;
        EXPECT_EQ(c3, c.c3) << c.type;
    }

    struct MakeCase {
        const char* c1;
        const char* c2;
        const char* c3;
        const char* type;
    };
    const std::vector<MakeCase> makes = {
        {"camera", "ip", "", "CAMERA_IP"},
        {"a", "", "c", "A_C"},
        {"a", "b", "c", "A_B_C"},
        {"a b", "c", "", ""},
        {"", "c", "d", ""},
        {"a", "b_c", "", ""},
        {"a", "b", "{c}", ""},
        {"a", "b", "c\td", ""},
    };
    for (const MakeCase& c : makes) {
        EXPECT_EQ(MakeType(c.c1, c.c2, c.c3), c.type) << c.c1 << "|" << c.c2 << "|" << c.c3;
    }

    struct CompareCase {
        const char* actual;
        const char* wanted;
        bool byLevel;
        bool match;
    };
    const std::vector<CompareCase> compares = {
        {"CAMERA_IP", "camera", true, true},         {"CAMERA_IP", "camera", false, false},
        {"CAMERA_IP", "camera_ip", false, true},     {"CAMERA_IP_X", "CAMERA_IP", true, true},
        {"CAMERA_IP_X", "camera", true, true},       {"CAMERA_IP_X", "IP", true, false},
        {"CAMERA_IP_X", "CAMERA_IP_Y", true, false}, {"", "", false, true},
    };
    for (const CompareCase& c : compares) {
        EXPECT_EQ(CResourceItemReaderFacade::compareTypes(c.actual, c.wanted, c.byLevel), c.match)
            << c.actual << " vs " << c.wanted << " byLevel " << c.byLevel;
    }
}

namespace {

// The bag's properties as "KEY=value|KEY=value" for compact expectations.
std::string Dump(IResPropertyBag* bag) {
    std::string out;
    CString key, value;
    for (int i = 0; bag->Get(i, key, value); ++i) {
        if (!out.empty())
            out += '|';
        out += key.str() + "=" + value.str();
    }
    return out;
}

}  // namespace

TEST(PropertyBagTest, FromStringAndToStringGrammar) {
    struct Case {
        const char* text;
        bool stored;
        const char* properties;  // Dump() after FromString
        const char* written;     // ToString() afterwards
    };
    const std::vector<Case> cases = {
        {"ip = 10.0.0.1 ; port=80", true, "IP=10.0.0.1|PORT=80", "IP=10.0.0.1;PORT=80;"},
        {"OPT=\"a=b\";", true, "OPT=a=b", "OPT=\"a=b\";"},
        {"K=\"x;y\";L=2", true, "K=x;y|L=2", "K=\"x;y\";L=2;"},
        {"K=\"a;b", false, "", ""},  // unclosed quote: nothing at all
        {"K=a=b;", false, "", ""},   // raw '=' in the value
        {"K={x};", false, "", ""},   // braces are refused on reading
        {"novalue;K2=v", true, "K2=v", "K2=v;"},
        {"K=;", true, "K=", "K=;"},
        {"a=1;A=2", true, "A=2", "A=2;"},  // a later duplicate replaces, keeps position
        {"b=1;a=2;B=3", true, "B=3|A=2", "B=3;A=2;"},
        {"\"k=x\"=1;J=2", true, "J=2", "J=2;"},  // a key quoted around '=' is refused
        {"K===v;", true, "K=v", "K=v;"},
        {";;  ;", false, "", ""},
        {"=v;", false, "", ""},
        {"Name=Lobby Cam;", true, "NAME=Lobby Cam", "NAME=Lobby Cam;"},
    };
    CZRauto_ptr<IResPropertyBag> bag = CResPropertyBagFactory::CreateInstance("STALE=1;");
    for (const Case& c : cases) {
        EXPECT_EQ(bag->FromString(c.text), c.stored) << c.text;
        EXPECT_EQ(Dump(bag), c.properties) << c.text;
        CString written = "stale";
        EXPECT_EQ(bag->ToString(written), *c.written != '\0') << c.text;
        EXPECT_EQ(written, c.written) << c.text;
        // What ToString writes reads back to the same properties.
        CZRauto_ptr<IResPropertyBag> again = CResPropertyBagFactory::CreateInstance(written);
        EXPECT_EQ(Dump(again), c.properties) << c.text;
    }
}

TEST(PropertyBagTest, EditingOperations) {
    CZRauto_ptr<IResPropertyBag> bag = CResPropertyBagFactory::CreateInstance();
    EXPECT_TRUE(bag->Set("ip", "10.0.0.1"));
    EXPECT_TRUE(bag->Set("Port", "80"));
    EXPECT_TRUE(bag->Set("IP", "10.0.0.2"));  // replaces, keeps the first position
    EXPECT_EQ(Dump(bag), "IP=10.0.0.2|PORT=80");

    EXPECT_FALSE(bag->Set("K", "say \"hi\""));
    EXPECT_FALSE(bag->Set("K\"", "v"));
    EXPECT_FALSE(bag->Set("K", "a\x01"));
    EXPECT_TRUE(bag->Set("", "v")) << "an empty key is accepted and not stored";
    EXPECT_EQ(bag->Size(), 2);

    CString key = "k", value = "v";
    EXPECT_FALSE(bag->Get(5, key, value));
    EXPECT_FALSE(bag->Get(-1, key, value));
    EXPECT_FALSE(bag->Get("missing", value));
    EXPECT_EQ(key, "k");
    EXPECT_EQ(value, "v") << "a failed look-up leaves the output alone";
    EXPECT_TRUE(bag->Get("port", value));
    EXPECT_EQ(value, "80");

    // A value with braces is written as is (only reading refuses it).
    EXPECT_TRUE(bag->Set("B", "{x}"));
    CString text;
    EXPECT_TRUE(bag->ToString(text));
    EXPECT_EQ(text, "IP=10.0.0.2;PORT=80;B={x};");

    EXPECT_TRUE(bag->Delete("ip"));
    EXPECT_FALSE(bag->Delete("ip"));
    EXPECT_EQ(Dump(bag), "PORT=80|B={x}");
    bag->Clear();
    EXPECT_EQ(bag->Size(), 0);
    EXPECT_FALSE(bag->ToString(text));
    EXPECT_EQ(text, "");
}

// A hostile connectivity field of many megabytes must parse in time linear in its length.
TEST(PropertyBagTest, LargeTextsParseInLinearTime) {
    constexpr size_t kSize = 16u << 20;
    std::string manyKeys;  // a quarter of the size: each property costs a map look-up
    for (int i = 0; manyKeys.size() < kSize / 4; ++i)
        manyKeys += "K" + std::to_string(i % 100000) + "=v;";
    struct Case {
        const char* what;
        std::string text;
        int size;  // properties stored
    };
    const std::vector<Case> cases = {
        {"separators only", std::string(kSize, ';'), 0},
        {"separators and blanks",
         [] {
             std::string text;
             while (text.size() < kSize)
                 text += " ;\t";
             return text;
         }(),
         0},
        {"one property repeated",
         [] {
             std::string text;
             while (text.size() < kSize)
                 text += "K=v;";
             return text;
         }(),
         1},
        {"many keys", manyKeys, 100000},
        {"one long quoted value", "K=\"" + std::string(kSize, ';') + "\";", 1},
    };
#ifdef NDEBUG
    constexpr double kLimitSeconds = 1.0;
#else
    constexpr double kLimitSeconds = 5.0;  // unoptimised builds
#endif
    CZRauto_ptr<IResPropertyBag> bag = CResPropertyBagFactory::CreateInstance();
    for (const Case& c : cases) {
        // Processor time, so that other work on a busy machine does not count.
        const std::clock_t start = std::clock();
        bag->FromString(c.text);
        const double took = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
        EXPECT_EQ(bag->Size(), c.size) << c.what;
        EXPECT_LT(took, kLimitSeconds) << c.what;
    }
}
