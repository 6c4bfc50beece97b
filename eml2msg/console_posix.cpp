#include <unistd.h>

#include <cerrno>

#include "eml2msg/console.h"
#include "eml2msg/terminal_text.h"

namespace mailvane::cli {
namespace {

int DescriptorOf(Stream stream) { return stream == Stream::Output ? STDOUT_FILENO : STDERR_FILENO; }

}  // namespace

bool IsTerminal(Stream stream) { return ::isatty(DescriptorOf(stream)) == 1; }

void WriteText(Stream stream, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(DescriptorOf(stream), text.data(), text.size());
        if (written < 0 && errno == EINTR) continue;
        // A closed or full stream has no one to tell; the exit status still says how the run went.
        if (written <= 0) return;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

void WriteMessageLine(std::string_view prefix, std::string_view text) {
    WriteText(Stream::Error, std::string(prefix) + EscapedText(text, Backslash::Escaped) + "\n");
}

}  // namespace mailvane::cli
