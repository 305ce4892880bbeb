// The manifest reader on arbitrary file contents: it never crashes, reports only the
// documented results, and on success hands back exactly the whole blocks of the file.
//
// Input: the first byte chooses the options (bit 0 validate records, bit 1 header only);
// the rest is the main file. Every other input also gets a backup file (a valid
// one-record manifest), so recovery is exercised.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/common/FuzzCheck.h"
#include "platform/env/Env.h"
#include "testing/env/TempDir.h"
#include "sync/manifest/ManifestReader.h"

namespace {

const kitroster::CTempDir& Folder() {
    static kitroster::CTempDir* dir = new kitroster::CTempDir("kitroster-fuzz-manifest-");
    return *dir;
}

std::string BackupFile() {
    CManifestHdr header("backup");
    CManifestRecord record("b", 1, 1, 1);
    return std::string(reinterpret_cast<const char*>(header.Payload()), kManifestBlockSize) +
           std::string(reinterpret_cast<const char*>(record.Payload()), kManifestBlockSize);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const bool validate = data[0] & 1;
    const bool headerOnly = data[0] & 2;
    const bool withBackup = data[0] & 4;
    const std::string contents(reinterpret_cast<const char*>(data + 1), size - 1);
    kitroster::Env* env = kitroster::Env::Default();
    const std::string main = Folder().Path("m.mfs");
    const std::string backup = Folder().Path("m.mf2");
    env->WriteStringToFile(main, contents);
    env->DeleteFile(backup);
    if (withBackup)
        env->WriteStringToFile(backup, BackupFile());

    auto reader = CZRManifestPersistReader::CreateInstance(main, headerOnly, validate, 0);
    const HRESULT hr = reader->GetResult();
    FUZZ_CHECK(hr == S_OK || hr == ZRSYNC_E_INVALID_HEADER || hr == ZRSYNC_E_CORRUPT_DATA,
               "result 0x%08X", static_cast<unsigned>(hr));
    if (hr != S_OK)
        return 0;
    auto set = reader->GetContainer()->GetRecordSet();
    if (reader->UsedBackup()) {
        FUZZ_CHECK(withBackup && set->GetCount() == (headerOnly ? 0 : 1), "recovered %d records",
                   set->GetCount());
        return 0;
    }
    FUZZ_CHECK(contents.size() >= kManifestBlockSize, "success on %zu bytes", contents.size());
    const size_t blocks = headerOnly ? 0 : contents.size() / kManifestBlockSize - 1;
    FUZZ_CHECK(static_cast<size_t>(set->GetCount()) == blocks, "%d records from %zu bytes",
               set->GetCount(), contents.size());
    size_t i = 1;
    for (set->MoveFirst(); !set->IsEOF(); set->MoveNext(), ++i) {
        CManifestRecord record = set->GetCurrent();
        FUZZ_CHECK(!validate || record.IsValid(), "invalid record %zu accepted", i);
        const uint8_t* block = data + 1 + i * kManifestBlockSize;
        FUZZ_CHECK(std::memcmp(record.Payload() + kManifestTextField, block + kManifestTextField,
                               kManifestBlockSize - kManifestTextField) == 0,
                   "record %zu numbers differ", i);
    }
    return 0;
}
