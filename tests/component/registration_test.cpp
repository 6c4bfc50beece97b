// regsvr32 registration: the keys written, and that another server's
// registration is never taken over or removed. Every test leaves the
// component registered as it found it.
#include <gtest/gtest.h>

#include <windows.h>
#include <olectl.h>

#include <cwctype>

#include "tests/component/component_client.h"
#include "win32/unique_handle.h"

namespace mailvane::component_test {
namespace {

constexpr wchar_t kForeignClass[] = L"{6D1E4C1B-5A0F-4E0B-9B7E-3D2C1A0F9E81}";
constexpr wchar_t kForeignServer[] = L"C:\\Program Files\\Other Vendor\\other.dll";

std::optional<std::wstring> ReadString(const std::wstring& key, const wchar_t* name = nullptr) {
    wchar_t value[1024] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(value);
}

void WriteString(const std::wstring& key, const std::wstring& value, const wchar_t* name = nullptr) {
    ASSERT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), name, REG_SZ, value.c_str(),
                              static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
}

bool KeyExists(const std::wstring& key) {
    win32::UniqueRegKey opened;
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, opened.Put()) == ERROR_SUCCESS;
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    return text;
}

HRESULT CallExport(const char* name) {
    const win32::UniqueModule module(LoadLibraryW(ComponentPath().c_str()));
    if (!module) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    using Export = HRESULT(STDAPICALLTYPE*)();
    const auto function = reinterpret_cast<Export>(reinterpret_cast<void*>(GetProcAddress(module.Get(), name)));
    return function != nullptr ? function() : E_NOTIMPL;
}

class Registration : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RunRegsvr32(false), 0u);
        const auto classId = ReadString(std::wstring(kProgId) + L"\\CLSID");
        ASSERT_TRUE(classId.has_value());
        m_ourClass = *classId;
    }
    // Puts back what the tests changed: no foreign keys, ours registered.
    void TearDown() override {
        RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + kForeignClass).c_str());
        const auto holder = ReadString(std::wstring(kProgId) + L"\\CLSID");
        if (!holder || *holder != m_ourClass) {
            RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId);
        }
        RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + m_ourClass).c_str());
        EXPECT_EQ(RunRegsvr32(false), 0u);
        EXPECT_EQ(ReadString(std::wstring(kProgId) + L"\\CLSID"), m_ourClass);
    }

    void InstallForeignRegistration() {
        ASSERT_EQ(RunRegsvr32(true), 0u);
        WriteString(kProgId, L"Other vendor's session");
        WriteString(std::wstring(kProgId) + L"\\CLSID", kForeignClass);
        WriteString(std::wstring(L"CLSID\\") + kForeignClass + L"\\InprocServer32", kForeignServer);
    }

    void ExpectForeignRegistrationIntact() {
        EXPECT_EQ(ReadString(std::wstring(kProgId) + L"\\CLSID"), kForeignClass);
        EXPECT_EQ(ReadString(kProgId), L"Other vendor's session");
        EXPECT_EQ(ReadString(std::wstring(L"CLSID\\") + kForeignClass + L"\\InprocServer32"), kForeignServer);
    }

    std::wstring m_ourClass;
};

TEST_F(Registration, WritesProgIdClassAndServer) {
    const std::wstring classKey = L"CLSID\\" + m_ourClass;
    const auto server = ReadString(classKey + L"\\InprocServer32");
    ASSERT_TRUE(server.has_value());
    EXPECT_EQ(Lower(*server), Lower(ComponentPath().wstring()));
    EXPECT_EQ(ReadString(classKey + L"\\InprocServer32", L"ThreadingModel"), L"Both");
    EXPECT_EQ(ReadString(classKey + L"\\ProgID"), kProgId);
    CLSID fromProgId{};
    ASSERT_EQ(CLSIDFromProgID(kProgId, &fromProgId), S_OK);
    wchar_t text[40] = {};
    StringFromGUID2(fromProgId, text, 40);
    EXPECT_EQ(std::wstring(text), m_ourClass);
}

TEST_F(Registration, RegisteringTwiceIsHarmless) {
    EXPECT_EQ(RunRegsvr32(false), 0u);
    EXPECT_EQ(ReadString(std::wstring(kProgId) + L"\\CLSID"), m_ourClass);
}

TEST_F(Registration, UnregisteringRemovesOurKeys) {
    ASSERT_EQ(RunRegsvr32(true), 0u);
    EXPECT_FALSE(KeyExists(kProgId));
    EXPECT_FALSE(KeyExists(L"CLSID\\" + m_ourClass));
    CLSID classId{};
    EXPECT_EQ(CLSIDFromProgID(kProgId, &classId), CO_E_CLASSSTRING);
    EXPECT_EQ(RunRegsvr32(true), 0u) << "nothing left to remove is no failure";
}

TEST_F(Registration, RegisteringOverAForeignProgIdFailsAndChangesNothing) {
    InstallForeignRegistration();
    EXPECT_NE(RunRegsvr32(false), 0u);
    EXPECT_EQ(CallExport("DllRegisterServer"), SELFREG_E_CLASS);
    ExpectForeignRegistrationIntact();
    EXPECT_FALSE(KeyExists(L"CLSID\\" + m_ourClass));
}

TEST_F(Registration, RegisteringOverAProgIdWithoutClassFails) {
    ASSERT_EQ(RunRegsvr32(true), 0u);
    WriteString(kProgId, L"Someone's name");
    EXPECT_EQ(CallExport("DllRegisterServer"), SELFREG_E_CLASS);
    EXPECT_EQ(ReadString(kProgId), L"Someone's name");
    EXPECT_FALSE(KeyExists(std::wstring(kProgId) + L"\\CLSID"));
    EXPECT_FALSE(KeyExists(L"CLSID\\" + m_ourClass));
}

TEST_F(Registration, UnregisteringLeavesAForeignRegistration) {
    InstallForeignRegistration();
    EXPECT_EQ(RunRegsvr32(true), 0u);
    EXPECT_EQ(CallExport("DllUnregisterServer"), S_OK);
    ExpectForeignRegistrationIntact();
}

TEST_F(Registration, UnregisteringLeavesOurClassServedByAnotherCopy) {
    const std::wstring inproc = L"CLSID\\" + m_ourClass + L"\\InprocServer32";
    const std::wstring elsewhere = L"C:\\Program Files\\Mailvane\\Redemption.dll";
    WriteString(inproc, elsewhere);
    EXPECT_EQ(RunRegsvr32(true), 0u);
    EXPECT_EQ(ReadString(inproc), elsewhere);
    EXPECT_EQ(ReadString(std::wstring(kProgId) + L"\\CLSID"), m_ourClass);
}

}  // namespace
}  // namespace mailvane::component_test
