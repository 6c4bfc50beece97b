#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mailvane::mime {

// Incremental uudecoding of the lines of one block. A leading "begin" line
// is skipped; input stops counting at the "end" line. Feeding the input in
// any number of pieces gives the same output as feeding it whole.
class UuDecoder {
public:
    void Feed(std::string_view chunk, std::vector<std::uint8_t>& out);
    void Finish(std::vector<std::uint8_t>& out);
    bool SawInvalidInput() const { return m_invalid; }
    bool SawEnd() const { return m_ended; }

private:
    void DecodeLine(std::vector<std::uint8_t>& out);

    std::string m_line;  // the current line, up to a length no encoder writes
    bool m_lineTooLong = false;
    bool m_sawData = false;
    bool m_ended = false;
    bool m_invalid = false;
};

// A "begin <mode> <name>" ... "end" block found in a text body.
struct UuencodedFile {
    std::string name;  // bytes as written after the mode
    unsigned mode = 0;
    std::vector<std::uint8_t> data;
    std::size_t begin = 0;  // offset of the "begin" line in the scanned text
    std::size_t end = 0;    // one past the "end" line (or the text's end when it is missing)
    bool complete = false;  // the "end" line was there
    bool damaged = false;   // some line did not decode cleanly
};

struct UuencodeScan {
    std::vector<UuencodedFile> files;
    std::string remainingText;  // the text with every block cut out
};

// Finds the uuencoded blocks of a text/plain body so that they can become
// attachments while the rest stays the message text.
UuencodeScan FindUuencodedBlocks(std::string_view text);

}  // namespace mailvane::mime
