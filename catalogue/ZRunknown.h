// Component base and shared handle of the catalogue.
//
// Every catalogue object (item, collection, property bag, type list, filter, file
// reader/writer) is a reference-counted component derived from CZRunknown first and
// from its interface second. Interfaces do not derive from IZRunknown; CZRauto_ptr<T>
// reaches the count by a run-time checked cross-cast from T* to IZRunknown*.
//
// Lifecycle: a component is created with count 0 inside its class's static
// CreateInstance, reaches 1 when stored in the returned handle, and is finalised
// (OnZRunknownFinalize, then the virtual destructor) when Release drops the count below 1.
//
// Misuse raises CZRptrAssertionException with the message "##EXP": a handle whose object
// is not a component, or destroying a component that is still referenced.
//
// Thread-safety: only the count is safe for concurrent use (atomic). Everything else of a
// component, and a handle object itself, is used by one thread at a time.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "base/KitrosterExport.h"

namespace NResourceItem {

// The message of every CZRptrAssertionException the catalogue throws.
inline constexpr const char* kZRptrAssertionMessage = "##EXP";

class KITROSTER_API CZRptrAssertionException {
  public:
    explicit CZRptrAssertionException(std::string message = kZRptrAssertionMessage)
        : m_message(std::move(message)) {}
    virtual ~CZRptrAssertionException();
    const std::string& GetMessage() const { return m_message; }

  private:
    std::string m_message;
};

class KITROSTER_API IZRunknown {
  public:
    // Potentially throwing: a component destroyed while referenced raises "##EXP".
    virtual ~IZRunknown() noexcept(false);
    // Returns the new count.
    virtual int32_t AddRef() = 0;
    // Returns the new count; at zero finalises and frees the object (the value returned
    // then carries no meaning).
    virtual int32_t Release() = 0;
};

class KITROSTER_API CZRunknown : public IZRunknown {
  public:
    // A copy never inherits the count: it starts at 0 and keeps its own on assignment.
    CZRunknown(const CZRunknown& /*other*/) : IZRunknown(), m_refCount(0) {}
    CZRunknown& operator=(const CZRunknown& /*other*/) { return *this; }
    // Raises CZRptrAssertionException("##EXP") when the count is still 1 or more.
    ~CZRunknown() noexcept(false) override;

    int32_t AddRef() override;
    int32_t Release() override;

    // The current count, for diagnostics and tests; racy by nature.
    int32_t GetRefCount() const { return m_refCount.load(std::memory_order_relaxed); }

  protected:
    CZRunknown() = default;
    // Called exactly once, just before the object is destroyed by Release.
    virtual void OnZRunknownFinalize();

  private:
    std::atomic<int32_t> m_refCount{0};
};

// The shared handle. Copying takes a reference, destruction releases it; an empty handle
// is the "not found" result of every look-up. Access does not check for null.
template <class T>
class CZRauto_ptr {
  public:
    CZRauto_ptr() = default;
    // Takes the first reference of a freshly created object (the static factories).
    explicit CZRauto_ptr(T* obj) { _assign(obj); }
    CZRauto_ptr(const CZRauto_ptr& other) { _assign(other.m_pObj); }
    CZRauto_ptr(CZRauto_ptr&& other) noexcept : m_pObj(other.m_pObj) { other.m_pObj = nullptr; }
    // Not throwing, so that classes holding handles keep ordinary destructors: the object
    // passed the cross-cast when it entered the handle, so the cast here cannot fail.
    virtual ~CZRauto_ptr() {
        if (m_pObj) {
            IZRunknown* unknown = dynamic_cast<IZRunknown*>(m_pObj);
            m_pObj = nullptr;
            unknown->Release();
        }
    }

    CZRauto_ptr& operator=(const CZRauto_ptr& other) {
        _assign(other.m_pObj);
        return *this;
    }
    CZRauto_ptr& operator=(CZRauto_ptr&& other) {
        if (this != &other) {
            T* old = m_pObj;
            m_pObj = other.m_pObj;
            other.m_pObj = nullptr;
            if (old)
                _cast(old)->Release();
        }
        return *this;
    }
    CZRauto_ptr& operator=(T* obj) {
        _assign(obj);
        return *this;
    }

    T* operator->() const { return m_pObj; }
    T& operator*() const { return *m_pObj; }
    operator T*() const { return m_pObj; }  // NOLINT: the raw pointer, for null tests
    T* get() const { return m_pObj; }

  private:
    static IZRunknown* _cast(T* obj) {
        IZRunknown* unknown = dynamic_cast<IZRunknown*>(obj);
        if (!unknown)
            throw CZRptrAssertionException();
        return unknown;
    }
    // Both casts happen before anything changes, so a failed cast leaves the handle and
    // both counts as they were.
    void _assign(T* obj) {
        if (obj == m_pObj)
            return;
        IZRunknown* fresh = obj ? _cast(obj) : nullptr;
        IZRunknown* old = m_pObj ? _cast(m_pObj) : nullptr;
        if (fresh)
            fresh->AddRef();
        m_pObj = obj;
        if (old)
            old->Release();
    }

    T* m_pObj = nullptr;
};

}  // namespace NResourceItem
