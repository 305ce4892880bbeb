// Settings folders by study mode, below the settings root the catalogue uses too.
#include <string>

#include "platform/app/KitrosterApp.h"
#include "platform/kxcommon/KXCommon.h"
#include "platform/registry/Registry.h"

namespace {

constexpr int kSleepStudyMode = 11;
const char kLocalSettingsKey[] = "Software\\Corvent\\ZRSync\\LocalSettings";

}  // namespace

CString GetSettingsDirNameByStudyMode(int studyMode) {
    return CString(studyMode == kSleepStudyMode ? "SettingsSleep" : "SettingsGeneral");
}

CString GetLocalAppSettingsDirByStudyMode(int studyMode) {
    std::string root;
    if (!GetKitrosterApp().GetRegistry().QueryString(kLocalSettingsKey, "LocalRoot", &root) ||
        root.empty()) {
        root = GetAppDir().str();
    }
    const char separator = root.find('\\') != std::string::npos ? '\\' : '/';
    if (root.back() != '\\' && root.back() != '/')
        root += separator;
    return CString(root + GetSettingsDirNameByStudyMode(studyMode).str() + separator);
}
