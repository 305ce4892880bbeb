#include "apps/kitroster-profile/ProfileLibrary.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

namespace kitroster::profile_cli {

std::string DefaultProfileLibraryPath() {
    if (const char* configured = std::getenv("KITROSTER_PROFILE_LIB");
        configured != nullptr && *configured != 0) {
        return configured;
    }
    char self[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof(self) - 1);
    std::string folder = ".";
    if (length > 0) {
        folder.assign(self, static_cast<std::size_t>(length));
        folder.erase(folder.find_last_of('/') == std::string::npos ? 0 : folder.find_last_of('/'));
    }
    // An installed tree keeps the library in its own folder under the library folder, at
    // the same distance from the programs wherever the tree is unpacked; the build tree
    // keeps it beside the programs' folder. When neither exists, the installed place is the
    // one to name in the error.
    const std::string installed =
        folder + "/" KITROSTER_PROFILE_INSTALLED_FOLDER "/libKitroster.so";
    const std::string built = folder + "/../profile_edition/libKitroster.so";
    struct stat info {};
    if (::stat(installed.c_str(), &info) != 0 && ::stat(built.c_str(), &info) == 0) {
        return built;
    }
    return installed;
}

CProfileLibrary::~CProfileLibrary() {
    if (m_handle != nullptr) {
        dlclose(m_handle);
    }
}

bool CProfileLibrary::Open(const std::string& path, std::string& error) {
    // A path without '/' would make the loader search its own paths, where the main
    // libKitroster.so may be found instead.
    const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    m_handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_handle == nullptr) {
        const char* reason = dlerror();
        error = "cannot load the profile library " + file + ": " + (reason ? reason : "unknown");
        return false;
    }
    m_exportFile =
        reinterpret_cast<PFN_ExportFileFromResource>(dlsym(m_handle, "ExportFileFromResource"));
    m_exportProfile = reinterpret_cast<PFN_ExportZEBProfile>(dlsym(m_handle, "ExportZEBProfile"));
    m_version = static_cast<const char*>(dlsym(m_handle, "KitrosterProfileEditionVersion"));
    if (m_exportFile == nullptr || m_exportProfile == nullptr || m_version == nullptr) {
        error = file + " is not the profile edition library (its exports are missing)";
        return false;
    }
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(m_exportFile), &info) != 0 && info.dli_fname != nullptr) {
        m_modulePath = info.dli_fname;
    }
    return true;
}

bool Utf8ToUtf16(const std::string& text, std::u16string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int extra = lead < 0x80           ? 0
                          : (lead >> 5) == 0x6  ? 1
                          : (lead >> 4) == 0xE  ? 2
                          : (lead >> 3) == 0x1E ? 3
                                                : -1;
        if (extra < 0 || text.size() - i <= static_cast<std::size_t>(extra)) {
            return false;
        }
        char32_t cp = extra == 0 ? lead : (lead & (0x3F >> extra));
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (next & 0x3F);
        }
        static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        if (cp >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

}  // namespace kitroster::profile_cli
