#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/mapping/text_pieces.h"

namespace mailvane::mapping {

// The text of a format=flowed body (RFC 3676) as the paragraphs it stands
// for: space-stuffing removed, each flowed line (one ending in a blank,
// except the "-- " signature separator) joined with the next line of the
// same quote depth, the trailing blank dropped too when `deleteSpace`.
std::u16string UnflowText(std::u16string_view text, bool deleteSpace);

// The same for a text handed over in pieces, cut anywhere, and given on in
// pieces: only the line being read and the one before it are held.
class FlowedTextReader {
public:
    FlowedTextReader(bool deleteSpace, const TextPieces& out) : m_deleteSpace(deleteSpace), m_out(out) {}
    void Append(std::u16string_view text);
    void Finish();

private:
    // Gives a whole line on; `more` says whether another line follows it.
    void Line(std::u16string_view line, bool more);

    bool m_deleteSpace;
    const TextPieces& m_out;
    std::u16string m_line;                 // the line being read, up to its LF
    std::optional<std::u16string> m_done;  // the last line read whole, until it is known whether one follows
    bool m_joining = false;                // the last line given on was flowed: this one continues it
    std::size_t m_joinDepth = 0;
    std::u16string m_text;  // what a line gives, handed over at once
};

}  // namespace mailvane::mapping
