// Version of the main library, readable by hosts and tools at run time.
#pragma once

#include "base/KitrosterExport.h"

extern "C" KITROSTER_API const char* KitrosterVersion();
