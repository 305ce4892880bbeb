#include "catalogue/ResourceType.h"

namespace NResourceItem {

namespace {

constexpr const char* kComponentSeparators = " \t_";

// The next component token of `rest` (see ParseType); `rest` keeps what follows.
CString NextToken(CString& rest) {
    rest.TrimLeft(kComponentSeparators);
    const int underscore = rest.Find('_');
    CString token;
    if (underscore >= 0) {
        token = rest.Left(underscore);
        token.Trim();
        rest = rest.Mid(underscore);
    } else {
        token = rest;
        token.TrimRight();
        rest.Empty();
    }
    return token;
}

bool IsAcceptableComponent(const CString& component) {
    return component.FindOneOf("_ \t{}") < 0;
}

}  // namespace

bool ParseType(const CString& type, CString& c1, CString& c2, CString& c3) {
    c1.Empty();
    c2.Empty();
    c3.Empty();
    bool found = false;
    CString rest = type;
    CString token = NextToken(rest);
    for (int component = 0; !token.IsEmpty(); ++component) {
        token.TrimRight(kComponentSeparators);
        if (component == 0) {
            c1 = token;
            c1.MakeUpper();
            found = true;
        } else if (component == 1) {
            c2 = token;
            c2.MakeUpper();
        } else {
            // The third component takes the whole remainder.
            c3 = token + rest;
            c3.Trim(kComponentSeparators);
            c3.MakeUpper();
            rest.Empty();
        }
        token = NextToken(rest);
    }
    return found;
}

CString MakeType(const CString& c1, const CString& c2, const CString& c3) {
    CString result;
    if (!c1.IsEmpty() && IsAcceptableComponent(c1))
        result = c1;
    for (const CString* next : {&c2, &c3}) {
        if (result.IsEmpty() || next->IsEmpty())
            continue;
        if (IsAcceptableComponent(*next)) {
            result += '_';
            result += *next;
        } else {
            result.Empty();
        }
    }
    return result.MakeUpper();
}

}  // namespace NResourceItem
