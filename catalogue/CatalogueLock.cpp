#include "catalogue/CatalogueLock.h"

#include "catalogue/CatalogueContext.h"
#include "catalogue/CatalogueFolder.h"
#include "platform/app/KitrosterApp.h"

namespace NResourceItem {

namespace {

constexpr const char* kLockFileName = ".~catalogue.lock";
constexpr uint32_t kRetryMs = 50;

}  // namespace

CCatalogueLock::CCatalogueLock(std::unique_ptr<kitroster::IFileLock> lock)
    : m_lock(std::move(lock)) {}

std::unique_ptr<CCatalogueLock> CCatalogueLock::Acquire(const CString& folder, uint32_t waitMs,
                                                        const std::function<void()>& onWait,
                                                        CString* error) {
    kitroster::Env* env = GetKitrosterApp().GetEnv();
    const CString path = JoinCataloguePath(folder, kLockFileName);
    if (!CatalogueFolderExists(folder)) {
        error->Format("the catalogue folder '%s' does not exist", folder.GetString());
        return nullptr;
    }
    const uint32_t start = env->GetTickCount();
    bool told = false;
    for (;;) {
        std::unique_ptr<kitroster::IFileLock> lock;
        const kitroster::EnvStatus status = env->LockFile(path.str(), &lock);
        if (status.ok())
            return std::unique_ptr<CCatalogueLock>(new CCatalogueLock(std::move(lock)));
        if (status.error() != kitroster::kErrorLockViolation) {
            error->Format("the catalogue cannot be locked: %s", status.ToString().c_str());
            return nullptr;
        }
        // Unsigned difference: correct across the wrap of the tick counter.
        if (env->GetTickCount() - start >= waitMs) {
            error->Format(
                "another program is changing the catalogue in '%s'; nothing was changed, "
                "try again when it has finished",
                folder.GetString());
            return nullptr;
        }
        if (!told && onWait) {
            onWait();
            told = true;
        }
        env->Sleep(kRetryMs);
    }
}

}  // namespace NResourceItem
