// Control characters written as visible escapes, so that text read from files or peers
// cannot start a forged log entry or drive the terminal it is shown on.
#pragma once

#include <string>
#include <string_view>

#include "base/KitrosterExport.h"

namespace kitroster {

// Appends `text` to `out` with \n, \r and \t for those three controls and \xNN for the
// other C0 controls (ESC is \x1B) and DEL; every other byte as it is, so UTF-8 passes
// unchanged. With `windows1252`, `text` is Windows-1252 and the five bytes that code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) are escaped too: converted for display
// they become the C1 controls of the same value, which terminals obey.
KITROSTER_COMMON_API void AppendControlEscaped(std::string* out, std::string_view text,
                                               bool windows1252 = false);

}  // namespace kitroster
