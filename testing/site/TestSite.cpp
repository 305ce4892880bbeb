#include "testing/site/TestSite.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "catalogue/CatalogueContext.h"

namespace kitroster::testing {

CTestSite::CTestSite(const std::string& prefix)
    : m_dir(prefix, /*preferTmpfs=*/true), m_registry(m_dir.Path("registry.db")) {
    std::filesystem::create_directories(folder());
    AppServices services;
    services.env = &m_env;
    services.registry = &m_registry;
    services.identity = &m_identity;
    services.ping = [this](const char* host, int waitMs) { return _ping(host, waitMs); };
    m_override = std::make_unique<CAppServicesOverride>(std::move(services));
    NResourceItem::SetSettingsRootOverride(root().c_str());
}

CTestSite::~CTestSite() {
    NResourceItem::SetSettingsRootOverride("");
    m_override.reset();
}

void CTestSite::WriteRaw(const std::string& name, const std::string& contents) const {
    std::filesystem::create_directories(folder());
    std::ofstream out(FileIn(name), std::ios::binary | std::ios::trunc);
    out << contents;
}

std::string CTestSite::ReadRaw(const std::string& name) const {
    std::ifstream in(FileIn(name), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool CTestSite::Exists(const std::string& name) const {
    std::error_code ec;
    return std::filesystem::exists(FileIn(name), ec);
}

std::vector<std::string> CTestSite::Entries() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder(), ec))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string CTestSite::ResourceText(const std::string& id, const std::string& type,
                                    const std::string& conn, int schema, const std::string& name) {
    return "<SCMA> {" + std::to_string(schema) + "}\r\n<ID> {" + id + "}\r\n<TYPE> {" + type +
           "}\r\n<NAME> {" + name + "}\r\n<CONN> {" + conn + "}\r\n<CAPS> {}\r\n";
}

void CTestSite::SetReachable(const std::string& host) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_reachable.insert(host);
}

std::vector<std::string> CTestSite::PingedHosts() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pinged;
}

bool CTestSite::_ping(const char* host, int waitMs) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_pings;
    m_pinged.push_back(std::string(host) + "/" + std::to_string(waitMs));
    return m_reachable.count(host) > 0;
}

}  // namespace kitroster::testing
