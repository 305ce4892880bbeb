// The library's application object: one global instance, constructed when the library is
// loaded and destroyed when it is unloaded. It holds no data and does no work; it marks
// the library's lifetime for hosts that look for it.
#pragma once

#include "common/KitrosterExport.h"

class KITROSTER_API CKitrosterApp {
  public:
    CKitrosterApp();
    ~CKitrosterApp();
    CKitrosterApp(const CKitrosterApp&) = delete;
    CKitrosterApp& operator=(const CKitrosterApp&) = delete;
};

// The single instance.
KITROSTER_API CKitrosterApp& GetKitrosterApp();
