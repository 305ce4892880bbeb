// CZRManifestPersistWriter: writes a manifest as a new generation, keeping the previous
// one as the backup.
//
// Constructing the writer does the whole write, retrying every 50 ms while another
// process holds the temporary file or the main file cannot become the backup, until
// `timeoutMs` has passed. The sequence keeps the main name present at every instant:
//   1. write the header and records to the temporary file (D\B.mfp), denying all other
//      access, flush it, and with `commit` force it to disk;
//   2. give the main file a second name (D\B.mfl) and rename that over the backup
//      (D\B.mf2), so the previous generation becomes the backup without the main name
//      ever going away (without a main file, a stale backup is deleted instead);
//   3. rename the temporary file over the main file, then sync the folder.
// The temporary file stays open, and so locked against other writers, until it has been
// published; a second writer can therefore never truncate it between its close and its
// rename.
// Results: S_OK; S_FALSE when no records were stored (published when the set is empty or
// `acceptNoRecords` is 1); E_POINTER without a record set; otherwise the failed step's
// result (see ErrorMapping.h). A failure before step 3 leaves the main and backup files
// as they were; the temporary file is removed.
// Thread-safety: one thread at a time.
#pragma once

#include "base/KitrosterExport.h"

#include <memory>
#include <string>

#include "catalogue/ZRunknown.h"
#include "sync/SyncResult.h"
#include "sync/manifest/ManifestRecord.h"
#include "sync/manifest/RecordSet.h"

class CBlockFile;
struct ManifestNames;

class IManifestPersistWriter {
  public:
    virtual HRESULT GetResult() const = 0;

  protected:
    ~IManifestPersistWriter() = default;
};

class KITROSTER_API CZRManifestPersistWriter : public NResourceItem::CZRunknown,
                                               public IManifestPersistWriter {
  public:
    static NResourceItem::CZRauto_ptr<CZRManifestPersistWriter> CreateInstance(
        const std::string& path, const char* headerText,
        NResourceItem::CZRauto_ptr<IZRRecordSet<CManifestRecord>> records,
        unsigned long acceptNoRecords, bool commit, unsigned long timeoutMs);

    HRESULT GetResult() const override { return m_result; }

  private:
    CZRManifestPersistWriter(const std::string& path, const char* headerText,
                             NResourceItem::CZRauto_ptr<IZRRecordSet<CManifestRecord>> records,
                             unsigned long acceptNoRecords, bool commit, unsigned long timeoutMs);

    HRESULT _writeToFile(const std::string& path, const char* headerText,
                         IZRRecordSet<CManifestRecord>* records);
    HRESULT _writeHeader(CBlockFile* file, const char* headerText);
    HRESULT _writeSet(CBlockFile* file, IZRRecordSet<CManifestRecord>* records);
    // Steps 2 and 3 of the sequence.
    HRESULT _publish(const ManifestNames& names);

    unsigned long m_timeoutMs;
    unsigned long m_acceptNoRecords;
    bool m_commit;
    HRESULT m_result = E_UNEXPECTED;
};
