// Type strings: ParseType never fails on any text, finds a first component exactly when it
// reports success, and a type built by MakeType from its components parses back to the
// same components.
#include <cstdint>
#include <string>

#include "catalogue/ResourceType.h"
#include "fuzz/common/FuzzCheck.h"

using namespace NResourceItem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    input = input.substr(0, input.find('\0'));

    CString c1, c2, c3;
    const bool found = ParseType(CString(input.c_str()), c1, c2, c3);
    FUZZ_CHECK(found == !c1.IsEmpty(), "result %d with first component '%s'", found,
               c1.GetString());
    FUZZ_CHECK(!c3.IsEmpty() ? !c2.IsEmpty() : true, "third '%s' without second", c3.GetString());
    for (const CString* c : {&c1, &c2, &c3}) {
        CString upper = *c;
        upper.MakeUpper();
        FUZZ_CHECK(upper == *c, "component '%s' is not upper-case", c->GetString());
    }

    const CString made = MakeType(c1, c2, c3);
    if (made.IsEmpty())
        return 0;
    CString d1, d2, d3;
    FUZZ_CHECK(ParseType(made, d1, d2, d3), "'%s' made from '%s' does not parse", made.GetString(),
               input.c_str());
    FUZZ_CHECK(d1 == c1 && d2 == c2 && d3 == c3, "'%s' -> '%s'|'%s'|'%s' -> '%s' -> '%s'|'%s'|'%s'",
               input.c_str(), c1.GetString(), c2.GetString(), c3.GetString(), made.GetString(),
               d1.GetString(), d2.GetString(), d3.GetString());
    FUZZ_CHECK(MakeType(d1, d2, d3) == made, "MakeType not stable for '%s'", made.GetString());
    return 0;
}
