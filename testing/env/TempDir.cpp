#include "testing/env/TempDir.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace kitroster {

CTempDir::CTempDir(const std::string& prefix, bool preferTmpfs) {
    const char* base = std::getenv("TMPDIR");
    std::string folder = base && *base ? base : "/tmp";
    if (preferTmpfs && ::access("/dev/shm", W_OK) == 0)
        folder = "/dev/shm";
    std::string pattern = folder + "/" + prefix + "XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data())) {
        throw std::runtime_error("cannot create temporary folder " + pattern + ": " +
                                 std::strerror(errno));
    }
    m_path = buffer.data();
}

CTempDir::~CTempDir() {
    namespace fs = std::filesystem;
    std::error_code ec;
    // Folders without write permission could not be emptied by a non-root user.
    for (auto it = fs::recursive_directory_iterator(m_path, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        // symlink_status: a link to a folder elsewhere must not have its target changed.
        if (fs::is_directory(it->symlink_status(ec))) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        }
    }
    fs::remove_all(m_path, ec);
}

}  // namespace kitroster
