// REGEDIT4 import on arbitrary text: it never crashes; what an import stores exports as
// text that imports into a fresh store as the same export (the round trip is stable).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/common/FuzzCheck.h"
#include "testing/env/TempDir.h"
#include "platform/registry/Registry.h"

namespace {

const kitroster::CTempDir& Folder() {
    // Registry writes are synced; a memory file system keeps the fuzzer fast.
    static const bool shm = setenv("TMPDIR", "/dev/shm", 0) == 0;
    (void)shm;
    static kitroster::CTempDir* dir = new kitroster::CTempDir("kitroster-fuzz-regedit-");
    return *dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096)
        return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string first = Folder().Path("first.db");
    const std::string second = Folder().Path("second.db");
    std::remove(first.c_str());
    std::remove(second.c_str());
    std::string exported;
    {
        kitroster::CRegistry registry(first);
        std::string error;
        if (!registry.ImportRegedit4(text, &error)) {
            FUZZ_CHECK(!error.empty(), "refused without a message");
            FUZZ_CHECK(registry.EnumSubkeys("").empty(), "a refused import changed the store");
            return 0;
        }
        exported = registry.ExportRegedit4();
    }
    kitroster::CRegistry again(second);
    std::string error;
    FUZZ_CHECK(again.ImportRegedit4(exported, &error), "export does not import: %s", error.c_str());
    FUZZ_CHECK(again.ExportRegedit4() == exported, "round trip changed the export");
    return 0;
}
