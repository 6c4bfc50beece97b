#include "conversion/rdo_interfaces.h"

namespace mailvane::conversion {

namespace {

// Calls the method at slot of object's function table, with object as the
// implicit first argument, in the platform's COM calling convention.
template <typename... Args>
HRESULT CallSlot(IUnknown* object, std::size_t slot, Args... args) {
    using Method = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, Args...);
    void* const* table = *reinterpret_cast<void* const* const*>(object);
    return reinterpret_cast<Method>(table[slot])(object, args...);
}

}  // namespace

HRESULT CreateMessageFromMsgFile(IRdoSession* session, BSTR path, VARIANT messageClass, VARIANT fileFormat,
                                 IRdoMessage** message) {
    if (!session) return E_POINTER;
    return CallSlot<BSTR, VARIANT, VARIANT, IRdoMessage**>(session, kCreateMessageSlot, path, messageClass, fileFormat,
                                                           message);
}

HRESULT ImportMessageFile(IRdoMessage* message, BSTR source, VARIANT type) {
    if (!message) return E_POINTER;
    return CallSlot<BSTR, VARIANT>(message, kImportSlot, source, type);
}

HRESULT SaveMessage(IRdoMessage* message) {
    if (!message) return E_POINTER;
    return CallSlot<>(message, kSaveSlot);
}

}  // namespace mailvane::conversion
