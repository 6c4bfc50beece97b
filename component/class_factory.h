#pragma once

#include <unknwn.h>

#include <atomic>

namespace mailvane::component {

// Makes session objects for DllGetClassObject. Born with one reference.
class ClassFactory final : public IClassFactory {
public:
    static HRESULT CreateInstance(REFIID interfaceId, void** result) noexcept;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interfaceId, void** result) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID interfaceId, void** result) noexcept override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) noexcept override;

private:
    ClassFactory() noexcept;
    ~ClassFactory();

    std::atomic<ULONG> m_references{1};
};

}  // namespace mailvane::component
