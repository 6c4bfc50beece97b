#include "component/session_object.h"

#include <cstddef>

#include "component/component_ids.h"
#include "component/error_info.h"
#include "component/message_object.h"
#include "component/path_parts.h"
#include "component/unused_slots.h"
#include "component/variant_arguments.h"

namespace mailvane::component {
namespace {

constexpr wchar_t kDefaultMessageClass[] = L"IPM.Note";
constexpr std::int64_t kUnicodeMessageFile = 9;

HRESULT STDMETHODCALLTYPE SessionQueryInterface(SessionInterface* self, REFIID interfaceId, void** result) noexcept {
    return self->owner->QueryInterface(interfaceId, result);
}

ULONG STDMETHODCALLTYPE SessionAddRef(SessionInterface* self) noexcept { return self->owner->AddRef(); }

ULONG STDMETHODCALLTYPE SessionRelease(SessionInterface* self) noexcept { return self->owner->Release(); }

HRESULT STDMETHODCALLTYPE SessionCreateMessage(SessionInterface* self, BSTR path, VARIANT messageClass,
                                               VARIANT fileFormat, void** message) noexcept {
    return self->owner->CreateMessage(path, messageClass, fileFormat, message);
}

}  // namespace

struct SessionTable {
    HRESULT(STDMETHODCALLTYPE* queryInterface)(SessionInterface*, REFIID, void**);
    ULONG(STDMETHODCALLTYPE* addRef)(SessionInterface*);
    ULONG(STDMETHODCALLTYPE* release)(SessionInterface*);
    std::array<UnusedSlot, 34> unused;  // slots 3 to 36
    HRESULT(STDMETHODCALLTYPE* createMessage)(SessionInterface*, BSTR, VARIANT, VARIANT, void**);
};
static_assert(offsetof(SessionTable, unused) == 3 * sizeof(void*));
static_assert(offsetof(SessionTable, createMessage) == 37 * sizeof(void*));

namespace {

constexpr SessionTable kSessionTable = {&SessionQueryInterface, &SessionAddRef, &SessionRelease, UnusedSlots<34>(),
                                        &SessionCreateMessage};

}  // namespace

SessionObject::SessionObject() : m_session{&kSessionTable, this}, m_files(std::make_shared<SessionFiles>()) {}

HRESULT SessionObject::Create(REFIID interfaceId, void** result) noexcept {
    return CreateComObject([] { return new SessionObject; }, interfaceId, result);
}

void* SessionObject::FindInterface(REFIID interfaceId) noexcept {
    if (interfaceId == IID_ISupportErrorInfo) {
        return static_cast<ISupportErrorInfo*>(this);
    }
    if (interfaceId == kSessionInterfaceId) {
        return &m_session;
    }
    return nullptr;
}

HRESULT SessionObject::InterfaceSupportsErrorInfo(REFIID interfaceId) noexcept {
    return interfaceId == kSessionInterfaceId ? S_OK : S_FALSE;
}

HRESULT SessionObject::CreateMessage(BSTR path, const VARIANT& messageClass, const VARIANT& fileFormat,
                                     void** message) noexcept {
    return Guarded(kSessionInterfaceId, [&]() -> HRESULT {
        if (message == nullptr) {
            return Fail(E_POINTER, kSessionInterfaceId, L"No place was given for the new message.");
        }
        *message = nullptr;
        if (path == nullptr || SysStringLen(path) == 0) {
            return Fail(E_INVALIDARG, kSessionInterfaceId, L"The path of the message file is empty.");
        }

        TextArgument className = ReadText(messageClass);
        if (className.status == ArgumentStatus::WrongType) {
            return Fail(DISP_E_TYPEMISMATCH, kSessionInterfaceId,
                        L"The message class must be text (VT_BSTR), not " + VariantTypeName(messageClass.vt) + L".");
        }
        if (className.value.empty()) {
            className.value = kDefaultMessageClass;
        }

        if (const HRESULT checked = RequireCode(fileFormat, kUnicodeMessageFile, kSessionInterfaceId, L"file format",
                                                L"9, the Unicode message file");
            FAILED(checked)) {
            return checked;
        }

        const std::wstring given(path, SysStringLen(path));
        const auto fullPath = AbsolutePath(given);
        if (!fullPath || NameOf(*fullPath).empty()) {
            return Fail(E_INVALIDARG, kSessionInterfaceId, L"\"" + given + L"\" does not name a file.");
        }
        const std::wstring folder = FolderForQuery(FolderOf(*fullPath));
        const DWORD folderAttributes = GetFileAttributesW(folder.c_str());
        if (folderAttributes == INVALID_FILE_ATTRIBUTES) {
            DWORD error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND) {
                error = ERROR_PATH_NOT_FOUND;
            }
            return Fail(HRESULT_FROM_WIN32(error), kSessionInterfaceId,
                        Described(L"The folder \"" + folder + L"\" of the message file cannot be used", error));
        }
        if ((folderAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            return Fail(HRESULT_FROM_WIN32(ERROR_DIRECTORY), kSessionInterfaceId,
                        L"\"" + folder + L"\" is a file, not a folder: the message file cannot be put in it.");
        }

        const HRESULT created = MessageObject::Create(*fullPath, std::move(className.value), m_files, message);
        if (FAILED(created)) {
            return Fail(created, kSessionInterfaceId, L"The message object could not be made.");
        }
        return Succeed();
    });
}

}  // namespace mailvane::component
