// Export macros. Libraries are built with hidden visibility; only names marked here
// form their binary interface. On ELF an import needs no decoration, so one macro per
// library serves both sides.
#pragma once

#define KITROSTER_VISIBLE __attribute__((visibility("default")))

// The main library's exported interface.
#define KITROSTER_API KITROSTER_VISIBLE
// The shared text and path helpers (CString) used by every library of the system.
#define KITROSTER_COMMON_API KITROSTER_VISIBLE
