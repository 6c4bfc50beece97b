#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace mailvane::rtf {

// RTF that carries `htmlBytes` (HTML in code page `codePage`) the way
// Outlook keeps an HTML body: `{\rtf1\ansi\ansicpgN\fromhtml1 \deff0{\fonttbl...}`,
// every piece of markup in a `{\*\htmltagN ...}` group, the text between
// tags as visible RTF text, and whatever only RTF readers need bracketed by
// `\htmlrtf ... \htmlrtf0`. Bytes outside ASCII become `\'hh`; for code
// page 65001 each UTF-8 sequence becomes `\uN` with its bytes as hidden
// fallbacks, so that a reader that de-encapsulates gives back `htmlBytes`
// exactly.
std::string EncapsulateHtml(std::string_view htmlBytes, int codePage);

// Receives RTF in order, a piece at a time.
using RtfPieces = std::function<void(std::string_view)>;

// The same RTF, handed over in pieces of a few dozen kilobytes as it is made,
// so that a large body never has to be held as RTF.
void EncapsulateHtml(std::string_view htmlBytes, int codePage, const RtfPieces& out);

// A plain-text RTF body: one `\par` per line, every character beyond ASCII
// as `\uN?`. Line ends may be CRLF, LF or CR.
std::string RtfFromPlainText(std::u16string_view text);
void RtfFromPlainText(std::u16string_view text, const RtfPieces& out);

// The same RTF for a text handed over in pieces, which may part a CRLF.
class PlainTextRtf {
public:
    // `textSize` is a guess at the whole text's length, for the room the
    // pieces take.
    PlainTextRtf(const RtfPieces& out, std::size_t textSize);
    void Append(std::u16string_view text);
    void Finish();

private:
    const RtfPieces& m_pieces;
    std::string m_rtf;
    bool m_afterCr = false;  // the last piece ended in a CR
};

}  // namespace mailvane::rtf
