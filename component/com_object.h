#pragma once

#include <windows.h>
#include <unknwn.h>

#include <atomic>

#include "component/error_info.h"
#include "component/module_state.h"
#include "win32/com_ref.h"

namespace mailvane::component {

// The one IUnknown of the component's objects. Identity is the interface
// whose pointer is the object's identity; every object derives from it once.
// An object is born with a reference count of one, holds the module while
// it lives, and deletes itself on its last Release: its destructor is
// private, so nothing else can end it.
template <typename Identity>
class ComObject : public Identity {
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interfaceId, void** result) noexcept final {
        if (result == nullptr) {
            return E_POINTER;
        }
        *result = interfaceId == IID_IUnknown ? static_cast<Identity*>(this) : FindInterface(interfaceId);
        if (*result == nullptr) {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept final { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() noexcept final {
        const ULONG left = --m_references;
        if (left == 0) {
            delete this;
        }
        return left;
    }

protected:
    ComObject() noexcept { HoldModule(); }
    virtual ~ComObject() { ReleaseModule(); }

    // The pointer that answers interfaceId (IUnknown aside), or null.
    virtual void* FindInterface(REFIID interfaceId) noexcept = 0;

private:
    std::atomic<ULONG> m_references{1};
};

// Makes an object with make(), a new-expression whose one reference this
// takes over, and hands out its interface interfaceId in result. No
// exception leaves: memory exhaustion gives E_OUTOFMEMORY and anything else
// E_UNEXPECTED, and an object that was not made holds nothing.
template <typename Make>
HRESULT CreateComObject(Make&& make, REFIID interfaceId, void** result) noexcept {
    if (result == nullptr) {
        return E_POINTER;
    }
    *result = nullptr;
    return Guarded(interfaceId, [&] {
        const win32::ComRef<IUnknown> object = win32::ComRef<IUnknown>::Adopt(make());
        return object->QueryInterface(interfaceId, result);
    });
}

}  // namespace mailvane::component
