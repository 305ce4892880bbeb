// Upgrades and imports of the stored synchronisation settings.
#pragma once

#include "base/KitrosterExport.h"

#include <map>
#include <string>
#include <vector>

namespace ZRSYNC {

// Brings the stored values to registry version 1001 (see "RegVer").
KITROSTER_API void MigrateRegistryValues();

// The six configuration titles, in order; each can have its caching switched off.
const std::vector<std::string>& ConfigurationTitles();
// The synchronised settings categories the "INCLUDE_%s" ini keys name: the settings
// folder names of the study modes ("SettingsGeneral", "SettingsSleep").
const std::vector<std::string>& SynchronisedCategories();

// False only when the title's DWORD under "Software\Corvent\ZRSync\ActiveCfg" is 0
// (the DWORD is named by the title upper-cased; default 0xFFFFFFFF, written back).
KITROSTER_API bool UseCacheForCfg(const char* title);

// What ImportIniSettings took from the file, by ini key; -1 for keys not imported.
using IniImportTable = std::map<std::string, int>;

// Copies the values of "zrsync.ini" in the settings root's "SettingsGeneral" folder into
// the registry (the section named after this computer wins over "ZRSYNC"). Returns what
// it imported; every key is -1 when there is no file.
KITROSTER_API IniImportTable ImportIniSettings();
// The same on the text of an ini file (the fuzz target and tests).
KITROSTER_API IniImportTable ImportIniText(const std::string& text);

}  // namespace ZRSYNC
