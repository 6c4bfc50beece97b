#include "tests/component/component_client.h"

#include <objbase.h>
#include <oleauto.h>
#include <ole2.h>

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

namespace mailvane::component_test {
namespace {

constexpr std::uint32_t kMessageClassTag = 0x001A001F;
constexpr std::uint32_t kSubjectTag = 0x0037001F;
constexpr std::uint32_t kDisplayToTag = 0x0E04001F;

// A BSTR owned for the length of one call.
class Bstr {
public:
    explicit Bstr(const std::wstring& text) : m_value(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~Bstr() { SysFreeString(m_value); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR Get() const { return m_value; }

private:
    BSTR m_value;
};

}  // namespace

Ref::Ref(Ref&& other) noexcept : m_pointer(std::exchange(other.m_pointer, nullptr)) {}

Ref& Ref::operator=(Ref&& other) noexcept {
    if (this != &other) {
        Reset();
        m_pointer = std::exchange(other.m_pointer, nullptr);
    }
    return *this;
}

void** Ref::Put() {
    Reset();
    return &m_pointer;
}

void Ref::Reset() {
    if (m_pointer != nullptr) {
        static_cast<IUnknown*>(std::exchange(m_pointer, nullptr))->Release();
    }
}

Variant Variant::Integer(VARTYPE type, std::int64_t value) {
    Variant v;
    v.m_value.vt = type;
    switch (type) {
        case VT_I1:
            v.m_value.cVal = static_cast<CHAR>(value);
            break;
        case VT_UI1:
            v.m_value.bVal = static_cast<BYTE>(value);
            break;
        case VT_I2:
            v.m_value.iVal = static_cast<SHORT>(value);
            break;
        case VT_UI2:
            v.m_value.uiVal = static_cast<USHORT>(value);
            break;
        case VT_I4:
            v.m_value.lVal = static_cast<LONG>(value);
            break;
        case VT_UI4:
            v.m_value.ulVal = static_cast<ULONG>(value);
            break;
        case VT_INT:
            v.m_value.intVal = static_cast<INT>(value);
            break;
        case VT_UINT:
            v.m_value.uintVal = static_cast<UINT>(value);
            break;
        case VT_I8:
            v.m_value.llVal = value;
            break;
        case VT_UI8:
            v.m_value.ullVal = static_cast<ULONGLONG>(value);
            break;
        default:
            v.m_value.vt = VT_EMPTY;
            break;
    }
    return v;
}

Variant Variant::Text(const std::wstring& text) {
    Variant v;
    v.m_value.vt = VT_BSTR;
    v.m_value.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return v;
}

Variant Variant::Missing() {
    Variant v;
    v.m_value.vt = VT_ERROR;
    v.m_value.scode = DISP_E_PARAMNOTFOUND;
    return v;
}

Variant Variant::Real(double value) {
    Variant v;
    v.m_value.vt = VT_R8;
    v.m_value.dblVal = value;
    return v;
}

HRESULT CreateMessage(void* session, const std::wstring& path, const VARIANT& messageClass, const VARIANT& fileFormat,
                      Ref& message) {
    const Bstr bstrPath(path);
    return CallSlot<BSTR, VARIANT, VARIANT, void**>(session, kCreateSlot, bstrPath.Get(), messageClass, fileFormat,
                                                    message.Put());
}

HRESULT CreateNote(void* session, const std::wstring& path, Ref& message) {
    const Variant messageClass = Variant::Text(L"IPM.Note");
    const Variant format = Variant::Integer(VT_INT, kUnicodeMessageFile);
    return CreateMessage(session, path, messageClass.Get(), format.Get(), message);
}

HRESULT ImportFile(void* message, const std::wstring& source, const VARIANT& type) {
    const Bstr bstrSource(source);
    return CallSlot<BSTR, VARIANT>(message, kImportSlot, bstrSource.Get(), type);
}

HRESULT ImportRfc822(void* message, const std::wstring& source) {
    const Variant type = Variant::Integer(VT_INT, kRfc822File);
    return ImportFile(message, source, type.Get());
}

HRESULT SaveMessage(void* message) { return CallSlot<>(message, kSaveSlot); }

HRESULT CreateSession(Ref& session) {
    CLSID classId{};
    HRESULT hr = CLSIDFromProgID(kProgId, &classId);
    if (FAILED(hr)) {
        return hr;
    }
    Ref unknown;
    hr = CoCreateInstance(classId, nullptr, CLSCTX_ALL, IID_IUnknown, unknown.Put());
    if (FAILED(hr)) {
        return hr;
    }
    hr = OleRun(static_cast<IUnknown*>(unknown.Get()));
    if (FAILED(hr)) {
        return hr;
    }
    return static_cast<IUnknown*>(unknown.Get())->QueryInterface(kSessionIid, session.Put());
}

std::wstring LastErrorDescription() {
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || info == nullptr) {
        return {};
    }
    BSTR description = nullptr;
    std::wstring text;
    if (SUCCEEDED(info->GetDescription(&description)) && description != nullptr) {
        text.assign(description, SysStringLen(description));
    }
    SysFreeString(description);
    info->Release();
    return text;
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
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return GetLastError() | 0x80000000u;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
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
    reading.recipients = reader.Message().recipients.size();
    reading.attachments = reader.Message().attachments.size();
    return reading;
}

}  // namespace mailvane::component_test
