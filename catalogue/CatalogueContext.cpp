#include "catalogue/CatalogueContext.h"

#include <atomic>
#include <mutex>
#include <string>

#include "platform/app/KitrosterApp.h"
#include "platform/kxcommon/KXCommon.h"
#include "platform/registry/Registry.h"

namespace NResourceItem {

namespace {

constexpr const char* kSettingsKey = "Software\\Corvent\\ZRSync\\LocalSettings";
constexpr const char* kLocalRootValue = "LocalRoot";

std::mutex g_rootMutex;
CString g_rootOverride;  // guarded by g_rootMutex

}  // namespace

void SetSettingsRootOverride(const CString& root) {
    CString value = root;
    if (!value.IsEmpty()) {
        const char last = value.GetAt(value.GetLength() - 1);
        if (last != '\\' && last != '/')
            value += value.GetAt(0) == '/' ? '/' : '\\';
    }
    std::lock_guard<std::mutex> lock(g_rootMutex);
    g_rootOverride = value;
}

CString GetSettingsRoot() {
    {
        std::lock_guard<std::mutex> lock(g_rootMutex);
        if (!g_rootOverride.IsEmpty())
            return g_rootOverride;
    }
    kitroster::CRegistry& registry = GetKitrosterApp().GetRegistry();
    std::string root;
    if (!registry.QueryString(kSettingsKey, kLocalRootValue, &root)) {
        // A missing value is written back empty so that an administrator finds it; an
        // unavailable store ignores the write.
        registry.SetString(kSettingsKey, kLocalRootValue, "");
        root.clear();
    }
    if (root.empty())
        return GetAppDir();
    return CString(std::move(root));
}

CString GetCatalogueFolder() {
    return GetSettingsRoot() + "SettingsGeneral";
}

CString ResourceFileName(const CString& id) {
    return "_RES_" + id + ".zrr";
}

bool IsSafeResourceId(const CString& id) {
    if (id.IsEmpty() || id.Find("..") >= 0)
        return false;
    for (const char ch : id.str()) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte < 0x20 || byte == 0x7F)
            return false;
        switch (ch) {
            case '\\':
            case '/':
            case ':':
            case '*':
            case '?':
            case '"':
            case '<':
            case '>':
            case '|':
                return false;
            default:
                break;
        }
    }
    return true;
}

CString JoinCataloguePath(const CString& folder, const CString& fileName) {
    CString path = folder;
    path.TrimRight("\\/");
    if (!path.IsEmpty())
        path += '\\';
    path += fileName;
    return path;
}

}  // namespace NResourceItem
