#include "sync/manifest/ManifestReader.h"

#include <algorithm>

#include "platform/app/KitrosterApp.h"
#include "platform/env/Env.h"
#include "sync/ErrorMapping.h"
#include "sync/SyncLog.h"
#include "sync/TickElapsed.h"
#include "sync/manifest/BlockFile.h"
#include "sync/manifest/ManifestFiles.h"
#include "sync/manifest/ManifestNames.h"

using kitroster::Env;
using kitroster::EnvStatus;
using MANIFEST::FN::AssignFailedHRESULT;
using NResourceItem::CZRauto_ptr;

namespace {

constexpr const char* kModule = "ManifestImpl";
constexpr uint32_t kRetryDelayMs = 50;
// A main file found corrupt again after every new generation is given up on at last.
constexpr int kMaxReplacedWhileCorrupt = 8;

Env* GetEnv() {
    return GetKitrosterApp().GetEnv();
}

}  // namespace

CZRauto_ptr<CZRManifestPersistReader> CZRManifestPersistReader::CreateInstance(
    const std::string& path, bool headerOnly, bool validateRecords, unsigned long timeoutMs) {
    return CZRauto_ptr<CZRManifestPersistReader>(
        new CZRManifestPersistReader(path, headerOnly, validateRecords, timeoutMs));
}

CZRManifestPersistReader::CZRManifestPersistReader(const std::string& path, bool headerOnly,
                                                   bool validateRecords, unsigned long timeoutMs)
    : m_container(CZRManifestContainer::CreateInstance()),
      m_timeoutMs(timeoutMs),
      m_headerOnly(headerOnly),
      m_validateRecords(validateRecords) {
    _readWithRecovery(path);
}

CZRauto_ptr<IManifestContainer> CZRManifestPersistReader::GetContainer() const {
    return CZRauto_ptr<IManifestContainer>(m_container.get());
}

void CZRManifestPersistReader::_readWithRecovery(const std::string& path) {
    const ManifestNames names = DeriveManifestNames(path);
    Env* env = GetEnv();
    uint32_t start = env->GetTickCount();
    std::unique_ptr<kitroster::IFileLock> restoreLock;
    int replacedWhileCorrupt = 0;
    for (;;) {
        m_container = CZRManifestContainer::CreateInstance();
        m_result = _readFromFile(names.main);
        if (m_result == HRESULT_SHARING_VIOLATION) {
            if (!_waitBeforeRetry(start))
                return;
            continue;
        }
        if (SUCCEEDED(m_result)) {
            if (m_usedBackup) {
                ZRSYNC_LOG(kModule, ZRLOG_WARNING,
                           "CZRManifestPersistReader::readWithRecovery() - successfully "
                           "recovered from a corrupt primary manifest using secondary backup "
                           "(.VT2)! The most recently added record will most likely be "
                           "missing!");
            }
            return;
        }
        if (m_result == HRESULT_FILE_NOT_FOUND || m_result == HRESULT_PATH_NOT_FOUND) {
            ZRSYNC_LOG(kModule, ZRLOG_INFO,
                       "CZRManifestPersistReader::readWithRecovery() - manifest file not found: "
                       "%s",
                       names.main.c_str());
            return;
        }
        if (m_mainIsLink)
            return;
        if (m_result == ZRSYNC_E_INVALID_HEADER) {
            ZRSYNC_LOG(kModule, ZRLOG_INFO,
                       "CZRManifestPersistReader::readWithRecovery() - manifest file was found "
                       "to have an invalid header (schema?): %s",
                       names.main.c_str());
            return;
        }
        if (m_usedBackup) {
            ZRSYNC_LOG(kModule, ZRLOG_FAILURE,
                       "CZRManifestPersistReader::readWithRecovery() - BACKUP FILE WAS CORRUPT!");
            return;
        }
        if (!env->FileExists(names.backup)) {
            ZRSYNC_LOG(kModule, ZRLOG_FAILURE,
                       "CZRManifestPersistReader::readWithRecovery() - main manifest is corrupt "
                       "- no backup file detected for %s",
                       names.main.c_str());
            return;
        }
        ZRSYNC_LOG(kModule, ZRLOG_FAILURE,
                   "CZRManifestPersistReader::readWithRecovery() - main manifest is corrupt %s - "
                   "switching to backup file",
                   names.main.c_str());
        // A writer publishing meanwhile must not lose its generation to the restore: the
        // restore holds the writers' lock, until the re-read is done, and goes ahead only
        // while the main file is still the one found corrupt.
        if (HRESULT locked = _lockForRestore(names.lock, &restoreLock); FAILED(locked)) {
            if (locked == HRESULT_SHARING_VIOLATION) {
                m_result = locked;
            } else {
                ZRSYNC_LOG(kModule, ZRLOG_FAILURE,
                           "CZRManifestPersistReader::readWithRecovery() - main manifest is "
                           "corrupt - switching to backup file - FAILED TO COPY BACKUP FILE %s",
                           names.backup.c_str());
            }
            return;
        }
        if (_mainReplaced(names.main)) {
            // A writer published a new generation since: read that one.
            restoreLock.reset();
            if (++replacedWhileCorrupt > kMaxReplacedWhileCorrupt)
                return;
            continue;
        }
        if (HRESULT restored = _restoreBackup(names); FAILED(restored)) {
            ZRSYNC_LOG(kModule, ZRLOG_FAILURE,
                       "CZRManifestPersistReader::readWithRecovery() - main manifest is corrupt "
                       "- switching to backup file - FAILED TO COPY BACKUP FILE %s",
                       names.backup.c_str());
            if (restored == E_ACCESSDENIED)
                m_result = restored;
            return;
        }
        m_usedBackup = true;
        start = env->GetTickCount();
    }
}

HRESULT CZRManifestPersistReader::_lockForRestore(const std::string& lockPath,
                                                  std::unique_ptr<kitroster::IFileLock>* lock) {
    Env* env = GetEnv();
    const uint32_t start = env->GetTickCount();
    for (;;) {
        EnvStatus locked = env->LockFile(lockPath, lock);
        if (locked.ok())
            return S_OK;
        if (locked.error() != kitroster::kErrorLockViolation)
            return ZRSYNC::HResultFromEnv(locked);
        if (!_waitBeforeRetry(start))
            return HRESULT_SHARING_VIOLATION;
    }
}

bool CZRManifestPersistReader::_waitBeforeRetry(uint32_t start) {
    Env* env = GetEnv();
    ZRSYNC_LOG(kModule, ZRLOG_WARNING,
               "CZRManifestPersistReader::readWithRecovery() access denied - sleep / "
               "retry (timeout is %ld ms)",
               static_cast<long>(m_timeoutMs));
    if (ZRSYNC::TickElapsed(start, env->GetTickCount()) > m_timeoutMs) {
        ZRSYNC_LOG(kModule, ZRLOG_FAILURE,
                   "CZRManifestPersistReader::readWithRecovery() access denied - "
                   "TIMEOUT EXPIRED (timeout is %ld ms)",
                   static_cast<long>(m_timeoutMs));
        return false;
    }
    env->Sleep(kRetryDelayMs);
    return true;
}

bool CZRManifestPersistReader::_mainReplaced(const std::string& main) {
    kitroster::FileInfo now;
    if (!GetEnv()->GetFileInfo(main, &now).ok())
        return true;
    return now.fileId != m_mainInfo.fileId || now.size != m_mainInfo.size ||
           now.lastWriteTime != m_mainInfo.lastWriteTime;
}

HRESULT CZRManifestPersistReader::_restoreBackup(const ManifestNames& names) {
    Env* env = GetEnv();
    std::unique_ptr<kitroster::IFile> source;
    bool isLink = false;
    EnvStatus opened = OpenManifestForReading(
        env, names.backup, kitroster::kShareRead | kitroster::kShareDelete, &source, &isLink);
    if (isLink) {
        ZRSYNC_LOG(kModule, ZRLOG_FAILURE,
                   "CZRManifestPersistReader::readWithRecovery() - the backup file is a symbolic "
                   "link, not used: %s",
                   names.backup.c_str());
        return E_ACCESSDENIED;
    }
    // The copy is readable by no more accounts than the corrupt main file or the backup.
    kitroster::FileInfo like = m_mainInfo;
    kitroster::FileInfo backupInfo;
    if (opened.ok())
        opened = source->GetInfo(&backupInfo);
    like.mode &= backupInfo.mode;
    const bool modesKnown = m_mainInfo.mode != 0 && backupInfo.mode != 0;
    std::string contents;
    char buffer[64 * 1024];
    for (size_t got = 1; opened.ok() && got > 0;) {
        opened = source->Read(buffer, sizeof buffer, &got);
        contents.append(buffer, opened.ok() ? got : 0);
    }
    if (!opened.ok())
        return ZRSYNC::HResultFromEnv(opened);
    source->Close();

    // Copied to a sibling file first and renamed, so that the main name never names a
    // half-copied file.
    std::unique_ptr<kitroster::IFile> copy;
    EnvStatus copied = CreateWorkingFile(env, names.recovery, modesKnown ? &like : nullptr, &copy);
    if (copied.ok())
        copied = copy->Write(contents.data(), contents.size());
    if (copy) {
        EnvStatus closed = copy->Close();
        if (copied.ok())
            copied = closed;
    }
    if (copied.ok())
        copied = env->MoveFile(names.recovery, names.main, true);
    if (!copied.ok()) {
        env->DeleteFile(names.recovery);
        return ZRSYNC::HResultFromEnv(copied);
    }
    return S_OK;
}

HRESULT CZRManifestPersistReader::_readFromFile(const std::string& name) {
    const unsigned share =
        m_headerOnly ? (kitroster::kShareRead | kitroster::kShareWrite | kitroster::kShareDelete)
                     : (kitroster::kShareRead | kitroster::kShareDelete);
    std::unique_ptr<kitroster::IFile> handle;
    bool isLink = false;
    EnvStatus opened = OpenManifestForReading(GetEnv(), name, share, &handle, &isLink);
    if (isLink) {
        ZRSYNC_LOG(kModule, ZRLOG_FAILURE,
                   "CZRManifestPersistReader::readFromFile() - the manifest is a symbolic link, "
                   "not read: %s",
                   name.c_str());
        m_mainIsLink = true;
        return E_ACCESSDENIED;
    }
    if (!opened.ok()) {
        return AssignFailedHRESULT(opened,
                                   "CZRManifestPersistReader::readFromFile() - failed to fopen()");
    }
    m_mainInfo = kitroster::FileInfo();
    handle->GetInfo(&m_mainInfo);
    // The records are copied out of blocks of the buffer's default size, which stay in
    // the processor's cache: a buffer of the whole file would cost as much memory again
    // as the records, and another pass over it.
    uint64_t size = 0;
    if (!m_headerOnly)
        handle->GetSize(&size);
    m_expectedRecords =
        size > kManifestBlockSize ? (size - kManifestBlockSize) / kManifestBlockSize : 0;
    CBlockFile file(std::move(handle));
    HRESULT hr = _readAndValidateHeader(&file);
    if (SUCCEEDED(hr)) {
        hr = _readRecordsIntoSet(&file);
        if (SUCCEEDED(hr))
            m_container->GetRecordSet()->MoveFirst();
    }
    EnvStatus closed = file.Close();
    if (!closed.ok() && SUCCEEDED(hr)) {
        hr = AssignFailedHRESULT(closed,
                                 "CZRManifestPersistReader::readFromFile() - failed to fclose()");
    }
    return hr;
}

HRESULT CZRManifestPersistReader::_readAndValidateHeader(CBlockFile* file) {
    if (!file)
        return E_INVALIDARG;
    uint8_t block[kManifestBlockSize];
    if (!file->ReadBlock(block, sizeof block)) {
        if (file->IsError()) {
            return AssignFailedHRESULT(
                file->LastStatus(),
                "CZRManifestPersistReader::readAndValidateHeader() - failed to fread()");
        }
        return ZRSYNC_E_CORRUPT_DATA;
    }
    CManifestHdr header(block);
    m_container->SetHeader(header);
    m_headerText = header.GetText();
    return m_container->GetHeader().IsManifestHeader() ? S_OK : ZRSYNC_E_INVALID_HEADER;
}

HRESULT CZRManifestPersistReader::_readRecordsIntoSet(CBlockFile* file) {
    if (!file)
        return E_INVALIDARG;
    if (m_headerOnly)
        return S_OK;
    CZRauto_ptr<CZRManifestRecordSet> records = m_container->GetRecordSet();
    HRESULT hr = S_OK;
    uint8_t scratch[kManifestBlockSize];
    records->ReserveRecords(static_cast<size_t>(std::min<uint64_t>(m_expectedRecords, 1u << 20)));
    for (;;) {
        if (const uint8_t* block = file->NextBlock(scratch, sizeof scratch)) {
            if (m_validateRecords && !CManifestRecord::IsValidBlock(block)) {
                ZRSYNC_LOG(kModule, ZRLOG_FAILURE,
                           "CZRManifestPersistReader::readRecordsIntoSet() - found corrupt record "
                           "data in manifest file!");
                hr = ZRSYNC_E_CORRUPT_DATA;
                break;
            }
            // Records keep file order: each is appended at the end.
            records->AppendRecord(block);
            continue;
        }
        if (file->IsError()) {
            hr = AssignFailedHRESULT(
                file->LastStatus(),
                "CZRManifestPersistReader::readRecordsIntoSet() - failed to fread()");
        } else if (file->IsEof()) {
            hr = S_OK;  // a trailing partial record is dropped
        } else {
            hr = ZRSYNC_E_CORRUPT_DATA;
        }
        break;
    }
    records->MoveFirst();
    return hr;
}
