// Prints how fast messages of growing size parse, so that a loss of linear
// behaviour (a boundary or header scan gone quadratic) shows as a falling
// rate. A benchmark, not a test: it asserts nothing and is not run by CTest.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "engine/mime/message_parser.h"

namespace {

using mailvane::mime::ParseMessage;

std::string Base64Line() { return std::string(76, 'Q') + "\r\n"; }

// A multipart/mixed message of `parts` parts, each a base64 attachment or a
// quoted-printable text, nested one level in an alternative every tenth part.
std::string MakeMessage(std::size_t parts, std::size_t linesPerPart) {
    std::string text =
        "From: Bench <bench@example.test>\r\nTo: a@example.test, \"B, C\" <b@example.test>\r\n"
        "Subject: =?utf-8?Q?benchmark_caf=C3=A9?=\r\nMIME-Version: 1.0\r\n"
        "Content-Type: multipart/mixed; boundary=\"outer\"\r\n\r\n";
    for (std::size_t i = 0; i < parts; ++i) {
        text += "--outer\r\n";
        if (i % 10 == 0) {
            text +=
                "Content-Type: multipart/alternative; boundary=\"inner\"\r\n\r\n--inner\r\n"
                "Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n";
            for (std::size_t line = 0; line < linesPerPart; ++line) {
                text += "caf=C3=A9 au lait, soft break follows=\r\n";
            }
            text += "\r\n--inner--\r\n";
        } else {
            text += "Content-Type: application/octet-stream; name=\"part" + std::to_string(i) +
                    ".bin\"\r\nContent-Transfer-Encoding: base64\r\n\r\n";
            for (std::size_t line = 0; line < linesPerPart; ++line) {
                text += Base64Line();
            }
        }
    }
    return text + "--outer--\r\n";
}

}  // namespace

int main() {
    std::printf("%12s %10s %10s %12s\n", "bytes", "parts", "ms", "MB/s");
    for (std::size_t scale : {1u, 4u, 16u, 64u}) {
        const std::string text = MakeMessage(100 * scale, 130);
        const std::vector<std::uint8_t> bytes(text.begin(), text.end());
        constexpr int kRounds = 3;
        double best = 1e300;
        std::size_t entities = 0;
        for (int round = 0; round < kRounds; ++round) {
            auto input = bytes;  // the parser takes ownership; the copy is not its cost
            const auto start = std::chrono::steady_clock::now();
            const auto message = ParseMessage(std::move(input));
            const auto stop = std::chrono::steady_clock::now();
            best = std::min(best, std::chrono::duration<double, std::milli>(stop - start).count());
            entities = message.root.children.size();
        }
        std::printf("%12zu %10zu %10.1f %12.1f\n", bytes.size(), entities, best,
                    static_cast<double>(bytes.size()) / 1e6 / (best / 1000.0));
    }
    return 0;
}
