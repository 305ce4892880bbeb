#include "tests/video/VideoSandbox.h"

#include <filesystem>
#include <fstream>

#include "catalogue/CatalogueContext.h"
#include "catalogue/ResourceItemPersist.h"
#include "platform/registry/Registry.h"
#include "video/VideoResHelper.h"

namespace videotest {

using NResourceItem::CVideoResHelper;

CVideoSandbox::CVideoSandbox() : m_dir("kitroster-video-") {
    std::filesystem::create_directories(m_dir.Path("SettingsGeneral"));
    kitroster::CRegistry::SetMachineLocation(m_dir.Path("registry.db"));
    NResourceItem::SetSettingsRootOverride(m_dir.path().c_str());
    NResourceItem::SetCatalogueEnv(&m_env);
    NResourceItem::SetVideoEnv(&m_env);
    NResourceItem::SetVideoPingFunction([this](const char* host, int wait) {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_pings;
        m_pinged.push_back(std::string(host) + "/" + std::to_string(wait));
        return m_reachable.count(host) > 0;
    });
    ResetCaches();
}

CVideoSandbox::~CVideoSandbox() {
    ResetCaches();
    NResourceItem::SetVideoPingFunction({});
    NResourceItem::SetVideoEnv(nullptr);
    NResourceItem::SetCatalogueEnv(nullptr);
    NResourceItem::SetSettingsRootOverride("");
}

void CVideoSandbox::WriteResource(const CString& id, const CString& type, const CString& conn,
                                  const CString& fileId, int schema) {
    std::string text = NResourceItem::CResourceItemPersistFactory::FormatResourceText(
        id, type, CString("Name of ") + id, conn, "");
    if (schema != 1000) {
        text.replace(text.find("{1000}"), 6, "{" + std::to_string(schema) + "}");
    }
    CString name = fileId.IsEmpty() ? id : fileId;
    std::ofstream out(m_dir.Path("SettingsGeneral/_RES_" + name.str() + ".zrr"), std::ios::binary);
    out << text;
}

void CVideoSandbox::ResetCaches() {
    std::lock_guard<std::recursive_mutex> lock(CVideoResHelper::m_cs_ping);
    CVideoResHelper::m_resMap.clear();
    CVideoResHelper::m_pingMap.clear();
    CVideoResHelper::m_localHostMap.clear();
    CVideoResHelper::m_dwRefreshInterval_ms = 0;
}

std::vector<std::string> CVideoSandbox::PingedHosts() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pinged;
}

int CVideoSandbox::CountLog(uint32_t level, const std::string& fragment) const {
    return static_cast<int>(m_log.Matching(fragment, level).size());
}

}  // namespace videotest
