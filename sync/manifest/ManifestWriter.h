// CZRManifestPersistWriter: writes a manifest as a new generation, keeping the previous
// one as the backup.
//
// Constructing the writer does the whole write, retrying every 50 ms while another
// writer holds the manifest lock (D\B.mfk) or the temporary file, or the main file cannot
// become the backup, until `timeoutMs` has passed. Under the lock, the sequence keeps the
// main name present at every instant:
//   1. create the temporary file (D\B.mfp) exclusively, never through a link, with the
//      owner and mode of the main file it will replace; write the header and records,
//      flush, and with `commit` force it to disk;
//   2. give the main file a second name (D\B.mfl) and rename that over the backup
//      (D\B.mf2), so the previous generation becomes the backup without the main name
//      ever going away (without a main file, a stale backup is deleted instead); where the
//      file system keeps no second names, the main file is renamed to the backup;
//   3. rename the temporary file over the main file, then sync the folder.
// A main file that is a symbolic link is refused (E_ACCESSDENIED, logged), and so is a
// target with a working file's extension (E_INVALIDARG). The temporary file stays open,
// with its share mode denying all, until it has been published; a failure to close it
// after that is logged, as the new generation already stands.
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
namespace kitroster {
struct FileInfo;
}

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
    // Whether the main file exists, and its owner and mode; a link is refused.
    HRESULT _inspectMain(const std::string& main, kitroster::FileInfo* info, bool* present);
    // Steps 2 and 3 of the sequence; `*published` once the main name holds the new file.
    HRESULT _publish(const ManifestNames& names, bool haveMain, bool* published);
    // The same where the file system keeps no second names: two plain renames.
    HRESULT _publishByRenames(const ManifestNames& names, bool* published);
    HRESULT _syncFolder(const ManifestNames& names);

    unsigned long m_timeoutMs;
    unsigned long m_acceptNoRecords;
    bool m_commit;
    HRESULT m_result = E_UNEXPECTED;
};
