#pragma once

#include <windows.h>
#include <oaidl.h>

#include <memory>
#include <optional>
#include <string>

#include "component/com_object.h"
#include "component/path_identity.h"
#include "component/session_files.h"
#include "engine/msg/message.h"
#include "win32/srw_lock.h"

namespace mailvane::component {

struct MessageTable;
class MessageObject;

// The message interface and its base interface share one table: slot 13
// saves, slot 133 imports.
struct MessageInterface {
    const MessageTable* table;
    MessageObject* owner;
};

// A message backed by a .msg path. Nothing reaches the disk before Save;
// a message released unsaved leaves no trace.
class MessageObject final : public ComObject<ISupportErrorInfo> {
public:
    // A new message, as its message interface.
    static HRESULT Create(std::wstring path, std::wstring messageClass, std::shared_ptr<SessionFiles> files,
                          void** result) noexcept;

    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID interfaceId) noexcept override;

    // Slot 133: reads and converts the RFC 822 file at `source`.
    HRESULT Import(BSTR source, const VARIANT& type) noexcept;
    // Slot 13: writes the message file atomically.
    HRESULT Save() noexcept;

private:
    enum class Content { NotImported, Imported, ImportFailed };

    MessageObject(std::wstring path, std::wstring messageClass, std::shared_ptr<SessionFiles> files);
    ~MessageObject() override = default;

    void* FindInterface(REFIID interfaceId) noexcept override;

    HRESULT ImportLocked(BSTR source, const VARIANT& type);
    HRESULT SaveLocked();
    bool IsOwnFile(const std::wstring& fullSource, const filing::FileIdentity& source);

    MessageInterface m_message;
    const std::wstring m_path;
    const std::u16string m_messageClass;
    const std::shared_ptr<SessionFiles> m_files;
    win32::SrwLock m_lock;  // ThreadingModel "Both": calls may come from several threads
    Content m_content = Content::NotImported;
    std::unique_ptr<msg::Message> m_imported;
    std::optional<filing::FileIdentity> m_source;
};

}  // namespace mailvane::component
