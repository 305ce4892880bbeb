// Resource file reader: any file content reads without harm; reading the file and parsing
// the same text in memory agree; and an item that was read survives formatting, a write
// and a second read unchanged (same five fields, schema 1000, clean). Files live in a
// private temporary folder (tmpfs when available, so the syncs of a write stay cheap)
// that every run reuses.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "catalogue/CatalogueContext.h"
#include "catalogue/ResourceItemPersist.h"
#include "fuzz/common/FuzzCheck.h"
#include "platform/app/KitrosterApp.h"
#include "platform/env/Env.h"

using namespace NResourceItem;

namespace {

struct Scratch {
    std::string folder;
    std::string input;
    std::string copy;
    Scratch() {
        char shm[] = "/dev/shm/kitroster-fuzz-XXXXXX";
        char tmp[] = "/tmp/kitroster-fuzz-XXXXXX";
        char* pattern = access("/dev/shm", W_OK) == 0 ? shm : tmp;
        const char* made = mkdtemp(pattern);
        FUZZ_CHECK(made != nullptr, "cannot create a temporary folder");
        folder = made;
        input = folder + "/_RES_INPUT.zrr";
        copy = folder + "/_RES_COPY.zrr";
    }
    ~Scratch() {
        unlink(input.c_str());
        unlink(copy.c_str());
        rmdir(folder.c_str());
    }
};

Scratch& scratch() {
    static Scratch s;
    return s;
}

const char* fieldNames[5] = {"ID", "TYPE", "NAME", "CONN", "CAPS"};

void fields(IResourceItem* item, CString out[5]) {
    out[0] = item->get_ID();
    out[1] = item->get_Type();
    out[2] = item->get_Name();
    out[3] = item->get_Conn();
    out[4] = item->get_Caps();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Scratch& s = scratch();
    kitroster::Env* env = GetKitrosterApp().GetEnv();
    const std::string text(reinterpret_cast<const char*>(data), size);
    FUZZ_CHECK(env->WriteStringToFile(s.input, text).ok(), "cannot write %s", s.input.c_str());

    CZRauto_ptr<IResourceItemPersist> persist = CResourceItemPersistFactory::CreateInstance();
    int schema = -1;
    CZRauto_ptr<IResourceItem> item = persist->Read(s.input.c_str(), &schema);
    int parsedSchema = -1;
    CZRauto_ptr<IResourceItem> parsed =
        CResourceItemPersistFactory::ParseResourceText(text, &parsedSchema);
    FUZZ_CHECK(schema == parsedSchema && (item == nullptr) == (parsed == nullptr),
               "file read gives schema %d (item %d), text parse schema %d (item %d)", schema,
               item != nullptr, parsedSchema, parsed != nullptr);
    if (item == nullptr) {
        FUZZ_CHECK(schema != RES_SCHEMA, "schema %d but no item", schema);
        return 0;
    }
    FUZZ_CHECK(schema == RES_SCHEMA, "item returned with schema %d", schema);
    FUZZ_CHECK(!item->IsDirty() && !parsed->IsDirty(), "an item read from a file is dirty");
    CString before[5], inMemory[5];
    fields(item.get(), before);
    fields(parsed.get(), inMemory);
    for (int i = 0; i < 5; ++i)
        FUZZ_CHECK(before[i] == inMemory[i], "%s read as '%s' from the file, '%s' from the text",
                   fieldNames[i], before[i].GetString(), inMemory[i].GetString());

    // Values are written unescaped, so a NUL inside a value cannot survive a write; the
    // round trips are checked for NUL-free files only.
    if (text.find('\0') != std::string::npos)
        return 0;
    const std::string formatted = CResourceItemPersistFactory::FormatResourceText(
        before[0], before[1], before[2], before[3], before[4]);
    int formattedSchema = -1;
    CZRauto_ptr<IResourceItem> reparsed =
        CResourceItemPersistFactory::ParseResourceText(formatted, &formattedSchema);
    FUZZ_CHECK(reparsed != nullptr && formattedSchema == RES_SCHEMA, "formatted text rejected");
    CString fromText[5];
    fields(reparsed.get(), fromText);
    for (int i = 0; i < 5; ++i)
        FUZZ_CHECK(before[i] == fromText[i], "%s '%s' formatted and parsed as '%s'", fieldNames[i],
                   before[i].GetString(), fromText[i].GetString());

    if (!persist->Write(s.copy.c_str(), item)) {
        FUZZ_CHECK(!IsSafeResourceId(before[0]), "write of a safe identifier '%s' failed",
                   before[0].GetString());
        return 0;
    }
    int schemaAgain = -1;
    CZRauto_ptr<IResourceItem> again = persist->Read(s.copy.c_str(), &schemaAgain);
    FUZZ_CHECK(again != nullptr && schemaAgain == RES_SCHEMA,
               "written file does not read back (schema %d)", schemaAgain);
    CString after[5];
    fields(again.get(), after);
    for (int i = 0; i < 5; ++i)
        FUZZ_CHECK(before[i] == after[i], "%s '%s' read back as '%s'", fieldNames[i],
                   before[i].GetString(), after[i].GetString());
    return 0;
}
