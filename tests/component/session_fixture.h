#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/component/component_client.h"

namespace mailvane::component_test {

// A small well-formed message to import.
inline constexpr char kSimpleMessage[] =
    "From: Ann Sender <ann@example.com>\r\n"
    "To: Bob Receiver <bob@example.com>\r\n"
    "Subject: Quarterly figures\r\n"
    "Date: Mon, 7 Dec 2026 06:00:00 +0000\r\n"
    "Message-ID: <figures@example.com>\r\n"
    "MIME-Version: 1.0\r\n"
    "Content-Type: text/plain; charset=us-ascii\r\n"
    "\r\n"
    "The figures are attached in spirit.\r\n";

// Registers the component once per program and gives each test a scratch
// folder and a session made as the program makes it, on an STA thread.
class SessionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(RunRegsvr32(false), 0u); }

    void WithSession(const std::function<void(void* session)>& body) {
        RunInApartment([&] {
            win32::ComRef<IUnknown> session;
            ASSERT_EQ(CreateSession(session), S_OK);
            body(session.Get());
        });
    }

    std::wstring Path(const std::wstring& name) const { return (m_scratch / name).wstring(); }
    std::wstring SimpleSource(const std::wstring& name = L"source.eml") const {
        WriteText(m_scratch / name, kSimpleMessage);
        return Path(name);
    }

    ScratchFolder m_scratch;
};

// Expects `hr` from `call`, with an error description holding `described`.
#define EXPECT_FAILURE(call, hr, described)                                            \
    do {                                                                               \
        EXPECT_EQ((call), (hr));                                                       \
        const std::wstring m_description = LastErrorDescription();                     \
        EXPECT_NE(m_description.find(described), std::wstring::npos) << m_description; \
    } while (false)

}  // namespace mailvane::component_test
