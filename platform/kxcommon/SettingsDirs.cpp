// Settings folders by study mode, below the settings root the catalogue uses too.
#include <string>

#include "platform/app/KitrosterApp.h"
#include "platform/kxcommon/KXCommon.h"
#include "platform/registry/Registry.h"

namespace {

constexpr int kSleepStudyMode = 11;
const char kLocalSettingsKey[] = "Software\\Corvent\\ZRSync\\LocalSettings";
const char kLocalRootValue[] = "LocalRoot";

}  // namespace

CString GetSettingsDirNameByStudyMode(int studyMode) {
    return CString(studyMode == kSleepStudyMode ? "SettingsSleep" : "SettingsGeneral");
}

CString ResolveSettingsRoot(bool writeBackMissing) {
    kitroster::CRegistry& registry = GetKitrosterApp().GetRegistry();
    std::string root;
    if (!registry.QueryString(kLocalSettingsKey, kLocalRootValue, &root)) {
        // A missing value is written back empty so that an administrator finds it; an
        // unavailable store ignores the write.
        if (writeBackMissing)
            registry.SetString(kLocalSettingsKey, kLocalRootValue, "");
        root.clear();
    }
    return root.empty() ? GetAppDir() : CString(std::move(root));
}

CString GetLocalAppSettingsDirByStudyMode(int studyMode) {
    std::string root = ResolveSettingsRoot(/*writeBackMissing=*/false).str();
    const char separator = root.find('\\') != std::string::npos ? '\\' : '/';
    if (root.back() != '\\' && root.back() != '/')
        root += separator;
    return CString(root + GetSettingsDirNameByStudyMode(studyMode).str() + separator);
}
