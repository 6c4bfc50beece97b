#pragma once

#include <windows.h>
#include <oaidl.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "win32/com_ref.h"
#include "win32/unique_variant.h"

namespace mailvane::component_test {

// The interfaces the program uses, spelled here from their published ids and
// not taken from the component's sources.
inline constexpr IID kSessionIid = {0xe54c5168, 0xaa8c, 0x405f, {0x9c, 0x14, 0xa4, 0x03, 0x73, 0x02, 0xbd, 0x9d}};
inline constexpr IID kMessageIid = {0xd85047e0, 0x7767, 0x4d48, {0x86, 0xb6, 0x28, 0xbd, 0xb5, 0x72, 0x8a, 0xbb}};
inline constexpr IID kMessageBaseIid = {0xcf7de094, 0xff99, 0x4700, {0xb9, 0xef, 0x25, 0x8a, 0x1d, 0x23, 0xb7, 0x98}};
inline constexpr wchar_t kProgId[] = L"Redemption.RDOSession";

inline constexpr std::size_t kCreateSlot = 37;
inline constexpr std::size_t kSaveSlot = 13;
inline constexpr std::size_t kImportSlot = 133;
inline constexpr std::int32_t kUnicodeMessageFile = 9;
inline constexpr std::int32_t kRfc822File = 1024;

// Variants of the types a scripting caller may pass, owned by the test.
win32::UniqueVariant IntegerVariant(VARTYPE type, std::int64_t value);
win32::UniqueVariant TextVariant(const std::wstring& text);
win32::UniqueVariant MissingVariant();
win32::UniqueVariant RealVariant(double value);

// The program's calls, through raw table slots.
HRESULT CreateMessage(void* session, const std::wstring& path, const VARIANT& messageClass, const VARIANT& fileFormat,
                      win32::ComRef<IUnknown>& message);
HRESULT CreateNote(void* session, const std::wstring& path, win32::ComRef<IUnknown>& message);  // "IPM.Note", format 9
HRESULT ImportFile(void* message, const std::wstring& source, const VARIANT& type);
HRESULT ImportRfc822(void* message, const std::wstring& source);  // type 1024
HRESULT SaveMessage(void* message);

// Creates the session as the program does: class from the ProgID,
// CoCreateInstance(CLSCTX_ALL) for IUnknown, OleRun, query for the session.
HRESULT CreateSession(win32::ComRef<IUnknown>& session);

// The description of the thread's current error information; empty when
// there is none.
std::wstring LastErrorDescription();

// Runs `body` on a new thread initialised as a single-threaded apartment,
// as the program's conversion worker is, and waits for it.
void RunInApartment(const std::function<void()>& body);

// This test program's folder, where the build puts Redemption.dll too.
std::filesystem::path ProgramFolder();
std::filesystem::path ComponentPath();

// Runs "regsvr32 /s [/u] <component>" and returns its exit code.
DWORD RunRegsvr32(bool unregister);

// A host path (such as /a/b) as this process sees it.
std::filesystem::path HostPath(const std::string& path);

// The corpus folder, or empty when MAILVANE_CORPUS is not set.
std::optional<std::filesystem::path> CorpusFolder();

// The corpus files listed in CORE.txt, relative to the corpus folder.
std::vector<std::string> CoreCorpusFiles(const std::filesystem::path& corpus);

// A fresh, empty folder that is removed with everything in it at the end.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(const std::wstring& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& file);
void WriteBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes);
void WriteText(const std::filesystem::path& file, const std::string& text);

// Names in `folder`, sorted.
std::vector<std::wstring> FolderEntries(const std::filesystem::path& folder);

}  // namespace mailvane::component_test

namespace mailvane::component_test {

// What an independent reader finds in a written message file.
struct MessageFileReading {
    std::string error;                  // empty when the file reads as a message file
    std::vector<std::string> problems;  // strict structural findings
    std::optional<std::u16string> messageClass;
    std::optional<std::u16string> subject;
    std::optional<std::u16string> displayTo;
    std::optional<std::u16string> body;
    std::optional<std::int32_t> messageFlags;  // PidTagMessageFlags
    std::size_t recipients = 0;
    std::size_t attachments = 0;
};

MessageFileReading ReadMessageFile(const std::filesystem::path& file);

}  // namespace mailvane::component_test
