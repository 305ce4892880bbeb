#include "profile_res/SelfModule.h"

#include <dlfcn.h>

namespace kitroster::profile {

const void* OwnModuleBase() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&OwnModuleBase), &info) == 0) {
        return nullptr;
    }
    return info.dli_fbase;
}

bool IsInModule(const void* address, const void* moduleBase) {
    Dl_info info{};
    return moduleBase != nullptr && dladdr(address, &info) != 0 && info.dli_fbase == moduleBase;
}

}  // namespace kitroster::profile
