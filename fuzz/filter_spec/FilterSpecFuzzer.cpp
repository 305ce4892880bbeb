// Pattern test: any specification and value are decided without harm in both modes, and
// the decisions obey the rules the filters rely on:
//   - without '!' nothing is ever excluded, and property-value mode (which also matches
//     elements of '|' lists) includes at least what identifier mode includes;
//   - a specification of exclusions only never includes;
//   - appending ";*" to a specification without '!' includes every value;
//   - appending ";!V" for a plain value V (no ';', '*' or '!') excludes V whatever came
//     before.
// Input: the pattern list, '\n', the value.
#include <cstdint>
#include <string>

#include "catalogue/queries/FilterSpec.h"
#include "fuzz/common/FuzzCheck.h"

using namespace NResourceItem;

namespace {

const char* name(EFilterDecision d) {
    switch (d) {
        case EFilterDecision::kIncluded:
            return "included";
        case EFilterDecision::kExcluded:
            return "excluded";
        case EFilterDecision::kNotConsidered:
            return "not considered";
    }
    return "invalid";
}

bool onlyExclusions(const CString& spec) {
    CString rest = spec;
    bool any = false;
    while (!rest.IsEmpty()) {
        CString pattern = TakeNextPattern(rest);
        if (pattern.IsEmpty())
            continue;
        if (pattern[0] != '!')
            return false;
        any = true;
    }
    return any;
}

// A value that an exact exclusion can name: no separator, no asterisk, no '!' (an
// exclusion pattern loses every '!'), nothing trimmed.
bool nameable(const CString& value) {
    if (value.IsEmpty() || value.Find(';') >= 0 || value.Find('*') >= 0 || value.Find('!') >= 0)
        return false;
    CString trimmed = value;
    trimmed.Trim();
    return trimmed == value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    input = input.substr(0, input.find('\0'));
    const size_t nl = input.find('\n');
    const CString spec(input.substr(0, nl).c_str());
    const CString value(nl == std::string::npos ? "" : input.substr(nl + 1).c_str());

    const EFilterDecision byId = matchesFilterSpec(spec, value, EFilterMode::kIdentifier);
    const EFilterDecision byValue = matchesFilterSpec(spec, value, EFilterMode::kPropertyValue);
    const bool exclusions = spec.Find('!') >= 0;

    if (!exclusions) {
        FUZZ_CHECK(byId != EFilterDecision::kExcluded && byValue != EFilterDecision::kExcluded,
                   "'%s' without exclusions excluded '%s'", spec.GetString(), value.GetString());
        FUZZ_CHECK(byId != EFilterDecision::kIncluded || byValue == EFilterDecision::kIncluded,
                   "'%s' includes '%s' as an identifier but the value mode says %s",
                   spec.GetString(), value.GetString(), name(byValue));
        for (EFilterMode mode : {EFilterMode::kIdentifier, EFilterMode::kPropertyValue}) {
            const EFilterDecision all = matchesFilterSpec(spec + ";*", value, mode);
            FUZZ_CHECK(all == EFilterDecision::kIncluded, "'%s;*' says %s for '%s'",
                       spec.GetString(), name(all), value.GetString());
        }
    }
    if (onlyExclusions(spec)) {
        FUZZ_CHECK(byId != EFilterDecision::kIncluded && byValue != EFilterDecision::kIncluded,
                   "exclusions only in '%s' included '%s'", spec.GetString(), value.GetString());
    }
    if (nameable(value)) {
        const CString excluding = spec + ";!" + value;
        for (EFilterMode mode : {EFilterMode::kIdentifier, EFilterMode::kPropertyValue}) {
            const EFilterDecision d = matchesFilterSpec(excluding, value, mode);
            FUZZ_CHECK(d == EFilterDecision::kExcluded, "'%s' says %s for '%s'",
                       excluding.GetString(), name(d), value.GetString());
        }
    }
    return 0;
}
