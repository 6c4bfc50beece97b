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
  UnregisteredComponent() { unregistered_ = UnregisterComponent(ComponentPath()); }
  UnregisteredComponent(const UnregisteredComponent&) = delete;
  UnregisteredComponent& operator=(const UnregisteredComponent&) = delete;
  ~UnregisteredComponent() { RegisterComponent(ComponentPath()); }
  bool Unregistered() const { return unregistered_; }

 private:
  bool unregistered_ = false;
};

class RegistrationTest : public ScenarioTest {};

TEST_F(RegistrationTest, AnUnregisteredComponentIsReportedOnceAndNothingIsWritten) {
  const std::wstring root = FreshWorkFolder(L"unregistered");
  const std::wstring out = Join(root, L"Out");
  ASSERT_TRUE(MakeFolders(out));
  std::ofstream(Join(root, L"one.eml").c_str(), std::ios::binary) << "Subject: one\r\n\r\nbody\r\n";
  ASSERT_TRUE(app_.AddFiles(root, {L"one.eml"}));
  ASSERT_TRUE(app_.WaitForItemCount(L"1  files"));
  ASSERT_TRUE(app_.Browse(out));
  ASSERT_TRUE(PollUntil([&] { return app_.DestinationText() == out; }));
  {
    UnregisteredComponent unregistered;
    ASSERT_TRUE(unregistered.Unregistered());
    ASSERT_FALSE(IsSessionClassRegistered());

    ASSERT_TRUE(app_.Press(ids::kConvert));
    HWND progress = app_.WaitForProgressWindow();
    ASSERT_NE(progress, nullptr);
    const MessageBoxSeen failure = WaitForMessageBox(app_.Id());
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure.caption, kRunCaption);
    EXPECT_EQ(failure.text, kNotRegisteredText);
    EXPECT_FALSE(SaveScreenshot(failure.window, L"message-not-registered").empty());
    ASSERT_TRUE(Answer(failure, IDOK));
    ASSERT_TRUE(PollUntil([&] { return ItemText(progress, ids::kStop) == kCompletedButton; }));
    EXPECT_TRUE(NoMessageBoxShown(app_.Id())) << "a completion message followed the failure";
    CloseProgressWindow(progress);
    EXPECT_TRUE(FilesIn(Join(out, LastComponent(root)), L"*.msg").empty());
  }
  EXPECT_TRUE(IsSessionClassRegistered()) << "the registration was not restored";
}

}  // namespace
}  // namespace mailvane::e2e
