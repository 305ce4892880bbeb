// Platform settings that live in the registry, applied to the layers below it.
#include <cstdlib>
#include <string>

#include "platform/app/KitrosterApp.h"
#include "platform/env/PosixEnv.h"
#include "platform/kxcommon/KXCommon.h"
#include "platform/registry/Registry.h"

CString ConfigureUncRootFromRegistry() {
    kitroster::CPosixEnv* env = kitroster::CPosixEnv::Default();
    const char* forced = std::getenv("KITROSTER_UNC_ROOT");
    if (!forced || !*forced) {
        std::string root;
        if (GetKitrosterApp().GetRegistry().QueryString(
                "Software\\Corvent\\Utilities\\Kitroster\\Platform", "UNCRoot", &root) &&
            !root.empty()) {
            env->SetUncRoot(root);
        }
    }
    return CString(env->GetUncRoot());
}
