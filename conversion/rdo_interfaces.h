#pragma once

#include <windows.h>
#include <oleauto.h>
#include <unknwn.h>

#include <cstddef>

namespace mailvane::conversion {

// The Redemption component's session and message objects, reached only
// through the three operations the program needs. The operations are called
// by their positions in the object's function table, so these types declare
// nothing beyond IUnknown.
struct IRdoSession : IUnknown {};
struct IRdoMessage : IUnknown {};

// The session interface {E54C5168-AA8C-405F-9C14-A4037302BD9D}, asked for
// when the session is created. The message that its create operation hands
// out implements {D85047E0-7767-4D48-86B6-28BDB5728ABB}, which derives from
// {CF7DE094-FF99-4700-B9EF-258A1D23B798}; both share one function table, so
// the save and import slots are called on the same pointer.
inline constexpr IID IID_IRdoSession = {0xE54C5168, 0xAA8C, 0x405F, {0x9C, 0x14, 0xA4, 0x03, 0x73, 0x02, 0xBD, 0x9D}};

inline constexpr std::size_t kCreateMessageSlot = 37;  // session
inline constexpr std::size_t kImportSlot = 133;        // message
inline constexpr std::size_t kSaveSlot = 13;           // message's base interface

// Session slot 37: a new message backed by the .msg file at path.
HRESULT CreateMessageFromMsgFile(IRdoSession* session, BSTR path, VARIANT messageClass, VARIANT fileFormat,
                                 IRdoMessage** message);
// Message slot 133: imports the content of the file at source.
HRESULT ImportMessageFile(IRdoMessage* message, BSTR source, VARIANT type);
// Base slot 13: writes the message to its file.
HRESULT SaveMessage(IRdoMessage* message);

}  // namespace mailvane::conversion
