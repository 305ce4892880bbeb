// Helpers of the manifest tests: generations of records, and reading a manifest back.
#pragma once

#include <string>
#include <vector>

#include "sync/manifest/ManifestReader.h"
#include "sync/manifest/ManifestWriter.h"

namespace manifest_test {

struct Rec {
    std::string name;
    uint32_t dword;
    int64_t q1;
    int64_t q2;
    bool operator==(const Rec&) const = default;
};

inline std::vector<Rec> Generation(int number, int count) {
    std::vector<Rec> records;
    for (int i = 0; i < count; ++i)
        records.push_back({"gen" + std::to_string(number) + "_" + std::to_string(i),
                           static_cast<uint32_t>(number), i + 1, -i});
    return records;
}

inline NResourceItem::CZRauto_ptr<IZRRecordSet<CManifestRecord>> MakeSet(
    const std::vector<Rec>& records) {
    auto set = CZRManifestRecordSet::CreateInstance();
    set->MoveEnd();
    for (const Rec& r : records) {
        set->Insert(CManifestRecord(r.name, r.dword, r.q1, r.q2));
        set->MoveEnd();
    }
    return NResourceItem::CZRauto_ptr<IZRRecordSet<CManifestRecord>>(set.get());
}

inline HRESULT Write(const std::string& path, const std::vector<Rec>& records,
                     const char* header = "header", bool commit = false) {
    return CZRManifestPersistWriter::CreateInstance(path, header, MakeSet(records), 0, commit, 0)
        ->GetResult();
}

inline std::vector<Rec> RecordsOf(const IManifestPersistReader& reader) {
    std::vector<Rec> out;
    auto set = reader.GetContainer()->GetRecordSet();
    for (set->MoveFirst(); !set->IsEOF(); set->MoveNext()) {
        CManifestRecord r = set->GetCurrent();
        out.push_back({r.GetName(), r.GetDword(), r.GetQword1(), r.GetQword2()});
    }
    return out;
}

struct ReadResult {
    HRESULT hr;
    bool usedBackup;
    std::vector<Rec> records;
};

inline ReadResult Read(const std::string& path, bool validate = true, unsigned long timeout = 0) {
    auto reader = CZRManifestPersistReader::CreateInstance(path, false, validate, timeout);
    return {reader->GetResult(), reader->UsedBackup(), RecordsOf(*reader)};
}

}  // namespace manifest_test
