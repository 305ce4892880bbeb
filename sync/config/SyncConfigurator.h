// CSyncConfigurator: for one settings category, where its local manifest, local folder
// and central folder are, which server holds the central repository, and the questions
// the synchronisation asks before it runs.
//
// Folders are kept as paths of a file "dummy.txt" inside them, so that their folder part
// can be taken. The local settings folder is the settings root as the catalogue resolves
// it (NResourceItem::GetSettingsRoot): the --root override when one is set, else the
// registry value "LocalRoot" under "Software\Corvent\ZRSync\LocalSettings", else the
// application folder.
// Thread-safety: one thread at a time.
#pragma once

#include "base/KitrosterExport.h"

#include <cstdint>
#include <string>

#include "catalogue/ZRunknown.h"
#include "sync/SyncResult.h"
#include "sync/config/CaptureCredentials.h"
#include "sync/config/ZRException.h"

namespace ZRSYNC {

class CMachineMgrModel;

// Whether isCentralRepositoryAvailable runs the share access test, and on what.
struct CentralAccessTest {
    bool run = false;
    CMachineMgrModel* model = nullptr;
};

class ISyncConfigurator {
  public:
    virtual std::string localManifestPath() const = 0;
    virtual std::string localDir() const = 0;
    virtual std::string centralDir() const = 0;
    virtual std::string centralRoot() const = 0;
    virtual std::string centralServerName() const = 0;
    virtual std::string getCentralServer() const = 0;
    virtual std::string getName() const = 0;
    virtual uint32_t getStudyMode() const = 0;
    virtual NResourceItem::CZRauto_ptr<ICaptureCredentials> get_CentralRespositoryCredentials(
        int mode) const = 0;
    virtual bool isCacheEnabled() const = 0;
    virtual bool isDownloadOnly() const = 0;
    virtual bool isBackupEnabled() const = 0;
    virtual bool isBackgroundScanningEnabled() const = 0;
    virtual bool isSessionLockingEnabled() const = 0;
    virtual uint32_t getBackgroundScanningFrequency() const = 0;
    virtual bool isRunningUnderSystemAccount() const = 0;
    virtual bool isCentralRepositoryAvailable(const CentralAccessTest& accessTest) const = 0;
    virtual bool isCentralRepositoryRemote() const = 0;
    virtual bool isCentralDirSameAsLocalDir() const = 0;
    virtual bool isCentralRepositoryClockSynchronized(HRESULT* result) const = 0;
    virtual HRESULT createDirectoriesAsNeeded() = 0;
    virtual void setUserFlag(bool flag) = 0;
    virtual bool getUserFlag() const = 0;

  protected:
    ~ISyncConfigurator() = default;
};

class KITROSTER_API CSyncConfigurator : public NResourceItem::CZRunknown,
                                        public CZRbase_unk,
                                        public ISyncConfigurator {
  public:
    // For a folder name below the settings root.
    static NResourceItem::CZRauto_ptr<CSyncConfigurator> CreateInstance(const std::string& name);
    // For a study mode (11: the sleep-study settings).
    static NResourceItem::CZRauto_ptr<CSyncConfigurator> CreateForStudyMode(uint32_t studyMode);

    std::string localManifestPath() const override { return m_localManifestPath; }
    std::string localDir() const override;
    std::string centralDir() const override;
    std::string centralRoot() const override;
    std::string centralServerName() const override { return m_centralServer; }
    std::string getCentralServer() const override;
    std::string getName() const override { return m_name; }
    uint32_t getStudyMode() const override { return m_studyMode; }
    NResourceItem::CZRauto_ptr<ICaptureCredentials> get_CentralRespositoryCredentials(
        int mode) const override;
    bool isCacheEnabled() const override;
    bool isDownloadOnly() const override;
    bool isBackupEnabled() const override;
    bool isBackgroundScanningEnabled() const override;
    bool isSessionLockingEnabled() const override;
    uint32_t getBackgroundScanningFrequency() const override;
    bool isRunningUnderSystemAccount() const override;
    bool isCentralRepositoryAvailable(const CentralAccessTest& accessTest) const override;
    bool isCentralRepositoryRemote() const override;
    bool isCentralDirSameAsLocalDir() const override;
    bool isCentralRepositoryClockSynchronized(HRESULT* result) const override;
    // Creates the local, then the central folder with their parents; throws CZRException
    // (0x80041008) naming the folder that could not be created.
    HRESULT createDirectoriesAsNeeded() override;
    void setUserFlag(bool flag) override { m_userFlag = flag; }
    bool getUserFlag() const override { return m_userFlag; }

    // Sets the central folder; the central server follows its UNC server part.
    void set_CentralDir(const std::string& path);

    // The settings root with a trailing separator.
    static std::string LocalSettingsRoot();

  private:
    CSyncConfigurator() = default;
    void _readCentralRoot();

    std::string m_localManifestPath;
    std::string m_localDir;
    std::string m_centralDir;
    std::string m_centralRoot;
    std::string m_centralServer;
    std::string m_name;
    uint32_t m_studyMode = 0;
    bool m_userFlag = true;
};

}  // namespace ZRSYNC
