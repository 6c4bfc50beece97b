#pragma once

#include <windows.h>
#include <unknwn.h>

#include "component/com_object.h"

namespace mailvane::component {

// Makes session objects; handed out by DllGetClassObject.
class ClassFactory final : public ComObject<IClassFactory> {
public:
    // A new factory, as its interface interfaceId.
    static HRESULT Create(REFIID interfaceId, void** result) noexcept;

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID interfaceId, void** result) noexcept override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) noexcept override;

private:
    ClassFactory() = default;
    ~ClassFactory() override = default;

    void* FindInterface(REFIID interfaceId) noexcept override;
};

}  // namespace mailvane::component
