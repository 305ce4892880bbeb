#include "catalogue/queries/FilterSpec.h"

#include <gtest/gtest.h>

namespace NResourceItem {
namespace {

constexpr auto kIn = EFilterDecision::kIncluded;
constexpr auto kOut = EFilterDecision::kExcluded;
constexpr auto kNone = EFilterDecision::kNotConsidered;

struct SCase {
    const char* spec;
    const char* value;
    EFilterDecision expected;
};

TEST(FilterSpecTest, IdentifierModeDecisions) {
    const SCase cases[] = {
        // Prefix, postfix, partial and exact forms; case is ignored on both sides.
        {"CAM*", "CAM01", kIn},
        {"cam*", "cam2", kIn},
        {"CAM*", "XCAM", kNone},
        {"*01", "CAM01", kIn},
        {"*01", "CAM011", kNone},
        {"*AM*", "CAM01", kIn},
        {"*AM*", "XCAM", kIn},
        {"*AM*", "SRV", kNone},
        {"CAM01", "cam01", kIn},
        {"CAM01", "CAM011", kNone},
        {" cam01 ", "CAM01", kIn},
        // A postfix whose text repeats in the value matches the final occurrence.
        {"*AB", "ABAB", kIn},
        {"*AB", "ABA", kNone},
        // An asterisk inside an exact pattern is literal; elsewhere it is removed.
        {"A*B", "A*B", kIn},
        {"A*B", "AXB", kNone},
        {"A*B*", "ABC", kIn},
        {"*A*B", "XAB", kIn},
        // Wildcards.
        {"*", "ANY", kIn},
        {"**", "ANY", kIn},
        {"* *", "ANY", kIn},
        {"!*", "ANY", kOut},
        // Exclusions: all but CAM..., and exclusions alone hide everything.
        {"*;!CAM*", "SRV1", kIn},
        {"*;!CAM*", "CAM1", kOut},
        {"!CAM*", "SRV1", kNone},
        {"!CAM*", "CAM1", kOut},
        {"!CAM*;*", "CAM1", kOut},
        {"! !CAM*;*", "CAM1", kOut},
        {"SRV*;!*1", "SRV1", kOut},
        {"SRV*;!*1", "SRV2", kIn},
        // Once an inclusion matched, later inclusions are not needed, exclusions still are.
        {"CAM*;XYZ;!*9", "CAM9", kOut},
        // Empty patterns between separators are skipped; both groups show.
        {"CAM*;;SRV*", "CAM1", kIn},
        {"CAM*;;SRV*", "SRV1", kIn},
        {"CAM*;;SRV*", "ROOM", kNone},
        {";;;", "CAM1", kNone},
        {"", "CAM1", kNone},
        // A pattern that is empty after its '!' is exact against empty text.
        {"*;!", "CAM1", kIn},
        // Windows-1252 upper-casing applies to pattern and value alike.
        {"caf\xe9*",
         "CAF\xc9"
         "1",
         kIn},
        // Bar lists mean nothing in identifier mode.
        {"CAM2", "CAM1|CAM2", kNone},
    };
    for (const SCase& c : cases) {
        EXPECT_EQ(matchesFilterSpec(c.spec, c.value, EFilterMode::kIdentifier), c.expected)
            << "spec '" << c.spec << "' value '" << c.value << "'";
    }
}

TEST(FilterSpecTest, PropertyValueModeMatchesWholeBarElements) {
    const SCase cases[] = {
        {"CAM2", "CAM1|CAM2|CAM3", kIn},
        {"CAM2", "CAM1|CAM2", kIn},
        {"CAM2", "CAM2|X", kIn},
        {"CAM2", "XCAM2|CAM2", kIn},
        {"CAM2", "XCAM2|CAM22", kNone},
        {"cam2", "|cam1|CAM2", kIn},
        {"CAM1|CAM2", "|CAM1|CAM2|CAM3", kIn},
        {"CAM1|CAM3", "CAM1|CAM2|CAM3", kNone},
        {"10.0.0.5", "10.0.0.5", kIn},
        {"10.0.0.5", "10.0.0.50", kNone},
        {"*;!192.168.*", "192.168.1.10", kOut},
        {"*;!192.168.*", "10.0.0.5", kIn},
        // An emptied exclusion names no element of a list that starts with a bar.
        {"*;!", "|ASSY1", kIn},
    };
    for (const SCase& c : cases) {
        EXPECT_EQ(matchesFilterSpec(c.spec, c.value, EFilterMode::kPropertyValue), c.expected)
            << "spec '" << c.spec << "' value '" << c.value << "'";
    }
}

TEST(FilterSpecTest, TakeNextPatternSplitsAtFirstSeparatorAndTrims) {
    CString rest = " A ; B;;C ";
    EXPECT_EQ(TakeNextPattern(rest), CString("A"));
    EXPECT_EQ(rest, CString("B;;C"));
    EXPECT_EQ(TakeNextPattern(rest), CString("B"));
    EXPECT_EQ(TakeNextPattern(rest), CString(""));
    EXPECT_EQ(rest, CString("C"));
    EXPECT_EQ(TakeNextPattern(rest), CString("C"));
    EXPECT_TRUE(rest.IsEmpty());
}

}  // namespace
}  // namespace NResourceItem
