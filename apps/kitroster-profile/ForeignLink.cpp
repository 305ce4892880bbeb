#include "apps/kitroster-profile/ForeignLink.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace kitroster::profile_cli {

std::optional<std::string> FindForeignLink(const std::string& path) {
    std::filesystem::path current = path;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info;
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return std::nullopt;
        }
        if (info.st_uid != ::geteuid() && info.st_uid != 0) {
            const passwd* owner = ::getpwuid(info.st_uid);
            return current.string() + " is a link that belongs to user " +
                   (owner != nullptr ? std::string(owner->pw_name) : std::to_string(info.st_uid));
        }
        std::error_code error;
        const std::filesystem::path link = std::filesystem::read_symlink(current, error);
        if (error) {
            return std::nullopt;
        }
        current = link.is_absolute() ? link : current.parent_path() / link;
    }
    return std::nullopt;
}

}  // namespace kitroster::profile_cli
