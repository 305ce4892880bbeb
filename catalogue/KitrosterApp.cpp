#include "catalogue/KitrosterApp.h"

namespace {

// Constructed when the library is loaded, destroyed when it is unloaded.
CKitrosterApp theApp;

}  // namespace

CKitrosterApp::CKitrosterApp() = default;
CKitrosterApp::~CKitrosterApp() = default;

CKitrosterApp& GetKitrosterApp() {
    return theApp;
}
