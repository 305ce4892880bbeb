// Loads the profile edition library at run time and resolves its exports.
#pragma once

#include <string>

#include "profile_res/ProfileExport.h"

namespace kitroster::profile_cli {

// Where the library is looked for: $KITROSTER_PROFILE_LIB when set, otherwise, relative to
// the folder of this executable, the installed <libdir>/kitroster-profile/libKitroster.so,
// or the build tree's ../profile_edition/libKitroster.so when only that one exists.
std::string DefaultProfileLibraryPath();

// One dlopen'ed copy of the library; closed on destruction. Not copyable.
class CProfileLibrary {
  public:
    CProfileLibrary() = default;
    ~CProfileLibrary();
    CProfileLibrary(const CProfileLibrary&) = delete;
    CProfileLibrary& operator=(const CProfileLibrary&) = delete;

    // Loads the file and resolves every export. On failure returns false and sets error.
    bool Open(const std::string& path, std::string& error);

    PFN_ExportFileFromResource ExportFileFromResource() const { return m_exportFile; }
    PFN_ExportZEBProfile ExportZEBProfile() const { return m_exportProfile; }
    const char* Version() const { return m_version; }
    // The file the loader actually mapped (found through dladdr).
    const std::string& ModulePath() const { return m_modulePath; }

  private:
    void* m_handle = nullptr;
    PFN_ExportFileFromResource m_exportFile = nullptr;
    PFN_ExportZEBProfile m_exportProfile = nullptr;
    const char* m_version = nullptr;
    std::string m_modulePath;
};

// UTF-8 to UTF-16; false when text is not valid UTF-8.
bool Utf8ToUtf16(const std::string& text, std::u16string& out);

}  // namespace kitroster::profile_cli
