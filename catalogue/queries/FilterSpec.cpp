#include "catalogue/queries/FilterSpec.h"

#include "platform/oxb_exception/ZRLogSite.h"

static CZRLogSite s_log("KITROSTER");

namespace NResourceItem {
namespace {

// The log texts differ between the two modes only in the noun they use.
struct SLogTexts {
    const char* matching;
    const char* foundExclusion;
    const char* foundPostfix;
    const char* foundPrefix;
    const char* wildcard;  // one argument: the value
    const char* exact;
    const char* prefix;
    const char* postfix;  // three arguments: pattern, value, pos
    const char* partial;
    const char* excluded;
    const char* consideredWithExclusions;
    const char* included;
    const char* next;
};

constexpr SLogTexts kIdentifierTexts = {
    "Matching pattern '%s' to resource '%s'",
    "Found exclusion pattern '%s' for resource '%s'",
    "Found postfix pattern '%s' for resource '%s'",
    "Found prefix pattern '%s' for resource '%s'",
    "Wildcard pattern '*' for resource '%s', hence this resource is being considered for "
    "inclusion...",
    "Exact pattern '%s' match for resource '%s'",
    "Prefix pattern '%s' match for resource '%s'",
    "Postfix pattern '%s' match for resource '%s' (pos==%d)",
    "Partial pattern '%s' match for resource '%s'",
    "Exclusion pattern '%s' matched for resource '%s' - resource excluded from the list!",
    "Exclusion pattern '%s' not matching resource '%s', hence this resource is being "
    "considered...",
    "No exclusion patterns detected and pattern '%s' matched for resource '%s' - this "
    "resource will be included in the list!",
    "Next pattern to be considered: '%s', for resource '%s'...",
};

constexpr SLogTexts kValueTexts = {
    "Matching pattern '%s' to value '%s'",
    "Found exclusion pattern '%s' for value '%s'",
    "Found postfix pattern '%s' for value '%s'",
    "Found prefix pattern '%s' for value '%s'",
    "Wildcard pattern '*' for value '%s', hence this resource is being considered for "
    "inclusion...",
    "Exact pattern '%s' match for resource '%s'",
    "Prefix pattern '%s' match for value '%s'",
    "Postfix pattern '%s' match for value '%s' (pos==%d)",
    "Partial pattern '%s' match for value '%s'",
    "Exclusion pattern '%s' matched for value '%s' - resource excluded from the list!",
    "Exclusion pattern '%s' not matching value '%s', hence this resource is being "
    "considered...",
    "No exclusion patterns detected and pattern '%s' matched for value '%s' - this item will "
    "be included in the list!",
    "Next pattern to be considered: '%s', for value '%s'...",
};

// The formats above are chosen from a table, so the compiler cannot check them against
// their arguments; they are all "%s"-only except the postfix one.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
#define LOG_TEXT(fmt, ...) ZR_LOG(s_log, ZRLOG_INFO, fmt, __VA_ARGS__)

// True when `pattern` occurs in the '|'-separated list `value` as one or more whole
// elements. An empty pattern names no element.
bool matchesBarElement(const CString& value, const CString& pattern) {
    if (pattern.IsEmpty())
        return false;
    const int length = pattern.GetLength();
    for (int pos = value.Find(pattern); pos >= 0; pos = value.Find(pattern, pos + 1)) {
        const bool leftBound = pos == 0 || value[pos - 1] == '|';
        const int end = pos + length;
        const bool rightBound = end == value.GetLength() || value[end] == '|';
        if (leftBound && rightBound)
            return true;
    }
    return false;
}

}  // namespace

CString TakeNextPattern(CString& rest) {
    CString pattern;
    const int sep = rest.Find(';');
    if (sep < 0) {
        pattern = rest;
        rest.Empty();
    } else {
        pattern = rest.Left(sep);
        rest = rest.Mid(sep + 1);
    }
    pattern.Trim();
    rest.Trim();
    return pattern;
}

EFilterDecision matchesFilterSpec(const CString& spec, const CString& value, EFilterMode mode) {
    const SLogTexts& texts = mode == EFilterMode::kIdentifier ? kIdentifierTexts : kValueTexts;
    const bool hasExclusions = spec.Find('!') >= 0;
    CString upperValue = value;
    upperValue.MakeUpper();
    const char* v = upperValue.GetString();

    bool considered = false;
    bool excluded = false;
    bool done = false;
    CString rest = spec;
    rest.Trim();
    CString pattern = TakeNextPattern(rest);
    while ((!pattern.IsEmpty() || !rest.IsEmpty()) && !done) {
        if (!pattern.IsEmpty()) {
            LOG_TEXT(texts.matching, pattern.GetString(), v);
            pattern.MakeUpper();
            pattern.Trim();
            bool exclusion = false;
            if (pattern[0] == '!') {
                exclusion = true;
                pattern.TrimLeft("! \t");
                pattern.Remove('!');
                LOG_TEXT(texts.foundExclusion, pattern.GetString(), v);
            }
            if (!(considered && !exclusion)) {
                bool postfix = false;
                bool prefix = false;
                if (pattern[0] == '*') {
                    postfix = true;
                    pattern.TrimLeft("* \t");
                    LOG_TEXT(texts.foundPostfix, pattern.GetString(), v);
                }
                if (!pattern.IsEmpty() && pattern[pattern.GetLength() - 1] == '*') {
                    prefix = true;
                    pattern.TrimRight("* \t");
                    LOG_TEXT(texts.foundPrefix, pattern.GetString(), v);
                }
                bool matched = false;
                if (prefix || postfix) {
                    pattern.Remove('*');
                    pattern.Trim();
                    if (pattern.IsEmpty()) {
                        matched = true;
                        LOG_TEXT(texts.wildcard, v);
                    } else {
                        int pos = upperValue.Find(pattern);
                        if (prefix && postfix) {
                            matched = pos >= 0;
                            if (matched)
                                LOG_TEXT(texts.partial, pattern.GetString(), v);
                        } else if (prefix) {
                            matched = pos == 0;
                            if (matched)
                                LOG_TEXT(texts.prefix, pattern.GetString(), v);
                        } else {
                            pos = upperValue.GetLength() - pattern.GetLength();
                            matched = pos >= 0 && upperValue.Mid(pos) == pattern;
                            if (matched)
                                LOG_TEXT(texts.postfix, pattern.GetString(), v, pos);
                        }
                    }
                } else {
                    matched = upperValue == pattern || (mode == EFilterMode::kPropertyValue &&
                                                        matchesBarElement(upperValue, pattern));
                    if (matched)
                        LOG_TEXT(texts.exact, pattern.GetString(), v);
                }
                if (matched) {
                    if (hasExclusions) {
                        if (exclusion) {
                            excluded = true;
                            done = true;
                            LOG_TEXT(texts.excluded, pattern.GetString(), v);
                        } else {
                            considered = true;
                            LOG_TEXT(texts.consideredWithExclusions, pattern.GetString(), v);
                        }
                    } else {
                        considered = true;
                        done = true;
                        LOG_TEXT(texts.included, pattern.GetString(), v);
                    }
                }
            }
        }
        pattern = TakeNextPattern(rest);
        if (!pattern.IsEmpty() || !rest.IsEmpty())
            LOG_TEXT(texts.next, pattern.GetString(), v);
    }
    if (excluded)
        return EFilterDecision::kExcluded;
    return considered ? EFilterDecision::kIncluded : EFilterDecision::kNotConsidered;
}

#undef LOG_TEXT
#pragma GCC diagnostic pop

}  // namespace NResourceItem
