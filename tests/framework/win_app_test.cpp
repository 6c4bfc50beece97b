#include "framework/win_app.h"

#include <gtest/gtest.h>

namespace mailvane::framework {

namespace {

class TestApp : public CWinAppEx {};

TEST(CWinApp, TakesItsTitleAndHelpFileFromTheExecutable) {
    EXPECT_EQ(AfxGetApp(), nullptr);
    EXPECT_EQ(AfxGetAppName(), CString(L"framework_tests"));
    {
        TestApp app;
        EXPECT_EQ(AfxGetApp(), &app);
        EXPECT_FALSE(app.InitInstance() == FALSE);
        EXPECT_EQ(app.GetAppName(), CString(L"framework_tests"));
        const CString help = app.GetHelpFilePath();
        EXPECT_EQ(help.Right(20), CString(L"\\framework_tests.chm"));
        app.SetRegistryKey(L"Local AppWizard-Generated Applications");
        EXPECT_EQ(app.GetProfileKeyPath(),
                  CString(L"Software\\Local AppWizard-Generated Applications\\framework_tests"));
        EXPECT_FALSE(app.OnCommand(0xE147));
        EXPECT_EQ(app.ExitInstance(), 0);
    }
    EXPECT_EQ(AfxGetApp(), nullptr);
}

TEST(CWinApp, ANamedApplicationKeepsItsName) {
    CWinApp app(L"Quorvel Tool");
    app.InitInstance();
    EXPECT_EQ(AfxGetAppName(), CString(L"Quorvel Tool"));
    EXPECT_TRUE(app.GetProfileKeyPath().IsEmpty());
}

}  // namespace

}  // namespace mailvane::framework
