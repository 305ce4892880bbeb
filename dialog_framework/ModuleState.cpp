#include "dialog_framework/ModuleState.h"

#include "resources/strings/StringTable.h"

namespace kitroster {
namespace {

const SResourceModule g_kitroster{"kitroster", &FindDialogTemplate, &LoadResString};
thread_local const SResourceModule* t_current = nullptr;

}  // namespace

const SResourceModule& KitrosterModule() {
    return g_kitroster;
}

const SResourceModule& CurrentModule() {
    return t_current ? *t_current : g_kitroster;
}

CModuleStateGuard::CModuleStateGuard(const SResourceModule& module) : m_previous(t_current) {
    t_current = &module;
}

CModuleStateGuard::~CModuleStateGuard() {
    t_current = m_previous;
}

}  // namespace kitroster
