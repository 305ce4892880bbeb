#include "sync/manifest/ManifestReader.h"

#include <algorithm>

#include "platform/app/KitrosterApp.h"
#include "platform/env/Env.h"
#include "sync/ErrorMapping.h"
#include "sync/SyncLog.h"
#include "sync/TickElapsed.h"
#include "sync/manifest/BlockFile.h"
#include "sync/manifest/ManifestNames.h"

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
    for (;;) {
        m_container = CZRManifestContainer::CreateInstance();
        m_result = _readFromFile(names.main);
        if (m_result == HRESULT_SHARING_VIOLATION) {
            ZRSYNC_LOG(kModule, ZRLOG_WARNING,
                       "CZRManifestPersistReader::readWithRecovery() access denied - sleep / "
                       "retry (timeout is %ld ms)",
                       static_cast<long>(m_timeoutMs));
            if (ZRSYNC::TickElapsed(start, env->GetTickCount()) > m_timeoutMs) {
                ZRSYNC_LOG(kModule, ZRLOG_FAILURE,
                           "CZRManifestPersistReader::readWithRecovery() access denied - "
                           "TIMEOUT EXPIRED (timeout is %ld ms)",
                           static_cast<long>(m_timeoutMs));
                return;
            }
            env->Sleep(kRetryDelayMs);
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
        if (!_restoreBackup(names.backup, names.recovery, names.main)) {
            ZRSYNC_LOG(kModule, ZRLOG_FAILURE,
                       "CZRManifestPersistReader::readWithRecovery() - main manifest is corrupt "
                       "- switching to backup file - FAILED TO COPY BACKUP FILE %s",
                       names.backup.c_str());
            return;
        }
        m_usedBackup = true;
        start = env->GetTickCount();
    }
}

bool CZRManifestPersistReader::_restoreBackup(const std::string& backup,
                                              const std::string& recovery,
                                              const std::string& main) {
    Env* env = GetEnv();
    std::string contents;
    if (!env->ReadFileToString(backup, &contents).ok())
        return false;
    if (!env->WriteStringToFile(recovery, contents).ok()) {
        env->DeleteFile(recovery);
        return false;
    }
    if (!env->MoveFile(recovery, main, true).ok()) {
        env->DeleteFile(recovery);
        return false;
    }
    return true;
}

HRESULT CZRManifestPersistReader::_readFromFile(const std::string& name) {
    kitroster::OpenOptions options;
    options.access = kitroster::kAccessRead;
    options.share = m_headerOnly
                        ? (kitroster::kShareRead | kitroster::kShareWrite | kitroster::kShareDelete)
                        : (kitroster::kShareRead | kitroster::kShareDelete);
    options.disposition = kitroster::FileDisposition::kOpenExisting;
    std::unique_ptr<kitroster::IFile> handle;
    EnvStatus opened = GetEnv()->OpenFile(name, options, &handle);
    if (!opened.ok()) {
        return AssignFailedHRESULT(opened,
                                   "CZRManifestPersistReader::readFromFile() - failed to fopen()");
    }
    // A buffer for the whole file (up to 64 MiB) makes the read one system call.
    constexpr uint64_t kMaxBuffer = 64ull * 1024 * 1024;
    uint64_t size = 0;
    size_t bufferSize = 0;
    if (!m_headerOnly && handle->GetSize(&size).ok())
        bufferSize = static_cast<size_t>(std::min<uint64_t>(size + 1, kMaxBuffer));
    if (bufferSize < 64 * 1024)
        bufferSize = 0;
    m_expectedRecords =
        size > kManifestBlockSize ? (size - kManifestBlockSize) / kManifestBlockSize : 0;
    CBlockFile file(std::move(handle), bufferSize);
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
            // Records keep file order: each is appended at the end.
            records->AppendRecord(block);
            if (m_validateRecords && !records->Records().back().IsValid()) {
                ZRSYNC_LOG(kModule, ZRLOG_FAILURE,
                           "CZRManifestPersistReader::readRecordsIntoSet() - found corrupt record "
                           "data in manifest file!");
                hr = ZRSYNC_E_CORRUPT_DATA;
                break;
            }
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
