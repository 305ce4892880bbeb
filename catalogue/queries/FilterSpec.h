// The pattern test of the resource filters and of the configuration search.
//
// A filter specification is a text of patterns separated by ';'. Each pattern, upper-cased
// and trimmed, is one of: only asterisks (wildcard, matches anything); X (exact, equal
// ignoring case; an asterisk inside X is literal); X* (prefix); *X (postfix); *X*
// (partial: contains X); or '!' followed by one of these (exclusion). In prefix, postfix
// and partial patterns every asterisk is removed before comparing.
//
// Patterns apply left to right. Without any '!' in the pattern list, the first pattern
// that matches includes the value. With exclusions, a matching inclusion only marks the
// value as considered and the remaining exclusions are still examined; a matching
// exclusion excludes it at once. A specification of exclusions only therefore never
// includes anything ("*;!CAM*" is the way to say "all but CAM...").
//
// Property-value mode differs in one point: an exact pattern also matches a value that is
// a '|'-separated list in which the pattern stands as whole elements (CAM2 matches
// CAM1|CAM2|CAM3 but not XCAM2|CAM22).
//
// Thread-safety: a pure function; safe from any thread.
#pragma once

#include "base/CString.h"
#include "base/KitrosterExport.h"

namespace NResourceItem {

enum class EFilterDecision {
    kNotConsidered,  // no pattern decided about the value
    kIncluded,       // an inclusion pattern matched and no exclusion did
    kExcluded,       // an exclusion pattern matched
};

enum class EFilterMode {
    kIdentifier,     // a resource identifier (manager window list)
    kPropertyValue,  // one property value of a connectivity string (configuration search)
};

// Runs `spec` against `value`. An empty specification decides nothing (kNotConsidered);
// callers that treat "no specification" as "show everything" test for that first.
KITROSTER_API EFilterDecision matchesFilterSpec(const CString& spec, const CString& value,
                                                EFilterMode mode);

// The next pattern of a ';'-separated text: `rest` is split at its first ';', the part
// before it (trimmed) is returned and `rest` keeps the part after it (trimmed). Without
// a ';' the whole text is returned and `rest` becomes empty. The type-list texts of the
// filter presets are split the same way.
KITROSTER_API CString TakeNextPattern(CString& rest);

}  // namespace NResourceItem
