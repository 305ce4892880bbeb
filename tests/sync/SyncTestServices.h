// Services for sync tests: the given Env (and registry), everything else as in effect.
#pragma once

#include "platform/app/KitrosterApp.h"

namespace sync_test {

inline kitroster::AppServices WithEnv(kitroster::Env* env,
                                      kitroster::CRegistry* registry = nullptr) {
    kitroster::AppServices services;
    services.env = env;
    services.registry = registry;
    return services;
}

}  // namespace sync_test
