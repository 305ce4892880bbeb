// Module state: where dialog templates and string-table texts are looked up. A library that
// shows its own dialogs from inside a host program switches to its own module for the
// duration of a handler (CModuleStateGuard), so that its templates and texts are found
// and not the host's. Without a guard, the library's own module is in effect.
//
// Thread-safety: the module in effect is per thread.
#pragma once

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "resources/dialogs/DialogTemplate.h"

namespace kitroster {

struct SResourceModule {
    const char* name;
    const SDialogTemplate* (*findTemplate)(int id);
    CString (*loadString)(unsigned id);
};

// This library's templates and string table.
KITROSTER_API const SResourceModule& KitrosterModule();
// The module in effect on this thread.
KITROSTER_API const SResourceModule& CurrentModule();

// Makes `module` the one in effect for its lifetime; guards nest.
class KITROSTER_API CModuleStateGuard {
  public:
    explicit CModuleStateGuard(const SResourceModule& module);
    ~CModuleStateGuard();
    CModuleStateGuard(const CModuleStateGuard&) = delete;
    CModuleStateGuard& operator=(const CModuleStateGuard&) = delete;

  private:
    const SResourceModule* m_previous;
};

}  // namespace kitroster

// Switches to this library's module for the rest of the enclosing block.
#define KR_MANAGE_STATE() \
    kitroster::CModuleStateGuard kr_module_state_guard_(kitroster::KitrosterModule())
