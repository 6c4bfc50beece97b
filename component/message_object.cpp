#include "component/message_object.h"

#include <cstddef>

#include "component/component_ids.h"
#include "component/error_info.h"
#include "component/message_conversion.h"
#include "component/output_path_choice.h"
#include "component/path_parts.h"
#include "component/source_file.h"
#include "component/unused_slots.h"
#include "component/variant_arguments.h"
#include "filing/atomic_file.h"

namespace mailvane::component {
namespace {

constexpr std::int64_t kRfc822File = 1024;
// Far past any real contention for a name; it only bounds a pathological race.
constexpr int kPlacingAttempts = 16;

HRESULT STDMETHODCALLTYPE MessageQueryInterface(MessageInterface* self, REFIID interfaceId, void** result) noexcept {
    return self->owner->QueryInterface(interfaceId, result);
}

ULONG STDMETHODCALLTYPE MessageAddRef(MessageInterface* self) noexcept { return self->owner->AddRef(); }

ULONG STDMETHODCALLTYPE MessageRelease(MessageInterface* self) noexcept { return self->owner->Release(); }

HRESULT STDMETHODCALLTYPE MessageSave(MessageInterface* self) noexcept { return self->owner->Save(); }

HRESULT STDMETHODCALLTYPE MessageImport(MessageInterface* self, BSTR source, VARIANT type) noexcept {
    return self->owner->Import(source, type);
}

std::u16string ToUtf16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

}  // namespace

struct MessageTable {
    HRESULT(STDMETHODCALLTYPE* queryInterface)(MessageInterface*, REFIID, void**);
    ULONG(STDMETHODCALLTYPE* addRef)(MessageInterface*);
    ULONG(STDMETHODCALLTYPE* release)(MessageInterface*);
    std::array<UnusedSlot, 10> unusedBeforeSave;  // slots 3 to 12
    HRESULT(STDMETHODCALLTYPE* save)(MessageInterface*);
    std::array<UnusedSlot, 119> unusedBeforeImport;  // slots 14 to 132
    HRESULT(STDMETHODCALLTYPE* import)(MessageInterface*, BSTR, VARIANT);
};
static_assert(offsetof(MessageTable, save) == 13 * sizeof(void*));
static_assert(offsetof(MessageTable, unusedBeforeImport) == 14 * sizeof(void*));
static_assert(offsetof(MessageTable, import) == 133 * sizeof(void*));

namespace {

constexpr MessageTable kMessageTable = {&MessageQueryInterface, &MessageAddRef,     &MessageRelease, UnusedSlots<10>(),
                                        &MessageSave,           UnusedSlots<119>(), &MessageImport};

}  // namespace

MessageObject::MessageObject(std::wstring path, std::wstring messageClass, std::shared_ptr<SessionFiles> files)
    : m_message{&kMessageTable, this},
      m_path(std::move(path)),
      m_messageClass(ToUtf16(messageClass)),
      m_files(std::move(files)) {}

HRESULT MessageObject::Create(std::wstring path, std::wstring messageClass, std::shared_ptr<SessionFiles> files,
                              void** result) noexcept {
    return CreateComObject(
        [&] { return new MessageObject(std::move(path), std::move(messageClass), std::move(files)); },
        kMessageInterfaceId, result);
}

void* MessageObject::FindInterface(REFIID interfaceId) noexcept {
    if (interfaceId == IID_ISupportErrorInfo) {
        return static_cast<ISupportErrorInfo*>(this);
    }
    if (interfaceId == kMessageInterfaceId || interfaceId == kMessageBaseInterfaceId) {
        return &m_message;
    }
    return nullptr;
}

HRESULT MessageObject::InterfaceSupportsErrorInfo(REFIID interfaceId) noexcept {
    return interfaceId == kMessageInterfaceId || interfaceId == kMessageBaseInterfaceId ? S_OK : S_FALSE;
}

HRESULT MessageObject::Import(BSTR source, const VARIANT& type) noexcept {
    return Guarded(kMessageInterfaceId, [&] {
        const win32::SrwLockGuard guard(m_lock);
        return ImportLocked(source, type);
    });
}

HRESULT MessageObject::ImportLocked(BSTR source, const VARIANT& type) {
    // Until this import succeeds, a Save must not write an earlier or an
    // empty message that could pass for this source's conversion.
    m_content = Content::ImportFailed;
    m_imported.reset();
    m_source.reset();

    if (source == nullptr || SysStringLen(source) == 0) {
        return Fail(E_INVALIDARG, kMessageInterfaceId, L"The path of the source file is empty.");
    }
    if (const HRESULT checked =
            RequireCode(type, kRfc822File, kMessageInterfaceId, L"source type", L"1024, an RFC 822 file");
        FAILED(checked)) {
        return checked;
    }

    const std::wstring sourcePath(source, SysStringLen(source));
    const std::wstring fullSource = AbsolutePath(sourcePath).value_or(sourcePath);
    SourceFile file = ReadSourceFile(fullSource, m_files->folders, m_files->sourceBuffers.Take());
    const SourceBuffers::Loan loan(m_files->sourceBuffers, file.bytes);
    if (file.error == ERROR_FILE_TOO_LARGE) {
        return Fail(HRESULT_FROM_WIN32(file.error), kMessageInterfaceId,
                    L"The source file \"" + sourcePath + L"\" is larger than 1 GB.");
    }
    if (file.error != ERROR_SUCCESS) {
        return Fail(HRESULT_FROM_WIN32(file.error), kMessageInterfaceId,
                    Described(L"Cannot read the source file \"" + sourcePath + L"\"", file.error));
    }
    if (IsOwnFile(fullSource, file.identity)) {
        return Fail(E_INVALIDARG, kMessageInterfaceId,
                    L"The source file \"" + sourcePath + L"\" is the message file \"" + m_path +
                        L"\" itself; saving would destroy the source.");
    }

    // A source larger than the buffer a session keeps is handed over: the
    // message reads its large bodies from it again when it is saved
    // instead of holding them decoded.
    m_imported = file.bytes.size() > SourceBuffers::kKept ? ConvertRfc822(std::move(file.bytes), m_messageClass)
                                                          : ConvertRfc822(file.bytes, m_messageClass);
    if (!m_imported) {
        return Fail(E_FAIL, kMessageInterfaceId, L"The source file \"" + sourcePath + L"\" gave no message.");
    }
    m_source = file.identity;
    m_content = Content::Imported;
    return Succeed();
}

// Only a file in the source's own folder can be the source, so the message
// file is looked for only then: looking for a file that does not exist reads
// the whole folder on some systems.
bool MessageObject::IsOwnFile(const std::wstring& fullSource, const filing::FileIdentity& source) {
    const auto sourceFolder = m_files->folders.Of(FolderOf(fullSource));
    const auto ownFolder = m_files->folders.Of(FolderOf(m_path));
    if (sourceFolder && ownFolder && *sourceFolder != *ownFolder) {
        return false;
    }
    const auto backing = IdentityOf(m_path);
    return backing && *backing == source;
}

HRESULT MessageObject::Save() noexcept {
    return Guarded(kMessageBaseInterfaceId, [&] {
        const win32::SrwLockGuard messageGuard(m_lock);
        const win32::SrwLockGuard saveGuard(m_files->saveLock);
        return SaveLocked();
    });
}

HRESULT MessageObject::SaveLocked() {
    if (m_content == Content::ImportFailed) {
        return Fail(E_FAIL, kMessageBaseInterfaceId,
                    L"The last import into this message failed; there is no message to save to \"" + m_path + L"\".");
    }
    std::unique_ptr<msg::Message> empty;
    if (m_content == Content::NotImported) {
        empty = EmptyMessage(m_messageClass);
    }
    const msg::Message& message = m_imported ? *m_imported : *empty;

    const std::wstring folder = FolderOf(m_path);
    m_files->sweep.SweepOnce(folder);
    // Under Wine, the temporary, whose name is of our own making, and a
    // final name that no file in the folder has in any case are spelt on
    // the Unix side, where Wine does not read the whole folder to find them.
    // Every path a save may be placed at is in this folder: the path itself
    // or a numbered variant of it.
    const std::wstring& unixSide = m_files->unixSide.Of(folder);
    const auto spelt = [&](const std::wstring& path) {
        const std::wstring_view name = NameOf(path);
        if (unixSide.empty() || m_files->unixSideNames.Holds(unixSide, name)) {
            return path;
        }
        return unixSide + std::wstring(name);
    };
    filing::AtomicFile file(m_path, {filing::AtomicFile::ExistingTarget::Absent, unixSide.empty() ? folder : unixSide});
    if (!file.IsOpen()) {
        return Fail(HRESULT_FROM_WIN32(file.SystemError()), kMessageBaseInterfaceId,
                    Described(L"Cannot save to \"" + m_path + L"\"", file.SystemError()));
    }
    if (const std::wstring problem = WriteMessage(message, file); !problem.empty()) {
        if (file.SystemError() != ERROR_SUCCESS) {
            return Fail(HRESULT_FROM_WIN32(file.SystemError()), kMessageBaseInterfaceId,
                        Described(L"Cannot write \"" + m_path + L"\"", file.SystemError()));
        }
        return Fail(E_FAIL, kMessageBaseInterfaceId, L"Cannot write \"" + m_path + L"\": " + problem + L".");
    }
    const auto written = m_files->folders.OfFileIn(reinterpret_cast<HANDLE>(file.NativeHandle()), m_path);
    if (!file.Finish()) {
        return Fail(HRESULT_FROM_WIN32(file.SystemError()), kMessageBaseInterfaceId,
                    Described(L"Cannot write \"" + m_path + L"\"", file.SystemError()));
    }

    // A name not taken yet, the usual case, needs no look at the folder
    // beyond the move itself, which never replaces anything. Only a taken
    // name is examined, and chosen again if another writer takes the one
    // chosen first.
    std::wstring placed = m_path;
    bool moved = file.MoveTo(spelt(placed), false);
    for (int attempt = 0; !moved && file.TargetAppeared() && attempt < kPlacingAttempts; ++attempt) {
        const OutputPathChoice target = ChooseOutputPath(m_path, m_files->claims, m_source);
        if (FAILED(target.result)) {
            return Fail(target.result, kMessageBaseInterfaceId, target.description);
        }
        placed = target.path;
        moved = file.MoveTo(spelt(placed), target.replaces);
    }
    if (!moved) {
        return Fail(HRESULT_FROM_WIN32(file.SystemError()), kMessageBaseInterfaceId,
                    Described(L"Cannot put the message file in place at \"" + placed + L"\"", file.SystemError()));
    }
    if (!unixSide.empty()) {
        m_files->unixSideNames.Add(unixSide, NameOf(placed));
    }
    if (written) {
        m_files->claims.RecordOutput(*written);
    }
    return Succeed();
}

}  // namespace mailvane::component
