#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/io/byte_input.h"

namespace mailvane::mbox {

// The mbox variants, as they differ for a reader:
// - mboxo: "From " lines separate messages; a writer quoted a body line
//   "From " as ">From ", which is read back (">>From " stays as it is);
// - mboxrd: as mboxo, but every ">...>From " line lost one ">" when read;
// - mboxcl: as mboxo, and a Content-Length header gives the body's size;
// - mboxcl2: the Content-Length gives the body's size and nothing is quoted.
// Auto takes a Content-Length when it checks out (the body it gives ends
// at the end of the file or just before a blank line and a "From " line):
// such a body is read as it stands (mboxcl2); other messages are split at
// "From " lines and read as mboxrd. The named variants trust a Content-
// Length only when it checks out too, and split at "From " lines otherwise.
enum class MboxFormat { Auto, Mboxo, Mboxrd, Mboxcl, Mboxcl2 };

std::optional<MboxFormat> MboxFormatNamed(std::string_view name);

struct MboxMessage {
    std::vector<std::uint8_t> bytes;  // the message, unquoted, without its "From " line
    std::uint64_t offset = 0;         // of its "From " line (of its first byte when it has none)
    bool oversized = false;           // longer than the reader's limit: `bytes` is empty
};

// Reads an mbox file message by message, holding one message at a time
// (and a buffer of 256 KiB), so that a mailbox of any size streams in
// memory in proportion to its largest message. A "From " line separates
// two messages only where it follows a blank line (or starts the file or
// a message) and reads "From <sender> <date>" with a date that has a day
// or month name, a time and a year; any other "From " line (a body's
// "From the start ...") is a line of its message. The blank line a writer
// puts after each message is not part of it. Lines may end in LF or CRLF.
class MboxReader {
public:
    MboxReader(ByteInput& input, MboxFormat format, std::uint64_t messageLimit);
    // The next message; false at the end of the mailbox, or when reading
    // failed (Error()). A message of nothing but blank lines is passed over.
    bool Next(MboxMessage& message);
    // Bytes of the mailbox read so far.
    std::uint64_t Consumed() const { return m_consumed; }
    const std::string& Error() const { return m_error; }

private:
    struct Line {
        std::size_t begin = 0;
        std::size_t size = 0;
        bool atStart = false;  // begins a line (a long line comes in several pieces)
        bool ended = false;    // ends with its line feed
    };
    enum class Quoting { None, Single, Every };

    bool ReadLine(Line& line);
    bool ReadRaw(std::uint64_t size, std::vector<std::uint8_t>& out);
    void Unread(const std::vector<std::uint8_t>& bytes);
    bool Fill();
    std::string_view View(const Line& line) const;
    void Append(MboxMessage& message, const std::uint8_t* data, std::size_t size);
    void AppendLine(MboxMessage& message, const Line& line, Quoting quoting);
    bool ReadCountedBody(MboxMessage& message, std::uint64_t length);
    Quoting SeparatedQuoting() const;

    ByteInput& m_input;
    MboxFormat m_format;
    std::uint64_t m_limit;
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    bool m_inputEnded = false;
    bool m_atLineStart = true;
    std::uint64_t m_consumed = 0;
    bool m_started = false;
    bool m_finished = false;
    std::uint64_t m_nextOffset = 0;  // of the "From " line that ended the last message
    std::string m_error;
};

// True when `line` (with or without its line end) has the form of an mbox
// separator line: "From <sender> <date>", the date with a day or month
// name, a time and a four-digit year.
bool IsMboxSeparatorLine(std::string_view line);

}  // namespace mailvane::mbox
