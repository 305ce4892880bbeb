#include "catalogue/CatalogueContext.h"

#include <mutex>
#include <string>

#include "platform/kxcommon/KXCommon.h"
#include "platform/registry/Registry.h"

namespace NResourceItem {

namespace {

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
    return ResolveSettingsRoot(/*writeBackMissing=*/true);
}

CString GetCatalogueFolder() {
    const CString root = GetSettingsRoot();
    return root.IsEmpty() ? CString() : root + "SettingsGeneral";
}

bool CheckSettingsRoot(CString* problem) {
    problem->Empty();
    {
        std::lock_guard<std::mutex> lock(g_rootMutex);
        if (!g_rootOverride.IsEmpty())
            return true;
    }
    bool tooLong = false;
    ResolveSettingsRoot(/*writeBackMissing=*/true, &tooLong);
    if (!tooLong)
        return true;
    problem->Format(
        "the registry value LocalRoot under Software\\Corvent\\ZRSync\\LocalSettings "
        "is longer than %u characters and cannot be used as the settings root",
        static_cast<unsigned>(kitroster::CRegistry::kMaxStringRead));
    return false;
}

CString ResourceFileName(const CString& id) {
    return "_RES_" + id + ".zrr";
}

bool IsSafeResourceId(const CString& id) {
    // ".." needs no refusal: the file name is always "_RES_" + id + ".zrr", so dots can
    // never form a path component of their own.
    if (id.IsEmpty())
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
