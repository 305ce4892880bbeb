#include "catalogue/ZRunknown.h"

namespace NResourceItem {

CZRptrAssertionException::~CZRptrAssertionException() = default;

IZRunknown::~IZRunknown() noexcept(false) = default;

CZRunknown::~CZRunknown() noexcept(false) {
    // A component still referenced by a handle must not be destroyed: the handle would
    // later release freed memory.
    if (m_refCount.load(std::memory_order_acquire) >= 1)
        throw CZRptrAssertionException();
}

int32_t CZRunknown::AddRef() {
    return m_refCount.fetch_add(1, std::memory_order_relaxed) + 1;
}

int32_t CZRunknown::Release() {
    // Decide on the value the decrement returned, never on a second read, so two threads
    // releasing the last two references cannot both finalise.
    const int32_t count = m_refCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (count >= 1)
        return count;
    OnZRunknownFinalize();
    delete this;
    return count;
}

void CZRunknown::OnZRunknownFinalize() {}

}  // namespace NResourceItem
