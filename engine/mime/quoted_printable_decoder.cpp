#include "engine/mime/quoted_printable_decoder.h"

#include "engine/mime/ascii_text.h"

namespace mailvane::mime {
namespace {

// Neither an escape, nor a blank that may be trailing, nor a line break.
bool StandsForItself(char c) { return c != '=' && !IsBlank(c) && !IsLineBreak(c); }

}  // namespace

void QuotedPrintableDecoder::FlushHeld(std::vector<std::uint8_t>& out) {
    out.insert(out.end(), m_held.begin(), m_held.end());
    m_held.clear();
}

void QuotedPrintableDecoder::Step(char c, std::vector<std::uint8_t>& out) {
    switch (m_state) {
        case State::Text:
            if (c == '=') {
                FlushHeld(out);
                m_state = State::Equal;
            } else if (IsBlank(c)) {
                m_held.push_back(c);
            } else if (IsLineBreak(c)) {
                m_held.clear();  // trailing blanks were added in transport
                out.push_back(static_cast<std::uint8_t>(c));
            } else {
                FlushHeld(out);
                out.push_back(static_cast<std::uint8_t>(c));
            }
            return;
        case State::Equal:
            if (HexValue(c) >= 0) {
                m_firstHex = HexValue(c);
                m_held.assign({'=', c});
                m_state = State::Hex;
            } else if (c == '\r') {
                m_state = State::SoftCr;
            } else if (c == '\n') {
                m_state = State::Text;
            } else if (IsBlank(c)) {
                m_held.assign({'=', c});
                m_state = State::EqualBlanks;
            } else {
                m_invalid = true;
                out.push_back('=');
                m_state = State::Text;
                Step(c, out);
            }
            return;
        case State::Hex:
            m_state = State::Text;
            if (HexValue(c) >= 0) {
                m_held.clear();
                out.push_back(static_cast<std::uint8_t>(m_firstHex * 16 + HexValue(c)));
            } else {
                m_invalid = true;
                FlushHeld(out);
                Step(c, out);
            }
            return;
        case State::EqualBlanks:
            if (IsBlank(c)) {
                m_held.push_back(c);
            } else if (c == '\r' || c == '\n') {
                m_held.clear();
                m_state = c == '\r' ? State::SoftCr : State::Text;
            } else {
                m_invalid = true;
                m_state = State::Text;
                FlushHeld(out);
                Step(c, out);
            }
            return;
        case State::SoftCr:
            m_state = State::Text;
            if (c != '\n') {
                Step(c, out);
            }
            return;
    }
}

void QuotedPrintableDecoder::Feed(std::string_view chunk, std::vector<std::uint8_t>& out) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(chunk.data());
    std::size_t i = 0;
    while (i < chunk.size()) {
        // In text with nothing held, a run of bytes that stand for
        // themselves goes over at once: most of any body.
        if (m_state == State::Text && m_held.empty()) {
            std::size_t end = i;
            while (end < chunk.size() && StandsForItself(chunk[end])) ++end;
            if (end != i) {
                out.insert(out.end(), bytes + i, bytes + end);
                i = end;
                continue;
            }
        }
        Step(chunk[i++], out);
    }
}

void QuotedPrintableDecoder::Finish(std::vector<std::uint8_t>& out) {
    if (m_state == State::Hex) {
        m_invalid = true;
        FlushHeld(out);
    }
    // Blanks at the very end are trailing blanks; an '=' there is a soft break.
    m_held.clear();
    m_state = State::Text;
}

}  // namespace mailvane::mime
