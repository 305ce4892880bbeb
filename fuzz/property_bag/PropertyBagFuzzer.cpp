// Property string parser: any text parses without harm, and what a bag writes it reads
// back as the same properties. FromString -> ToString -> FromString must give the same
// keys, values and order, and writing again must give the same text.
#include <cstdint>
#include <string>

#include "catalogue/ResPropertyBag.h"
#include "fuzz/common/FuzzCheck.h"

using namespace NResourceItem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // CString is a C string at the API boundary: stop at the first NUL like callers do.
    std::string input(reinterpret_cast<const char*>(data), size);
    input = input.substr(0, input.find('\0'));

    CZRauto_ptr<IResPropertyBag> first = CResPropertyBagFactory::CreateInstance();
    const bool parsed = first->FromString(CString(input.c_str()));
    FUZZ_CHECK(parsed == (first->Size() > 0), "FromString result %d with %d properties", parsed,
               first->Size());

    CString written;
    const bool wrote = first->ToString(written);
    FUZZ_CHECK(wrote == (first->Size() > 0), "ToString result %d with %d properties", wrote,
               first->Size());

    CZRauto_ptr<IResPropertyBag> second = CResPropertyBagFactory::CreateInstance();
    second->FromString(written);
    FUZZ_CHECK(second->Size() == first->Size(), "size %d became %d after re-reading '%s'",
               first->Size(), second->Size(), written.GetString());
    for (int i = 0; i < first->Size(); ++i) {
        CString k1, v1, k2, v2;
        FUZZ_CHECK(first->Get(i, k1, v1) && second->Get(i, k2, v2), "Get(%d) failed", i);
        FUZZ_CHECK(k1 == k2 && v1 == v2, "property %d '%s'='%s' re-read as '%s'='%s' from '%s'", i,
                   k1.GetString(), v1.GetString(), k2.GetString(), v2.GetString(),
                   written.GetString());
        CString byKey;
        FUZZ_CHECK(first->Get(k1, byKey) && byKey == v1, "look-up of '%s' failed", k1.GetString());
    }
    CString rewritten;
    second->ToString(rewritten);
    FUZZ_CHECK(rewritten == written, "'%s' rewritten as '%s'", written.GetString(),
               rewritten.GetString());
    return 0;
}
