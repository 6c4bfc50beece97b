#include "tests/component/component_client.h"

#include <windows.h>
#include <objbase.h>
#include <ole2.h>
#include <oleauto.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>
#include <utility>

#include "tests/component/raw_slot.h"
#include "tests/support/compound_file_check.h"
#include "tests/support/compound_file_reader.h"
#include "tests/support/msg_file_reader.h"
#include "tests/support/process_start.h"
#include "win32/unique_bstr.h"
#include "win32/unique_handle.h"

namespace mailvane::component_test {
namespace {

constexpr std::uint32_t kMessageClassTag = 0x001A001F;
constexpr std::uint32_t kSubjectTag = 0x0037001F;
constexpr std::uint32_t kDisplayToTag = 0x0E04001F;
constexpr std::uint32_t kBodyTag = 0x1000001F;
constexpr std::uint32_t kMessageFlagsTag = 0x0E070003;

}  // namespace

win32::UniqueVariant IntegerVariant(VARTYPE type, std::int64_t value) {
    win32::UniqueVariant owned;
    VARIANT& v = *owned.Put();
    v.vt = type;
    switch (type) {
        case VT_I1:
            v.cVal = static_cast<CHAR>(value);
            break;
        case VT_UI1:
            v.bVal = static_cast<BYTE>(value);
            break;
        case VT_I2:
            v.iVal = static_cast<SHORT>(value);
            break;
        case VT_UI2:
            v.uiVal = static_cast<USHORT>(value);
            break;
        case VT_I4:
            v.lVal = static_cast<LONG>(value);
            break;
        case VT_UI4:
            v.ulVal = static_cast<ULONG>(value);
            break;
        case VT_INT:
            v.intVal = static_cast<INT>(value);
            break;
        case VT_UINT:
            v.uintVal = static_cast<UINT>(value);
            break;
        case VT_I8:
            v.llVal = value;
            break;
        case VT_UI8:
            v.ullVal = static_cast<ULONGLONG>(value);
            break;
        default:
            v.vt = VT_EMPTY;
            break;
    }
    return owned;
}

win32::UniqueVariant TextVariant(const std::wstring& text) { return win32::UniqueVariant::FromString(text.c_str()); }

win32::UniqueVariant MissingVariant() {
    win32::UniqueVariant owned;
    VARIANT& v = *owned.Put();
    v.vt = VT_ERROR;
    v.scode = DISP_E_PARAMNOTFOUND;
    return owned;
}

win32::UniqueVariant RealVariant(double value) {
    win32::UniqueVariant owned;
    VARIANT& v = *owned.Put();
    v.vt = VT_R8;
    v.dblVal = value;
    return owned;
}

HRESULT CreateMessage(void* session, const std::wstring& path, const VARIANT& messageClass, const VARIANT& fileFormat,
                      win32::ComRef<IUnknown>& message) {
    const win32::UniqueBstr bstrPath(path.c_str());
    return CallSlot<BSTR, VARIANT, VARIANT, void**>(session, kCreateSlot, bstrPath.Get(), messageClass, fileFormat,
                                                    message.PutVoid());
}

HRESULT CreateNote(void* session, const std::wstring& path, win32::ComRef<IUnknown>& message) {
    const win32::UniqueVariant messageClass = TextVariant(L"IPM.Note");
    const win32::UniqueVariant format = IntegerVariant(VT_INT, kUnicodeMessageFile);
    return CreateMessage(session, path, messageClass.Get(), format.Get(), message);
}

HRESULT ImportFile(void* message, const std::wstring& source, const VARIANT& type) {
    const win32::UniqueBstr bstrSource(source.c_str());
    return CallSlot<BSTR, VARIANT>(message, kImportSlot, bstrSource.Get(), type);
}

HRESULT ImportRfc822(void* message, const std::wstring& source) {
    const win32::UniqueVariant type = IntegerVariant(VT_INT, kRfc822File);
    return ImportFile(message, source, type.Get());
}

HRESULT SaveMessage(void* message) { return CallSlot<>(message, kSaveSlot); }

HRESULT CreateSession(win32::ComRef<IUnknown>& session) {
    CLSID classId{};
    HRESULT hr = CLSIDFromProgID(kProgId, &classId);
    if (FAILED(hr)) {
        return hr;
    }
    win32::ComRef<IUnknown> unknown;
    hr = CoCreateInstance(classId, nullptr, CLSCTX_ALL, IID_IUnknown, unknown.PutVoid());
    if (FAILED(hr)) {
        return hr;
    }
    hr = OleRun(unknown.Get());
    if (FAILED(hr)) {
        return hr;
    }
    return unknown->QueryInterface(kSessionIid, session.PutVoid());
}

std::wstring LastErrorDescription() {
    win32::ComRef<IErrorInfo> info;
    if (GetErrorInfo(0, info.Put()) != S_OK || !info) {
        return {};
    }
    win32::UniqueBstr description;
    if (FAILED(info->GetDescription(description.Put())) || !description) {
        return {};
    }
    return std::wstring(description.Get(), description.Length());
}

void RunInApartment(const std::function<void()>& body) {
    std::thread worker([&body] {
        const HRESULT initialised = CoInitialize(nullptr);
        body();
        if (SUCCEEDED(initialised)) {
            CoUninitialize();
        }
    });
    worker.join();
}

std::filesystem::path ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length);
    return std::filesystem::path(path).parent_path();
}

std::filesystem::path ComponentPath() { return ProgramFolder() / L"Redemption.dll"; }

DWORD RunRegsvr32(bool unregister) {
    std::wstring command = L"regsvr32.exe /s ";
    if (unregister) {
        command += L"/u ";
    }
    command += L"\"" + ComponentPath().wstring() + L"\"";
    PROCESS_INFORMATION process{};
    if (!testing::StartProcess(L"", command, L"", process)) {
        return GetLastError() | 0x80000000u;
    }
    const win32::UniqueHandle thread(process.hThread);
    const win32::UniqueHandle child(process.hProcess);
    WaitForSingleObject(child.Get(), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(child.Get(), &code);
    return code;
}

std::filesystem::path HostPath(const std::string& path) {
    if (path.size() > 1 && path[1] == ':') {
        return std::filesystem::path(path);
    }
    // Wine shows the host's root as drive Z:.
    std::string windows = "Z:" + path;
    std::replace(windows.begin(), windows.end(), '/', '\\');
    return std::filesystem::path(windows);
}

std::optional<std::filesystem::path> CorpusFolder() {
    const char* corpus = std::getenv("MAILVANE_CORPUS");
    if (corpus == nullptr || *corpus == '\0') {
        return std::nullopt;
    }
    const std::filesystem::path folder = HostPath(corpus);
    std::error_code error;
    if (!std::filesystem::is_regular_file(folder / "CORE.txt", error)) {
        return std::nullopt;
    }
    return folder;
}

std::vector<std::string> CoreCorpusFiles(const std::filesystem::path& corpus) {
    std::ifstream list(corpus / "CORE.txt");
    std::vector<std::string> files;
    std::string line;
    while (std::getline(list, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.pop_back();
        }
        if (!line.empty() && line[0] != '#') {
            files.push_back(line);
        }
    }
    return files;
}

ScratchFolder::ScratchFolder() {
    wchar_t temporary[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temporary);
    GUID guid{};
    CoCreateGuid(&guid);
    wchar_t name[64] = {};
    StringFromGUID2(guid, name, 64);
    m_path = std::filesystem::path(temporary) / (std::wstring(L"component-test-") + name);
    std::filesystem::create_directories(m_path);
}

ScratchFolder::~ScratchFolder() {
    std::error_code error;
    std::filesystem::remove_all(m_path, error);
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteText(const std::filesystem::path& file, const std::string& text) {
    WriteBytes(file, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::vector<std::wstring> FolderEntries(const std::filesystem::path& folder) {
    std::vector<std::wstring> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().wstring());
    }
    std::sort(names.begin(), names.end());
    return names;
}

MessageFileReading ReadMessageFile(const std::filesystem::path& file) {
    MessageFileReading reading;
    testing::CompoundFileReader compound;
    if (!compound.Open(ReadBytes(file))) {
        reading.error = "not a compound file: " + compound.Error();
        return reading;
    }
    reading.problems = testing::CheckCompoundFile(compound);
    testing::MsgFileReader reader;
    if (!reader.Open(compound)) {
        reading.error = "not a message file: " + reader.Error();
        return reading;
    }
    if (const auto* property = reader.Message().Find(kMessageClassTag)) {
        reading.messageClass = property->AsString();
    }
    if (const auto* property = reader.Message().Find(kSubjectTag)) {
        reading.subject = property->AsString();
    }
    if (const auto* property = reader.Message().Find(kDisplayToTag)) {
        reading.displayTo = property->AsString();
    }
    if (const auto* property = reader.Message().Find(kBodyTag)) {
        reading.body = property->AsString();
    }
    if (const auto* property = reader.Message().Find(kMessageFlagsTag)) {
        reading.messageFlags = property->AsInt32();
    }
    reading.recipients = reader.Message().recipients.size();
    reading.attachments = reader.Message().attachments.size();
    return reading;
}

}  // namespace mailvane::component_test
