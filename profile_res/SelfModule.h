// Finds the shared object this code was loaded from, as the host platform's "module handle
// of this library".
#pragma once

namespace kitroster::profile {

// The load address of this library, or nullptr when the dynamic loader does not know it.
// Thread-safe.
const void* OwnModuleBase();

// Whether address lies in the shared object loaded at moduleBase.
bool IsInModule(const void* address, const void* moduleBase);

}  // namespace kitroster::profile
