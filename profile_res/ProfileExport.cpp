// The two exports of the profile edition library.
#include "profile_res/ProfileExport.h"

#include "profile_res/AtomicFileWrite.h"
#include "profile_res/ResourceTable.h"
#include "profile_res/SelfModule.h"
#include "profile_res/Utf16.h"

using namespace kitroster::profile;

extern "C" const char KitrosterProfileEditionVersion[] = "1.0.0.17";

extern "C" int ExportFileFromResource(const char16_t* resourceName, const char16_t* targetPath) {
    if (resourceName == nullptr || targetPath == nullptr) {
        return 0;
    }
    // Resources are looked up in this library's own module, never in another copy of a
    // library with the same file name that the host may have loaded.
    const void* module = OwnModuleBase();
    const CEmbeddedResource* resource =
        FindEmbeddedResource(u"BINARY", resourceName, kLanguageKorean);
    if (resource == nullptr || !IsInModule(resource->m_data, module)) {
        return 0;
    }
    const CUtf8Path target(targetPath);
    if (target.Get() == nullptr) {
        return 0;
    }
    return WriteFileAtomically(target.Get(), resource->m_data, resource->Size()) ? 1 : 0;
}

extern "C" int ExportZEBProfile(const char16_t* targetPath) {
    return ExportFileFromResource(u"PROFILE", targetPath);
}
