// Where the program lives and what the machine is called.
#include <limits.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/app/KitrosterApp.h"
#include "platform/kxcommon/KXCommon.h"

CString GetAppDir() {
    std::string folder;
    if (const char* forced = std::getenv("KITROSTER_APPDIR"); forced && *forced) {
        folder = forced;
    } else {
        char buffer[PATH_MAX];
        ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
        if (n > 0) {
            folder.assign(buffer, static_cast<size_t>(n));
            folder.erase(folder.rfind('/') + 1);
        } else {
            folder = "./";  // no /proc: the current folder is the best remaining guess
        }
    }
    if (folder.back() != '/' && folder.back() != '\\')
        folder += '/';
    return CString(folder);
}

CString GetHostName() {
    return CString(GetKitrosterApp().GetIdentity().GetHostName());
}
