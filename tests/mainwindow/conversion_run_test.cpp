#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <string>
#include <vector>

#include "conversion/progress_dialog.h"
#include "conversion/rdo_session_factory.h"
#include "conversion/run_state.h"
#include "mainwindow/mailvane_dlg.h"
#include "resource.h"
#include "tests/fault_injection/failing_allocations.h"
#include "tests/framework/dialog_watcher.h"
#include "tests/framework/temp_tree.h"
#include "win32/unique_handle.h"

namespace mailvane::mainwindow {

using conversion::ConversionRuns;
using conversion::CSave;
using conversion::CurrentMessage;
using conversion::DestinationFolder;
using conversion::kRdoSessionProgId;
using conversion::RdoSession;
using framework::CButton;
using framework::CListCtrl;
using framework::CProgressCtrl;
using framework::CStatic;
using framework::CString;
using framework::DialogWatcher;
using framework::TempTree;
using win32::UniqueFileHandle;
using win32::UniqueModule;

namespace {

bool IsExistingFolder(const CString& path) {
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

const std::wstring kCaption = L"Quorvel Mailvane             ";
const std::wstring kSuccess = L"EML to MSG file conversion has been successfully completed.";
const std::wstring kNotRegistered = L"One of DLL **Redemption.dll** is not registered, So First Register It.!";

std::string SampleMessage(int number) {
    return "From: Alice Example <alice@example.com>\r\n"
           "To: Bob Example <bob@example.com>\r\n"
           "Subject: Sample " +
           std::to_string(number) +
           "\r\n"
           "Date: Mon, 7 Dec 2026 06:00:00 +0000\r\n"
           "Message-ID: <sample" +
           std::to_string(number) +
           "@example.com>\r\n"
           "MIME-Version: 1.0\r\n"
           "Content-Type: text/plain; charset=us-ascii\r\n"
           "\r\n"
           "Hello number " +
           std::to_string(number) + ".\r\n";
}

bool IsCompoundFile(const CString& path) {
    const UniqueFileHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    unsigned char head[8] = {};
    DWORD read = 0;
    ReadFile(file.Get(), head, 8, &read, nullptr);
    const unsigned char signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    return read == 8 && std::equal(head, head + 8, signature);
}

// The main dialog's source list as its window holds it.
CListCtrl SourceListOf(const CMailvaneDlg& dialog) {
    CListCtrl list;
    list.Attach(GetDlgItem(dialog.m_hWnd, IDC_SOURCE_LIST));
    return list;
}

// A control of the progress window, as its window holds it.
template <typename Control>
Control ControlOf(const CSave& save, int id) {
    Control control;
    control.Attach(GetDlgItem(save.m_hWnd, id));
    return control;
}

bool Exists(const CString& path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

// The progress window with spies on its four controls: everything that
// reaches them is recorded in order, and the window closes itself once its
// button reads "Completed && Close".
class RecordingSave : public CSave {
public:
    explicit RecordingSave(const CListCtrl& sourceList, bool stopAtOnce = false)
        : CSave(sourceList, DestinationFolder), m_stopAtOnce(stopAtOnce) {}

    std::vector<std::wstring> events;       // everything but the status text
    std::vector<std::wstring> statusTexts;  // the status text, set by set
    std::wstring initialCount, initialStatus, initialButton;
    int initialLower = -1, initialUpper = -1;
    int initialPosition = -1;

    BOOL OnInitDialog() override {
        const BOOL result = CSave::OnInitDialog();
        const CStatic countText = ControlOf<CStatic>(*this, IDC_COUNT_TEXT);
        const CProgressCtrl progress = ControlOf<CProgressCtrl>(*this, IDC_PROGRESS);
        const CStatic statusText = ControlOf<CStatic>(*this, IDC_STATUS_TEXT);
        const CButton stopButton = ControlOf<CButton>(*this, IDC_STOP);
        initialCount = countText.GetWindowText().GetString();
        initialStatus = statusText.GetWindowText().GetString();
        initialButton = stopButton.GetWindowText().GetString();
        progress.GetRange(initialLower, initialUpper);
        initialPosition = progress.GetPos();
        SetWindowSubclass(countText.m_hWnd, Spy, 1, reinterpret_cast<DWORD_PTR>(this));
        SetWindowSubclass(progress.m_hWnd, Spy, 2, reinterpret_cast<DWORD_PTR>(this));
        SetWindowSubclass(statusText.m_hWnd, Spy, 3, reinterpret_cast<DWORD_PTR>(this));
        SetWindowSubclass(stopButton.m_hWnd, Spy, 4, reinterpret_cast<DWORD_PTR>(this));
        if (m_stopAtOnce) stopButton.PostMessage(BM_CLICK);
        return result;
    }

private:
    static LRESULT CALLBACK Spy(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data) {
        auto* self = reinterpret_cast<RecordingSave*>(data);
        if (message == WM_SETTEXT) {
            const std::wstring text = reinterpret_cast<const wchar_t*>(lParam);
            if (id == 1) self->events.push_back(L"count:" + text);
            if (id == 3) self->statusTexts.push_back(text);
            if (id == 4) {
                self->events.push_back(L"button:" + text);
                if (text == L"Completed && Close") ::PostMessageW(window, BM_CLICK, 0, 0);
            }
        } else if (message == PBM_SETRANGE) {
            self->events.push_back(L"range:" + std::to_wstring(LOWORD(lParam)) + L"-" +
                                   std::to_wstring(HIWORD(lParam)));
        } else if (message == PBM_SETPOS) {
            self->events.push_back(L"pos:" + std::to_wstring(static_cast<int>(wParam)));
        } else if (message == WM_NCDESTROY) {
            RemoveWindowSubclass(window, Spy, id);
        }
        return DefSubclassProc(window, message, wParam, lParam);
    }

    bool m_stopAtOnce;
};

std::vector<std::wstring> Counter(int from, int to, int total) {
    std::vector<std::wstring> events;
    for (int i = from; i <= to; ++i) {
        events.push_back(L"count:" + std::to_wstring(i) + L"/" + std::to_wstring(total) + L" Convert EML to MSG Files");
        events.push_back(L"pos:" + std::to_wstring(i - 1));
    }
    return events;
}

std::vector<std::wstring> Join(std::initializer_list<std::vector<std::wstring>> parts) {
    std::vector<std::wstring> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// Points the session class's in-process server at another DLL next to the
// tests for as long as it lives, then puts the registered one back.
class SessionServerSwap {
public:
    explicit SessionServerSwap(const wchar_t* dllName) {
        CLSID id{};
        if (FAILED(CLSIDFromProgID(kRdoSessionProgId, &id))) return;
        wchar_t text[40] = {};
        StringFromGUID2(id, text, 40);
        m_key = std::wstring(L"CLSID\\") + text + L"\\InprocServer32";
        wchar_t earlier[MAX_PATH] = {};
        DWORD size = sizeof earlier;
        if (RegGetValueW(HKEY_CLASSES_ROOT, m_key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, earlier, &size) !=
            ERROR_SUCCESS) {
            return;
        }
        m_earlier = earlier;
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring dll = path;
        dll = dll.substr(0, dll.rfind(L'\\') + 1) + dllName;
        m_swapped = Write(dll);
    }
    ~SessionServerSwap() {
        if (m_swapped) Write(m_earlier);
    }
    SessionServerSwap(const SessionServerSwap&) = delete;
    SessionServerSwap& operator=(const SessionServerSwap&) = delete;
    bool Swapped() const { return m_swapped; }

private:
    bool Write(const std::wstring& value) const {
        return RegSetKeyValueW(HKEY_CLASSES_ROOT, m_key.c_str(), nullptr, REG_SZ, value.c_str(),
                               static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }

    std::wstring m_key;
    std::wstring m_earlier;
    bool m_swapped = false;
};

class ConversionRunTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring dll = path;
        dll = dll.substr(0, dll.rfind(L'\\') + 1) + L"Redemption.dll";
        s_component.Reset(LoadLibraryW(dll.c_str()));
        if (!s_component) return;
        CLSID id{};
        s_wasRegistered = SUCCEEDED(CLSIDFromProgID(kRdoSessionProgId, &id));
        if (!s_wasRegistered) Call("DllRegisterServer");
    }
    static void TearDownTestSuite() {
        if (!s_component) return;
        if (!s_wasRegistered) Call("DllUnregisterServer");
        s_component.Reset();
    }
    static HRESULT Call(const char* name) {
        using Export = HRESULT(STDAPICALLTYPE*)();
        auto* function = reinterpret_cast<Export>(reinterpret_cast<void*>(GetProcAddress(s_component.Get(), name)));
        return function ? function() : E_NOTIMPL;
    }

    void SetUp() override {
        if (!s_component) GTEST_SKIP() << "Redemption.dll is not built next to the tests";
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
        ASSERT_TRUE(m_main.Create());
        m_out = m_tree.Folder(L"out");
        DestinationFolder.Set(m_out);
    }
    void TearDown() override {
        if (m_main.m_hWnd) DestroyWindow(m_main.m_hWnd);
        EXPECT_TRUE(ConversionRuns.IsIdle());
        EXPECT_FALSE(RdoSession);
        EXPECT_FALSE(CurrentMessage);
    }

    CString Source(LPCWSTR relative, int number) { return m_tree.File(relative, SampleMessage(number)); }
    void AddFolderRow(const CString& path, const CString& name) {
        const int row = SourceListOf(m_main).InsertItem(LVIF_TEXT, 0, path, 0, 0, 0, 0);
        SourceListOf(m_main).SetItemText(row, 1, L"1");
        SourceListOf(m_main).SetItemText(row, 2, name);
        SourceListOf(m_main).SetItemText(row, 3, L"FOLDER");
    }
    std::vector<DialogWatcher::Seen> Run(RecordingSave& save) {
        DialogWatcher watcher(IDOK);
        watcher.Ignore(m_main.m_hWnd);
        save.DoModal();
        ConversionRuns.WaitUntilIdle();
        return watcher.Taken();
    }
    static void ExpectOneMessage(const std::vector<DialogWatcher::Seen>& seen, const std::wstring& text) {
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].text, text);
        EXPECT_EQ(seen[0].caption, kCaption);
        EXPECT_EQ(seen[0].owner, nullptr);
    }

    static inline UniqueModule s_component;
    static inline bool s_wasRegistered = false;
    TempTree m_tree;
    CString m_out;
    CMailvaneDlg m_main;
};

TEST_F(ConversionRunTest, TwoFileRowsThenAFolderRowOfThreeFiles) {
    const CString three = m_tree.Folder(L"Three");
    const CString x = Source(L"Three\\x.eml", 3), y = Source(L"Three\\y.eml", 4), z = Source(L"Three\\z.eml", 5);
    m_tree.Folder(L"One");
    const CString a = Source(L"One\\a.eml", 1), b = Source(L"One\\b.eml", 2);
    AddFolderRow(three, L"Three");
    m_main.AddFileRow(b, m_tree.Path(L"One"));
    m_main.AddFileRow(a, m_tree.Path(L"One"));

    RecordingSave save(SourceListOf(m_main));
    const auto seen = Run(save);
    ExpectOneMessage(seen, kSuccess);
    EXPECT_EQ(save.initialCount, L"");
    EXPECT_EQ(save.initialStatus, L"");
    EXPECT_EQ(save.initialButton, L"Stop");
    EXPECT_EQ(save.initialLower, 0);
    EXPECT_EQ(save.initialUpper, 100);
    EXPECT_EQ(save.initialPosition, 0);
    EXPECT_EQ(save.events, Join({Counter(1, 2, 3), {L"range:0-4"}, Counter(1, 3, 3), {L"button:Completed && Close"}}));
    ASSERT_EQ(save.statusTexts.size(), 5u);
    EXPECT_EQ(save.statusTexts[0], a.GetString());
    EXPECT_EQ(save.statusTexts[1], b.GetString());

    for (LPCWSTR output : {L"\\One\\a.msg", L"\\One\\b.msg", L"\\Three\\x.msg", L"\\Three\\y.msg", L"\\Three\\z.msg"}) {
        EXPECT_TRUE(IsCompoundFile(m_out + output)) << output;
    }
    EXPECT_TRUE(Exists(a) && Exists(x));
}

TEST_F(ConversionRunTest, TwoFolderRowsCountOnOverTheRunsFiles) {
    const CString first = m_tree.Folder(L"First");
    const CString second = m_tree.Folder(L"Second");
    for (int i = 1; i <= 3; ++i) Source((L"First\\f" + std::to_wstring(i) + L".eml").c_str(), i);
    for (int i = 1; i <= 4; ++i) Source((L"Second\\s" + std::to_wstring(i) + L".eml").c_str(), 10 + i);
    AddFolderRow(second, L"Second");
    AddFolderRow(first, L"First");

    RecordingSave save(SourceListOf(m_main));
    ExpectOneMessage(Run(save), kSuccess);
    EXPECT_EQ(
        save.events,
        Join({{L"range:0-4"}, Counter(1, 3, 3), {L"range:0-8"}, Counter(4, 7, 7), {L"button:Completed && Close"}}));
    for (int i = 1; i <= 3; ++i)
        EXPECT_TRUE(IsCompoundFile(m_out + (L"\\First\\f" + std::to_wstring(i) + L".msg").c_str()));
    for (int i = 1; i <= 4; ++i)
        EXPECT_TRUE(IsCompoundFile(m_out + (L"\\Second\\s" + std::to_wstring(i) + L".msg").c_str()));
    EXPECT_FALSE(Exists(m_out + L"\\Second\\f1.msg"));
}

TEST_F(ConversionRunTest, FolderRowsThatFindNothingStillGetTheirFolder) {
    const CString nothing = m_tree.Folder(L"Nothing");
    m_tree.File(L"Nothing\\notes.txt", "x");
    m_tree.Folder(L"Single");
    const CString single = Source(L"Single\\one.eml", 1);
    m_main.AddFileRow(single, m_tree.Path(L"Single"));
    AddFolderRow(L"", L"Blank");
    AddFolderRow(nothing, L"Nothing");

    RecordingSave save(SourceListOf(m_main));
    ExpectOneMessage(Run(save), kSuccess);
    EXPECT_EQ(save.events, Join({Counter(3, 3, 3), {L"button:Completed && Close"}}));
    EXPECT_TRUE(IsExistingFolder(m_out + L"\\Nothing"));
    EXPECT_TRUE(IsExistingFolder(m_out + L"\\Blank"));
    EXPECT_TRUE(IsCompoundFile(m_out + L"\\Single\\one.msg"));
}

TEST_F(ConversionRunTest, SubFoldersNamedLikeMessagesAreSearchedOthersNot) {
    const CString mail = m_tree.Folder(L"Mail");
    Source(L"Mail\\a.eml", 1);
    m_tree.Folder(L"Mail\\old.eml");
    Source(L"Mail\\old.eml\\b.eml", 2);
    m_tree.Folder(L"Mail\\old");
    Source(L"Mail\\old\\c.eml", 3);
    AddFolderRow(mail, L"Mail");

    RecordingSave save(SourceListOf(m_main));
    ExpectOneMessage(Run(save), kSuccess);
    EXPECT_EQ(save.events, Join({{L"range:0-3"}, Counter(1, 2, 2), {L"button:Completed && Close"}}));
    EXPECT_TRUE(IsCompoundFile(m_out + L"\\Mail\\a.msg"));
    EXPECT_TRUE(IsCompoundFile(m_out + L"\\Mail\\b.msg"));
    EXPECT_FALSE(Exists(m_out + L"\\Mail\\c.msg"));
}

TEST_F(ConversionRunTest, OutputNamesReplaceEveryEmlInAnyCase) {
    m_tree.Folder(L"Names");
    const CString upper = Source(L"Names\\B.EML", 1);
    const CString twice = Source(L"Names\\notes.EML.eml", 2);
    m_main.AddFileRow(upper, m_tree.Path(L"Names"));
    m_main.AddFileRow(twice, m_tree.Path(L"Names"));

    RecordingSave save(SourceListOf(m_main));
    ExpectOneMessage(Run(save), kSuccess);
    EXPECT_TRUE(IsCompoundFile(m_out + L"\\Names\\B.msg"));
    EXPECT_TRUE(IsCompoundFile(m_out + L"\\Names\\notes.msg.msg"));
    EXPECT_EQ(upper.Right(5), CString(L"B.EML"));
    EXPECT_TRUE(Exists(upper) && Exists(twice));
}

TEST_F(ConversionRunTest, AMissingSourceIsSkippedAndCountedInTheMessage) {
    m_tree.Folder(L"Mixed");
    const CString good = Source(L"Mixed\\good.eml", 1);
    m_main.AddFileRow(good, m_tree.Path(L"Mixed"));
    m_main.AddFileRow(m_tree.Path(L"Mixed\\gone.eml"), m_tree.Path(L"Mixed"));

    RecordingSave save(SourceListOf(m_main));
    ExpectOneMessage(Run(save),
                     L"EML to MSG file conversion has been completed, but 1 of 2 file(s) could not be converted.");
    EXPECT_EQ(save.events, Join({Counter(1, 2, 2), {L"button:Completed && Close"}}));
    EXPECT_EQ(save.statusTexts, (std::vector<std::wstring>{good.GetString()}));
    EXPECT_FALSE(Exists(m_out + L"\\Mixed\\gone.msg"));
    EXPECT_TRUE(IsCompoundFile(m_out + L"\\Mixed\\good.msg"));
}

// A session whose create succeeds without a message: each file is counted
// as not converted, nothing is written, and the run still ends normally.
TEST_F(ConversionRunTest, ACreateThatGivesNoMessageCountsAsAFailure) {
    m_tree.Folder(L"None");
    const CString a = Source(L"None\\a.eml", 1), b = Source(L"None\\b.eml", 2);
    m_main.AddFileRow(b, m_tree.Path(L"None"));
    m_main.AddFileRow(a, m_tree.Path(L"None"));

    std::vector<DialogWatcher::Seen> seen;
    RecordingSave save(SourceListOf(m_main));
    {
        const SessionServerSwap swap(L"NoMessageComponent.dll");
        ASSERT_TRUE(swap.Swapped()) << "the session class's server could not be replaced";
        seen = Run(save);
    }
    ExpectOneMessage(seen,
                     L"EML to MSG file conversion has been completed, but 2 of 2 file(s) could not be converted.");
    EXPECT_EQ(save.events, Join({Counter(1, 2, 2), {L"button:Completed && Close"}}));
    EXPECT_EQ(save.statusTexts, (std::vector<std::wstring>{a.GetString(), b.GetString()}));
    EXPECT_FALSE(Exists(m_out + L"\\None\\a.msg"));
    EXPECT_FALSE(Exists(m_out + L"\\None\\b.msg"));
}

TEST_F(ConversionRunTest, ADriveRootDestinationGetsADoubledSeparator) {
    CString name;
    name.Format(L"mv-run-%lu", GetCurrentProcessId());
    const CString folder = m_tree.Folder(name);
    Source((name + L"\\a.eml").GetString(), 1);
    AddFolderRow(folder, name);
    DestinationFolder.Set(L"C:\\");

    RecordingSave save(SourceListOf(m_main));
    ExpectOneMessage(Run(save), kSuccess);
    const CString output = L"C:\\" + name + L"\\a.msg";
    EXPECT_TRUE(IsCompoundFile(output));
    DeleteFileW(output);
    RemoveDirectoryW(L"C:\\" + name);
}

TEST_F(ConversionRunTest, WithoutTheComponentOnlyTheFailureMessageIsShown) {
    ASSERT_EQ(Call("DllUnregisterServer"), S_OK);
    CLSID id{};
    const bool stillThere = SUCCEEDED(CLSIDFromProgID(kRdoSessionProgId, &id));
    m_tree.Folder(L"Un");
    m_main.AddFileRow(Source(L"Un\\a.eml", 1), m_tree.Path(L"Un"));

    RecordingSave save(SourceListOf(m_main));
    const auto seen = Run(save);
    ASSERT_EQ(Call("DllRegisterServer"), S_OK);
    if (stillThere) GTEST_SKIP() << "another registration of the ProgID is in place";
    ExpectOneMessage(seen, kNotRegistered);
    EXPECT_EQ(save.events, (std::vector<std::wstring>{L"button:Completed && Close"}));
    EXPECT_FALSE(IsExistingFolder(m_out + L"\\Un"));
}

// Each allocation made in starting the worker fails in turn. Without a
// worker the run is over at once, so the end of the main dialog does not
// wait for it, and the button offers to close the window.
TEST_F(ConversionRunTest, AWorkerThatCannotStartLeavesNoRunBehind) {
    DialogWatcher watcher(IDOK);
    watcher.Ignore(m_main.m_hWnd);
    for (std::size_t succeeding = 0;; ++succeeding) {
        SCOPED_TRACE(succeeding);
        CSave save(SourceListOf(m_main), DestinationFolder);
        std::size_t refused = 0;
        {
            const FailingAllocations failing(succeeding, FailingAllocations::Fault::OutOfMemory, 1);
            ASSERT_TRUE(save.Create());
            refused = failing.Refused();
        }
        if (refused == 0) {
            // The worker started; over an empty list it completes at once.
            ConversionRuns.WaitUntilIdle();
            DestroyWindow(save.m_hWnd);
            break;
        }
        EXPECT_TRUE(ConversionRuns.IsIdle());
        EXPECT_EQ(std::wstring(ControlOf<CButton>(save, IDC_STOP).GetWindowText().GetString()), L"Completed && Close");
        DestroyWindow(save.m_hWnd);
    }
    const auto seen = watcher.Taken();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, kSuccess);
}

// Stop closes the window at once; the worker finishes the job, its late
// updates go nowhere, its completion message still comes, and the end of
// the main dialog waits for it.
TEST_F(ConversionRunTest, AfterStopTheRunFinishesAndTheMainDialogWaitsForIt) {
    const CString many = m_tree.Folder(L"Many");
    for (int i = 0; i < 25; ++i) Source((L"Many\\m" + std::to_wstring(i) + L".eml").c_str(), i);
    AddFolderRow(many, L"Many");

    DialogWatcher watcher(IDOK);
    watcher.Ignore(m_main.m_hWnd);
    {
        RecordingSave save(SourceListOf(m_main), true);
        save.DoModal();
    }
    // A second run while the first may still work: it waits for its turn.
    {
        RecordingSave second(SourceListOf(m_main));
        second.DoModal();
        EXPECT_EQ(second.events.back(), L"button:Completed && Close");
    }
    DestroyWindow(m_main.m_hWnd);
    EXPECT_TRUE(ConversionRuns.IsIdle());
    const auto seen = watcher.Taken();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].text, kSuccess);
    EXPECT_EQ(seen[1].text, kSuccess);
    for (int i = 0; i < 25; ++i)
        EXPECT_TRUE(IsCompoundFile(m_out + (L"\\Many\\m" + std::to_wstring(i) + L".msg").c_str()));
}

}  // namespace

}  // namespace mailvane::mainwindow
