#include "engine/mime/quoted_printable_decoder.h"

#include "engine/mime/ascii_text.h"

namespace mailvane::mime {

void QuotedPrintableDecoder::FlushHeld(std::vector<std::uint8_t>& out) {
    out.insert(out.end(), held_.begin(), held_.end());
    held_.clear();
}

void QuotedPrintableDecoder::Step(char c, std::vector<std::uint8_t>& out) {
    switch (state_) {
        case State::Text:
            if (c == '=') {
                FlushHeld(out);
                state_ = State::Equal;
            } else if (IsBlank(c)) {
                held_.push_back(c);
            } else if (IsLineBreak(c)) {
                held_.clear();  // trailing blanks were added in transport
                out.push_back(static_cast<std::uint8_t>(c));
            } else {
                FlushHeld(out);
                out.push_back(static_cast<std::uint8_t>(c));
            }
            return;
        case State::Equal:
            if (HexValue(c) >= 0) {
                firstHex_ = HexValue(c);
                held_.assign({'=', c});
                state_ = State::Hex;
            } else if (c == '\r') {
                state_ = State::SoftCr;
            } else if (c == '\n') {
                state_ = State::Text;
            } else if (IsBlank(c)) {
                held_.assign({'=', c});
                state_ = State::EqualBlanks;
            } else {
                invalid_ = true;
                out.push_back('=');
                state_ = State::Text;
                Step(c, out);
            }
            return;
        case State::Hex:
            state_ = State::Text;
            if (HexValue(c) >= 0) {
                held_.clear();
                out.push_back(static_cast<std::uint8_t>(firstHex_ * 16 + HexValue(c)));
            } else {
                invalid_ = true;
                FlushHeld(out);
                Step(c, out);
            }
            return;
        case State::EqualBlanks:
            if (IsBlank(c)) {
                held_.push_back(c);
            } else if (c == '\r' || c == '\n') {
                held_.clear();
                state_ = c == '\r' ? State::SoftCr : State::Text;
            } else {
                invalid_ = true;
                state_ = State::Text;
                FlushHeld(out);
                Step(c, out);
            }
            return;
        case State::SoftCr:
            state_ = State::Text;
            if (c != '\n') {
                Step(c, out);
            }
            return;
    }
}

void QuotedPrintableDecoder::Feed(std::string_view chunk, std::vector<std::uint8_t>& out) {
    for (char c : chunk) {
        Step(c, out);
    }
}

void QuotedPrintableDecoder::Finish(std::vector<std::uint8_t>& out) {
    if (state_ == State::Hex) {
        invalid_ = true;
        FlushHeld(out);
    }
    // Blanks at the very end are trailing blanks; an '=' there is a soft break.
    held_.clear();
    state_ = State::Text;
}

}  // namespace mailvane::mime
