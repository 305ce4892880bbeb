#include "tests/video/VideoSandbox.h"

#include "catalogue/ResourceItemPersist.h"
#include "video/VideoResHelper.h"

namespace videotest {

using NResourceItem::CVideoResHelper;

CVideoSandbox::CVideoSandbox() : CTestSite("kitroster-video-") {
    ResetCaches();
}

CVideoSandbox::~CVideoSandbox() {
    ResetCaches();
}

void CVideoSandbox::WriteResource(const CString& id, const CString& type, const CString& conn,
                                  const CString& fileId, int schema) {
    std::string text = NResourceItem::CResourceItemPersistFactory::FormatResourceText(
        id, type, CString("Name of ") + id, conn, "");
    if (schema != 1000) {
        text.replace(text.find("{1000}"), 6, "{" + std::to_string(schema) + "}");
    }
    CString name = fileId.IsEmpty() ? id : fileId;
    WriteRaw("_RES_" + name.str() + ".zrr", text);
}

void CVideoSandbox::ResetCaches() {
    std::lock_guard<std::recursive_mutex> lock(CVideoResHelper::m_cs_ping);
    CVideoResHelper::m_resMap.clear();
    CVideoResHelper::m_pingMap.clear();
    CVideoResHelper::m_localHostMap.clear();
    CVideoResHelper::m_dwRefreshInterval_ms = 0;
}

int CVideoSandbox::CountLog(uint32_t level, const std::string& fragment) const {
    return static_cast<int>(m_log.Matching(fragment, level).size());
}

}  // namespace videotest
