// Settings folders by study mode, below the settings root the catalogue uses too.
#include <optional>
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

CString ResolveSettingsRoot(bool writeBackMissing, bool* tooLong) {
    if (tooLong)
        *tooLong = false;
    kitroster::CRegistry& registry = GetKitrosterApp().GetRegistry();
    const std::optional<kitroster::RegValue> stored =
        registry.QueryValue(kLocalSettingsKey, kLocalRootValue);
    if (!stored) {
        // A missing value is written back empty so that an administrator finds it; an
        // unavailable store ignores the write.
        if (writeBackMissing)
            registry.SetString(kLocalSettingsKey, kLocalRootValue, "");
        return GetAppDir();
    }
    if (stored->type != kitroster::RegType::kString || stored->text.empty())
        return GetAppDir();
    if (stored->text.size() > kitroster::CRegistry::kMaxStringRead) {
        if (tooLong)
            *tooLong = true;
        return CString();
    }
    return CString(stored->text);
}

CString GetLocalAppSettingsDirByStudyMode(int studyMode) {
    std::string root = ResolveSettingsRoot(/*writeBackMissing=*/false).str();
    if (root.empty())
        return CString();  // no usable root
    const char separator = root.find('\\') != std::string::npos ? '\\' : '/';
    if (root.back() != '\\' && root.back() != '/')
        root += separator;
    return CString(root + GetSettingsDirNameByStudyMode(studyMode).str() + separator);
}
