#include "conversion/rdo_session_factory.h"

#include <windows.h>
#include <ole2.h>

namespace mailvane::conversion {

using win32::ComRef;

HRESULT CreateRdoSession(ComRef<IRdoSession>& session) {
    CLSID classId{};
    HRESULT result = CLSIDFromProgID(kRdoSessionProgId, &classId);
    if (FAILED(result)) return result;
    session.Reset();

    ComRef<IUnknown> object;
    result = CoCreateInstance(classId, nullptr, CLSCTX_ALL, IID_IUnknown, object.PutVoid());
    if (FAILED(result)) return result;
    result = OleRun(object.Get());
    if (FAILED(result)) return result;
    return object.QueryInterface(IID_IRdoSession, session);
}

}  // namespace mailvane::conversion
