// Without the component registered the run reports it once, relabels its
// button and converts nothing; the registration is restored afterwards.
#include <windows.h>

#include <fstream>

#include "driver/component_registration.h"
#include "driver/polling.h"
#include "driver/screenshot.h"
#include "driver/window_probe.h"
#include "scenario.h"

namespace mailvane::e2e {
namespace {

constexpr wchar_t kNotRegisteredText[] = L"One of DLL **Redemption.dll** is not registered, So First Register It.!";

// Unregisters the build's component for one scenario and registers it
// again, whatever the scenario's outcome.
class UnregisteredComponent {
public:
    UnregisteredComponent() { m_unregistered = UnregisterComponent(ComponentPath()); }
    UnregisteredComponent(const UnregisteredComponent&) = delete;
    UnregisteredComponent& operator=(const UnregisteredComponent&) = delete;
    ~UnregisteredComponent() { RegisterComponent(ComponentPath()); }
    bool Unregistered() const { return m_unregistered; }

private:
    bool m_unregistered = false;
};

class RegistrationTest : public ScenarioTest {};

TEST_F(RegistrationTest, AnUnregisteredComponentIsReportedOnceAndNothingIsWritten) {
    const std::wstring root = FreshWorkFolder(L"unregistered");
    const std::wstring out = Join(root, L"Out");
    ASSERT_TRUE(MakeFolders(out));
    std::ofstream(Join(root, L"one.eml").c_str(), std::ios::binary) << "Subject: one\r\n\r\nbody\r\n";
    ASSERT_TRUE(m_app.AddFiles(root, {L"one.eml"}));
    ASSERT_TRUE(m_app.WaitForItemCount(L"1  files"));
    ASSERT_TRUE(m_app.Browse(out));
    ASSERT_TRUE(PollUntil([&] { return m_app.DestinationText() == out; }));
    {
        UnregisteredComponent unregistered;
        ASSERT_TRUE(unregistered.Unregistered());
        ASSERT_FALSE(IsSessionClassRegistered());

        ASSERT_TRUE(m_app.Press(ids::kConvert));
        HWND progress = m_app.WaitForProgressWindow();
        ASSERT_NE(progress, nullptr);
        const MessageBoxSeen failure = WaitForMessageBox(m_app.Id());
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure.caption, kRunCaption);
        EXPECT_EQ(failure.text, kNotRegisteredText);
        EXPECT_FALSE(SaveScreenshot(failure.window, L"message-not-registered").empty());
        ASSERT_TRUE(Answer(failure, IDOK));
        ASSERT_TRUE(PollUntil([&] { return ItemText(progress, ids::kStop) == kCompletedButton; }));
        EXPECT_TRUE(NoMessageBoxShown(m_app.Id())) << "a completion message followed the failure";
        CloseProgressWindow(progress);
        EXPECT_TRUE(FilesIn(Join(out, LastComponent(root)), L"*.msg").empty());
    }
    EXPECT_TRUE(IsSessionClassRegistered()) << "the registration was not restored";
}

}  // namespace
}  // namespace mailvane::e2e
