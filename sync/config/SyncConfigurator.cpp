#include "sync/config/SyncConfigurator.h"

#include "catalogue/CatalogueContext.h"
#include "common/SplitPath.h"
#include "platform/app/KitrosterApp.h"
#include "platform/env/Env.h"
#include "platform/kxcommon/KXCommon.h"
#include "platform/registry/Registry.h"
#include "sync/SyncLog.h"
#include "sync/config/SyncRegistry.h"

namespace ZRSYNC {

using NResourceItem::CZRauto_ptr;

namespace {

constexpr const char* kModule = "SyncConfigurator";
constexpr const char* kDummy = "dummy.txt";

std::string FolderFile(const std::string& folder) {
    return SplitPath(folder.c_str(), kDummy).GetFullPath().GetString();
}
std::string FolderOf(const std::string& path) {
    return SplitPath(path.c_str()).GetFolder().GetString();
}
bool IsUncPath(const std::string& path) {
    return SplitPath(path.c_str()).IsUNC();
}
std::string ManifestPath(const std::string& root, const std::string& fileName) {
    SplitPath joined(root.c_str(), fileName.c_str());
    return SplitPath(joined.GetFolder(), joined.GetTitle(), "mfs").GetFullPath().GetString();
}

}  // namespace

std::string CSyncConfigurator::LocalSettingsRoot() {
    // One resolution for every reader, so that an override of the root (--root) reaches
    // the synchronisation's folders as it reaches the catalogue's.
    std::string root = NResourceItem::GetSettingsRoot().str();
    if (!root.empty() && root.back() != '\\' && root.back() != '/')
        root += root.find('\\') != std::string::npos ? '\\' : '/';
    return root;
}

void CSyncConfigurator::_readCentralRoot() {
    const std::string root = GetCommonSettingsUncRoot();
    m_centralRoot = IsUncPath(root) ? FolderFile(root) : std::string();
}

CZRauto_ptr<CSyncConfigurator> CSyncConfigurator::CreateInstance(const std::string& name) {
    CZRauto_ptr<CSyncConfigurator> c(new CSyncConfigurator);
    c->_readCentralRoot();
    c->m_name = name;
    if (!name.empty()) {
        const std::string root = LocalSettingsRoot();
        c->m_localManifestPath = ManifestPath(root, name + "_manifest.txt");
        c->m_localDir = FolderFile(root + name);
        const std::string central =
            c->m_centralRoot.empty() ? root + name : FolderOf(c->m_centralRoot) + "\\" + name;
        c->set_CentralDir(central);
    }
    return c;
}

CZRauto_ptr<CSyncConfigurator> CSyncConfigurator::CreateForStudyMode(uint32_t studyMode) {
    CZRauto_ptr<CSyncConfigurator> c(new CSyncConfigurator);
    c->_readCentralRoot();
    c->m_studyMode = studyMode;
    const std::string root = LocalSettingsRoot();
    const int mode = static_cast<int>(studyMode);
    c->m_localManifestPath = ManifestPath(
        root, studyMode == 11 ? "SettingsSleep_manifest.txt" : "Settings_manifest.txt");
    c->m_localDir = FolderFile(root + GetSettingsDirNameByStudyMode(mode).GetString());
    const std::string dirName = GetSettingsDirNameByStudyMode(mode).GetString();
    const std::string central =
        c->m_centralRoot.empty() ? root + dirName : FolderOf(c->m_centralRoot) + "\\" + dirName;
    c->set_CentralDir(central);
    return c;
}

void CSyncConfigurator::set_CentralDir(const std::string& path) {
    m_centralDir = FolderFile(path);
    SplitPath split(path.c_str());
    if (!split.IsUNC()) {
        m_centralServer.clear();
        return;
    }
    const std::string server = split.GetServer().GetString();
    if (!m_centralServer.empty() && CString(m_centralServer).CompareNoCase(server.c_str()) != 0) {
        ZRSYNC_LOG(kModule, ZRLOG_WARNING,
                   "CSyncConfigurator::set_CentralDir() specified server name (%s) does not "
                   "correspond to the UNC path name (%s)!",
                   m_centralServer.c_str(), server.c_str());
    }
    m_centralServer = server;
}

std::string CSyncConfigurator::localDir() const {
    return FolderOf(m_localDir);
}
std::string CSyncConfigurator::centralDir() const {
    return FolderOf(m_centralDir);
}
std::string CSyncConfigurator::centralRoot() const {
    return FolderOf(m_centralRoot);
}
std::string CSyncConfigurator::getCentralServer() const {
    return GetCentralServer();
}

CZRauto_ptr<ICaptureCredentials> CSyncConfigurator::get_CentralRespositoryCredentials(
    int mode) const {
    ZRSYNC_LOG(kModule, ZRLOG_INFO, "CSyncConfigurator::get_CentralRespositoryCredentials(%d)",
               mode);
    std::string user;
    std::string password;
    GetShareCredentials(&user, &password);
    const bool isShareUser =
        CString(GetKitrosterApp().GetIdentity().GetUserName()).CompareNoCase(user.c_str()) == 0;
    if (mode == 1 || (mode == 0 && !isShareUser && !isRunningUnderSystemAccount())) {
        ZRSYNC_LOG(kModule, ZRLOG_INFO,
                   "CSyncConfigurator::get_CentralRespositoryCredentials() returning "
                   "ITransactionCredentialsPtr based upon PID");
        return CCaptureCredentials::FromProcess(
            static_cast<int32_t>(GetKitrosterApp().GetEnv()->GetProcessId()));
    }
    ZRSYNC_LOG(kModule, ZRLOG_INFO,
               "CSyncConfigurator::get_CentralRespositoryCredentials() returning "
               "ITransactionCredentialsPtr based upon username [%s]",
               user.c_str());
    return CCaptureCredentials::FromLogin(user, password);
}

bool CSyncConfigurator::isCacheEnabled() const {
    return IsCommonSettingsCacheEnabled();
}
bool CSyncConfigurator::isDownloadOnly() const {
    return m_studyMode == 0 ? IsCacheDownloadOnlyForCustomFoldersEnabled()
                            : IsCacheDownloadOnlyEnabled();
}
bool CSyncConfigurator::isBackupEnabled() const {
    return IsCacheBackupEnabled();
}
bool CSyncConfigurator::isBackgroundScanningEnabled() const {
    return IsBackgroundScanningEnabled();
}
bool CSyncConfigurator::isSessionLockingEnabled() const {
    return IsCacheSessionLockingEnabled();
}
uint32_t CSyncConfigurator::getBackgroundScanningFrequency() const {
    return GetBackgroundScanningFrequencyInSeconds();
}

bool CSyncConfigurator::isRunningUnderSystemAccount() const {
    kitroster::IIdentity& identity = GetKitrosterApp().GetIdentity();
    const std::string user = identity.GetUserName();
    if (user.empty()) {
        ZRSYNC_LOG(kModule, ZRLOG_INFO,
                   "CSyncConfigurator::isRunningUnderSystemAccount() failed to determine "
                   "username!!!");
        return false;
    }
    ZRSYNC_LOG(kModule, ZRLOG_INFO,
               "CSyncConfigurator::isRunningUnderSystemAccount() determines username is %s",
               user.c_str());
    return identity.GetUserId() == 0;
}

bool CSyncConfigurator::isCentralRepositoryRemote() const {
    // A central folder that is not a UNC path has no server, so it counts as local; a UNC
    // path is always on a network drive.
    return !IsLocalMachineName(m_centralServer) && IsUncPath(m_centralDir);
}

bool CSyncConfigurator::isCentralDirSameAsLocalDir() const {
    return CString(centralDir()).CompareNoCase(localDir().c_str()) == 0;
}

HRESULT CSyncConfigurator::createDirectoriesAsNeeded() {
    _clearError();
    SplitPath local(m_localDir.c_str());
    if (!local.CreateFolder()) {
        CZRException error(
            ZRSYNC_E_CREATE_DIRECTORY,
            CZRLogManager::FormatStr("CSyncConfigurator::createDirectoriesAsNeeded() "
                                     "- failed to create local directory %s",
                                     localDir().c_str()),
            kModule, __LINE__);
        _setError(error);
        throw error;
    }
    SplitPath central(m_centralDir.c_str());
    if (!central.CreateFolder()) {
        CZRException error(
            ZRSYNC_E_CREATE_DIRECTORY,
            CZRLogManager::FormatStr("CSyncConfigurator::createDirectoriesAsNeeded() "
                                     "- failed to create central directory %s",
                                     centralDir().c_str()),
            kModule, __LINE__);
        _setError(error);
        throw error;
    }
    return S_OK;
}

}  // namespace ZRSYNC
