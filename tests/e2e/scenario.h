#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "driver/mailvane_app.h"
#include "driver/message_box_probe.h"
#include "driver/test_paths.h"

namespace mailvane::e2e {

// The caption of the run's messages: the maker's and the product's names
// followed by thirteen blanks.
inline const std::wstring kRunCaption = L"Quorvel Mailvane" + std::wstring(13, L' ');
inline constexpr wchar_t kCompletedText[] = L"EML to MSG file conversion has been successfully completed.";
inline constexpr wchar_t kCompletedButton[] = L"Completed && Close";

// Every scenario starts the build's program afresh with the build's
// component registered, and ends whatever it started.
class ScenarioTest : public ::testing::Test {
protected:
    void SetUp() override;

    // Real messages of the shared corpus, `count` of them in name order,
    // drawn from those whose subject line is plain enough to compare.
    static std::vector<std::wstring> CorpusMessages(size_t count);
    // Copies each of `sources` into `folder`; the copies' paths.
    static std::vector<std::wstring> CopyAll(const std::vector<std::wstring>& sources, const std::wstring& folder);
    // The files directly in `folder` whose names match `pattern`, sorted.
    static std::vector<std::wstring> FilesIn(const std::wstring& folder, const std::wstring& pattern = L"*");
    // Records converted/source pairs for the read-back by the independent
    // reader that runs after the scenarios.
    static void WriteManifest(const std::wstring& folder,
                              const std::vector<std::pair<std::wstring, std::wstring>>& pairs);

    // Waits for the run's completion message and checks its caption and text.
    MessageBoxSeen ExpectCompletionMessage();
    // Presses Stop / "Completed && Close" and waits until the window is gone.
    void CloseProgressWindow(HWND progress);

    MailvaneApp m_app;
};

// Skips the scenario, saying why, when no corpus is at hand.
#define E2E_REQUIRE_CORPUS()                                                          \
    if (::mailvane::e2e::CorpusFolder().empty()) {                                    \
        GTEST_SKIP() << "no corpus: set MAILVANE_CORPUS to the shared corpus folder"; \
    }

}  // namespace mailvane::e2e
