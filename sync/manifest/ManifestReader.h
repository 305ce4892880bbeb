// CZRManifestPersistReader: reads a manifest with retries and backup recovery.
//
// Constructing the reader does the whole read of the main file derived from the path
// (whatever extension the path has):
//   - a sharing violation (another process writes the file) is retried every 50 ms until
//     `timeoutMs` has passed, then reported as 0x80070020;
//   - a missing file (0x80070002, 0x80070003) and an unknown header (0x80041001) are
//     reported as they are;
//   - a main file that is a symbolic link is refused (E_ACCESSDENIED, logged);
//   - any other failure counts as corruption: the backup (.mf2) is put in place of the
//     main file and read once more; UsedBackup() then tells that records written by the
//     last write are missing. The restore holds the writers' lock (D\B.mfk), waiting for
//     it as for a held file, and gives way when a writer has replaced the corrupt main
//     file meanwhile; a backup that is a symbolic link is not used (E_ACCESSDENIED). The
//     copy takes the owner of the main file and no wider mode than either file had.
// Afterwards the reader only holds the results of its last attempt.
//
// A full read shares the file with readers only; a header-only read shares it with
// everybody. Files go through the application's Env.
// Thread-safety: one thread at a time.
#pragma once

#include "base/KitrosterExport.h"

#include <memory>
#include <string>

#include "catalogue/ZRunknown.h"
#include "platform/env/Env.h"
#include "sync/SyncResult.h"
#include "sync/manifest/ManifestContainer.h"

class CBlockFile;
struct ManifestNames;

class IManifestPersistReader {
  public:
    virtual HRESULT GetResult() const = 0;
    virtual bool UsedBackup() const = 0;
    virtual NResourceItem::CZRauto_ptr<IManifestContainer> GetContainer() const = 0;
    virtual std::string GetHeaderText() const = 0;

  protected:
    ~IManifestPersistReader() = default;
};

class KITROSTER_API CZRManifestPersistReader : public NResourceItem::CZRunknown,
                                               public IManifestPersistReader {
  public:
    static NResourceItem::CZRauto_ptr<CZRManifestPersistReader> CreateInstance(
        const std::string& path, bool headerOnly, bool validateRecords, unsigned long timeoutMs);

    HRESULT GetResult() const override { return m_result; }
    bool UsedBackup() const override { return m_usedBackup; }
    NResourceItem::CZRauto_ptr<IManifestContainer> GetContainer() const override;
    std::string GetHeaderText() const override { return m_headerText; }

  private:
    CZRManifestPersistReader(const std::string& path, bool headerOnly, bool validateRecords,
                             unsigned long timeoutMs);

    void _readWithRecovery(const std::string& path);
    HRESULT _readFromFile(const std::string& name);
    HRESULT _readAndValidateHeader(CBlockFile* file);
    HRESULT _readRecordsIntoSet(CBlockFile* file);
    // After a sharing violation: logs it and sleeps before the next try, or logs the time-out
    // and returns false once `start` (a tick count) lies more than the timeout back.
    bool _waitBeforeRetry(uint32_t start);
    // Takes the writers' lock, waiting for it as for a held file.
    HRESULT _lockForRestore(const std::string& lockPath,
                            std::unique_ptr<kitroster::IFileLock>* lock);
    // Whether the main file is no longer the one the last attempt read.
    bool _mainReplaced(const std::string& main);
    // Puts a copy of the backup in place of the main file; E_ACCESSDENIED for a backup
    // that is a symbolic link.
    HRESULT _restoreBackup(const ManifestNames& names);

    NResourceItem::CZRauto_ptr<CZRManifestContainer> m_container;
    HRESULT m_result = E_UNEXPECTED;
    unsigned long m_timeoutMs;
    bool m_headerOnly;
    bool m_validateRecords;
    bool m_usedBackup = false;
    std::string m_headerText;
    bool m_mainIsLink = false;
    kitroster::FileInfo m_mainInfo;  // the main file as the last attempt opened it
    uint64_t m_expectedRecords = 0;  // from the file's size, to size the record set once
};
