#include "sync/manifest/ManifestWriter.h"

#include "platform/app/KitrosterApp.h"
#include "platform/env/Env.h"
#include "sync/ErrorMapping.h"
#include "sync/SyncLog.h"
#include "sync/TickElapsed.h"
#include "sync/manifest/BlockFile.h"
#include "sync/manifest/ManifestFiles.h"
#include "sync/manifest/ManifestNames.h"
#include "sync/manifest/ManifestRecordSet.h"

using kitroster::Env;
using kitroster::EnvStatus;
using MANIFEST::FN::AssignFailedHRESULT;
using NResourceItem::CZRauto_ptr;

namespace {

constexpr const char* kModule = "ManifestImpl";
constexpr uint32_t kRetryDelayMs = 50;

Env* GetEnv() {
    return GetKitrosterApp().GetEnv();
}

bool IsNotFound(const EnvStatus& s) {
    return s.error() == kitroster::kErrorFileNotFound || s.error() == kitroster::kErrorPathNotFound;
}

}  // namespace

CZRauto_ptr<CZRManifestPersistWriter> CZRManifestPersistWriter::CreateInstance(
    const std::string& path, const char* headerText,
    CZRauto_ptr<IZRRecordSet<CManifestRecord>> records, unsigned long acceptNoRecords, bool commit,
    unsigned long timeoutMs) {
    return CZRauto_ptr<CZRManifestPersistWriter>(new CZRManifestPersistWriter(
        path, headerText, std::move(records), acceptNoRecords, commit, timeoutMs));
}

CZRManifestPersistWriter::CZRManifestPersistWriter(
    const std::string& path, const char* headerText,
    CZRauto_ptr<IZRRecordSet<CManifestRecord>> records, unsigned long acceptNoRecords, bool commit,
    unsigned long timeoutMs)
    : m_timeoutMs(timeoutMs), m_acceptNoRecords(acceptNoRecords), m_commit(commit) {
    if (m_commit) {
        ZRSYNC_LOG(kModule, ZRLOG_INFO,
                   "CZRManifestPersistWriter::CZRManifestPersistWriter() - 'commit' variant in "
                   "use");
    }
    Env* env = GetEnv();
    const uint32_t start = env->GetTickCount();
    m_result = _writeToFile(path, headerText, records.get());
    while (m_result == HRESULT_SHARING_VIOLATION) {
        ZRSYNC_LOG(kModule, ZRLOG_WARNING,
                   "CZRManifestPersistWriter::CZRManifestPersistWriter() access denied - sleep / "
                   "retry (timeout is %ld ms)",
                   static_cast<long>(m_timeoutMs));
        if (ZRSYNC::TickElapsed(start, env->GetTickCount()) > m_timeoutMs) {
            ZRSYNC_LOG(kModule, ZRLOG_FAILURE,
                       "CZRManifestPersistWriter::CZRManifestPersistWriter() access denied - "
                       "TIMEOUT EXPIRED (timeout is %ld ms)",
                       static_cast<long>(m_timeoutMs));
            return;
        }
        env->Sleep(kRetryDelayMs);
        m_result = _writeToFile(path, headerText, records.get());
    }
}

HRESULT CZRManifestPersistWriter::_writeToFile(const std::string& path, const char* headerText,
                                               IZRRecordSet<CManifestRecord>* records) {
    if (!records)
        return E_POINTER;
    Env* env = GetEnv();
    ManifestNames names = DeriveManifestNames(path);
    // The writer replaces exactly the file it was given; the other names follow its folder
    // and base name.
    names.main = path;
    if (IsManifestWorkingName(path)) {
        ZRSYNC_LOG(kModule, ZRLOG_FAILURE,
                   "CZRManifestPersistWriter::writeToFile() - refusing a working file name as "
                   "the manifest: %s",
                   path.c_str());
        return E_INVALIDARG;
    }
    // Writers take turns: a second writer waits (the retry of the constructor) instead of
    // meeting the first one's working files half way.
    std::unique_ptr<kitroster::IFileLock> lock;
    if (EnvStatus locked = env->LockFile(names.lock, &lock); !locked.ok()) {
        if (locked.error() == kitroster::kErrorLockViolation)
            return HRESULT_SHARING_VIOLATION;
        return AssignFailedHRESULT(
            locked, "CZRManifestPersistWriter::writeToFile() - failed to open file for writing");
    }
    kitroster::FileInfo mainInfo;
    bool haveMain = false;
    if (HRESULT inspected = _inspectMain(names.main, &mainInfo, &haveMain); FAILED(inspected))
        return inspected;

    std::unique_ptr<kitroster::IFile> handle;
    EnvStatus opened =
        CreateWorkingFile(env, names.temporary, haveMain ? &mainInfo : nullptr, &handle);
    if (!opened.ok()) {
        return AssignFailedHRESULT(
            opened, "CZRManifestPersistWriter::writeToFile() - failed to open file for writing");
    }
    CBlockFile file(std::move(handle));
    HRESULT hr = _writeHeader(&file, headerText);
    if (SUCCEEDED(hr))
        hr = _writeSet(&file, records);
    if (m_commit && SUCCEEDED(hr)) {
        if (EnvStatus synced = file.Sync(); !synced.ok()) {
            hr = AssignFailedHRESULT(synced,
                                     "CZRManifestPersistWriter::writeToFile() - failed to "
                                     "_commit()");
        }
    }

    const bool publish =
        hr == S_OK || (hr == S_FALSE && (m_acceptNoRecords == 1 || records->IsEmpty()));
    bool published = false;
    if (publish) {
        HRESULT result = _publish(names, haveMain, &published);
        if (FAILED(result))
            hr = result;
    }
    // Closed only now: while open, the temporary file is locked against other writers.
    EnvStatus closed = file.Close();
    if (!closed.ok()) {
        if (published) {
            // The data was handed over in full before publishing; the new generation stands.
            ZRSYNC_LOG(kModule, ZRLOG_WARNING,
                       "CZRManifestPersistWriter::writeToFile() - failed to fclose() after "
                       "publishing (0x%lx)",
                       static_cast<unsigned long>(ZRSYNC::HResultFromEnv(closed)));
        } else if (SUCCEEDED(hr)) {
            hr = AssignFailedHRESULT(closed,
                                     "CZRManifestPersistWriter::writeToFile() - failed to "
                                     "fclose()");
        }
    }
    if (!published)
        env->DeleteFile(names.temporary);
    return hr;
}

HRESULT CZRManifestPersistWriter::_inspectMain(const std::string& main, kitroster::FileInfo* info,
                                               bool* present) {
    Env* env = GetEnv();
    std::unique_ptr<kitroster::IFile> file;
    bool isLink = false;
    EnvStatus opened = OpenManifestForReading(
        env, main, kitroster::kShareRead | kitroster::kShareWrite | kitroster::kShareDelete, &file,
        &isLink);
    // Only "not found" means the main file is absent: a failed test of an existing file
    // must not cost the backup.
    if (IsNotFound(opened))
        return S_OK;
    if (isLink) {
        // Made the backup, a link would later be copied, with its target's contents, into
        // the main file.
        ZRSYNC_LOG(kModule, ZRLOG_FAILURE,
                   "CZRManifestPersistWriter::writeToFile() - the manifest is a symbolic link, "
                   "not replaced: %s",
                   main.c_str());
        return E_ACCESSDENIED;
    }
    if (opened.error() == kitroster::kErrorSharingViolation)
        return HRESULT_SHARING_VIOLATION;
    if (opened.ok())
        opened = file->GetInfo(info);
    if (!opened.ok()) {
        return AssignFailedHRESULT(
            opened, "CZRManifestPersistWriter::writeToFile() - failed to open file for writing");
    }
    *present = true;
    return S_OK;
}

HRESULT CZRManifestPersistWriter::_publish(const ManifestNames& names, bool haveMain,
                                           bool* published) {
    Env* env = GetEnv();
    if (haveMain) {
        // A second name left by a writer that died here is stale.
        env->DeleteFile(names.link);
        EnvStatus linked = env->LinkFile(names.main, names.link);
        if (!linked.ok() && LinksUnsupported(linked))
            return _publishByRenames(names, published);
        if (!linked.ok())
            return HRESULT_SHARING_VIOLATION;
        if (EnvStatus moved = env->MoveFile(names.link, names.backup, true); !moved.ok()) {
            env->DeleteFile(names.link);
            return AssignFailedHRESULT(
                moved, "CZRManifestPersistWriter::writeToFile() - failed to remove oldPath");
        }
    } else if (EnvStatus removed = env->DeleteFile(names.backup);
               !removed.ok() && !IsNotFound(removed)) {
        return AssignFailedHRESULT(
            removed, "CZRManifestPersistWriter::writeToFile() - failed to remove oldPath");
    }
    if (EnvStatus renamed = env->MoveFile(names.temporary, names.main, true); !renamed.ok()) {
        // The main file was never moved away, so the previous generation is still in place.
        return AssignFailedHRESULT(
            renamed, "CZRManifestPersistWriter::writeToFile() - failed to rename tmpPath");
    }
    *published = true;
    return _syncFolder(names);
}

HRESULT CZRManifestPersistWriter::_publishByRenames(const ManifestNames& names, bool* published) {
    Env* env = GetEnv();
    // Without second names the main file becomes the backup by a rename, and the main
    // name is absent until the temporary file takes it.
    if (!env->MoveFile(names.main, names.backup, true).ok())
        return HRESULT_SHARING_VIOLATION;
    if (EnvStatus renamed = env->MoveFile(names.temporary, names.main, true); !renamed.ok()) {
        HRESULT hr = AssignFailedHRESULT(
            renamed, "CZRManifestPersistWriter::writeToFile() - failed to rename tmpPath");
        if (!env->MoveFile(names.backup, names.main, false).ok()) {
            ZRSYNC_LOG(kModule, ZRLOG_FAILURE,
                       "CZRManifestPersistWriter::writeToFile() - fatal fault attempting to "
                       "recovery previous manifest file!");
        }
        return hr;
    }
    *published = true;
    return _syncFolder(names);
}

HRESULT CZRManifestPersistWriter::_syncFolder(const ManifestNames& names) {
    // Only the commit variant forces data to disk; syncing the folder without the file
    // would make a name durable whose contents may not be.
    if (!m_commit)
        return S_OK;
    if (EnvStatus synced = GetEnv()->SyncDirectory(names.folder); !synced.ok()) {
        return AssignFailedHRESULT(
            synced, "CZRManifestPersistWriter::writeToFile() - failed to sync the folder");
    }
    return S_OK;
}

HRESULT CZRManifestPersistWriter::_writeHeader(CBlockFile* file, const char* headerText) {
    if (!file)
        return E_POINTER;
    CManifestHdr header(headerText);
    if (!file->WriteBlock(header.Payload(), kManifestBlockSize)) {
        return AssignFailedHRESULT(file->LastStatus(),
                                   "CZRManifestPersistWriter::writeHeader() - could not write the "
                                   "required number of bytes");
    }
    if (!file->Flush()) {
        return AssignFailedHRESULT(file->LastStatus(),
                                   "CZRManifestPersistWriter::writeHeader( - failed to fflush()");
    }
    return S_OK;
}

HRESULT CZRManifestPersistWriter::_writeSet(CBlockFile* file,
                                            IZRRecordSet<CManifestRecord>* records) {
    if (!file || !records)
        return E_POINTER;
    HRESULT hr = S_FALSE;
    // The manifest's own record set hands its records over without a copy each; the
    // cursor ends at the end position as the general walk leaves it.
    if (auto* own = dynamic_cast<CZRManifestRecordSet*>(records)) {
        for (const CManifestRecord& record : own->Records()) {
            if (!file->WriteBlock(record.Payload(), kManifestBlockSize)) {
                hr = AssignFailedHRESULT(file->LastStatus(),
                                         "CZRManifestPersistWriter::writeSet() - could not write "
                                         "the required number of bytes");
                break;
            }
            hr = S_OK;
        }
        own->MoveEnd();
    } else {
        for (records->MoveFirst(); !records->IsEOF(); records->MoveNext()) {
            CManifestRecord record = records->GetCurrent();
            if (!file->WriteBlock(record.Payload(), kManifestBlockSize)) {
                hr = AssignFailedHRESULT(
                    file->LastStatus(),
                    "CZRManifestPersistWriter::writeSet() - could not write the "
                    "required number of bytes");
                break;
            }
            hr = S_OK;
        }
    }
    if (!file->Flush() && SUCCEEDED(hr)) {
        hr = AssignFailedHRESULT(file->LastStatus(),
                                 "CZRManifestPersistWriter::writeSet() - failed to fflush()");
    }
    return hr;
}
