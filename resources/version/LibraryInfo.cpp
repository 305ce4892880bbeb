#include "resources/version/LibraryInfo.h"

extern "C" const char* KitrosterVersion() {
    return KITROSTER_VERSION_TEXT;
}
