#include "component/unused_slots.h"

#include "component/error_info.h"

namespace mailvane::component {

HRESULT STDMETHODCALLTYPE NotImplemented(void*) noexcept {
    return Fail(E_NOTIMPL, IID{}, L"This operation is not provided by this component.");
}

}  // namespace mailvane::component
