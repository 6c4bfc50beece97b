#include "engine/mapping/line_ends.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace mailvane::mapping {

namespace {

// Whether any of four code units is below 0x0E, where CR and LF lie: each
// such unit borrows in the subtraction without its top bit being set. A
// unit can be flagged wrongly only above one that is not.
bool MayHoldLineEnd(const char16_t* four) {
    std::uint64_t units;
    std::memcpy(&units, four, sizeof units);
    return ((units - 0x000E000E000E000Eu) & ~units & 0x8000800080008000u) != 0;
}

// Calls `visit` with the position of each CR and LF of the text, in order,
// as long as it returns true; whether it always did. Text is passed over
// four units at a time while none of them can be one.
template <typename Visit>
bool EachLineEnd(std::u16string_view text, Visit visit) {
    std::size_t i = 0;
    while (i < text.size()) {
        if (text.size() - i >= 4 && !MayHoldLineEnd(text.data() + i)) {
            i += 4;
            continue;
        }
        const std::size_t stop = std::min(text.size(), i + 4);
        for (; i < stop; ++i) {
            if ((text[i] == u'\r' || text[i] == u'\n') && !visit(i)) return false;
        }
    }
    return true;
}

std::vector<std::size_t> LineEndPositions(std::u16string_view text) {
    std::vector<std::size_t> ends;
    EachLineEnd(text, [&](std::size_t i) {
        ends.push_back(i);
        return true;
    });
    return ends;
}

// A CR with a CRLF right after it: it is dropped.
bool PrecedesCrLf(std::u16string_view text, std::size_t i) {
    return text[i] == u'\r' && i + 2 < text.size() && text[i + 1] == u'\r' && text[i + 2] == u'\n';
}

// A line end that takes one more unit: a CR without its LF, or an LF
// without its CR.
bool IsLone(std::u16string_view text, std::size_t i) {
    if (text[i] == u'\r') return i + 1 == text.size() || text[i + 1] != u'\n';
    return i == 0 || text[i - 1] != u'\r';
}

bool EndsLinesWithCrLf(std::u16string_view text) {
    return EachLineEnd(text, [&](std::size_t i) { return !IsLone(text, i); });
}

// Drops the CRs that precede a CRLF, moving the text forward in place.
void DropCrsBeforeCrLf(std::u16string& text, const std::vector<std::size_t>& ends) {
    std::size_t write = 0;
    std::size_t read = 0;
    for (const std::size_t end : ends) {
        if (!PrecedesCrLf(text, end)) continue;
        std::memmove(text.data() + write, text.data() + read, (end - read) * sizeof(char16_t));
        write += end - read;
        read = end + 1;
    }
    std::memmove(text.data() + write, text.data() + read, (text.size() - read) * sizeof(char16_t));
    text.resize(write + text.size() - read);
}

}  // namespace

std::u16string WithCrLfLineEnds(std::u16string text) {
    if (EndsLinesWithCrLf(text)) return text;
    std::vector<std::size_t> ends = LineEndPositions(text);
    bool dropping = false;
    for (const std::size_t end : ends) dropping = dropping || PrecedesCrLf(text, end);
    if (dropping) {
        DropCrsBeforeCrLf(text, ends);
        ends = LineEndPositions(text);
    }
    // The lone ones each become CRLF. The text only grows, so it is filled
    // from its end, a run between two lone line ends at a time: every unit
    // is read before the filling reaches its place.
    std::erase_if(ends, [&](std::size_t end) { return !IsLone(text, end); });
    if (ends.empty()) return text;
    const std::size_t size = text.size();
    const std::size_t added = ends.size();
    // Without room for the growth, the text moves to a string of the size
    // it will have first.
    if (text.capacity() < size + added) {
        std::u16string larger;
        larger.reserve(size + added);
        larger.assign(text);
        text.swap(larger);
    }
    text.resize(size + added);
    std::size_t runEnd = size;  // the end of the run still to move
    std::size_t write = size + added;
    for (std::size_t k = ends.size(); k-- > 0;) {
        const std::size_t end = ends[k];
        const std::size_t run = runEnd - (end + 1);
        write -= run;
        std::memmove(text.data() + write, text.data() + end + 1, run * sizeof(char16_t));
        text[--write] = u'\n';
        text[--write] = u'\r';
        runEnd = end;
    }
    return text;
}

std::size_t LineEndGrowthBound(std::string_view bytes) {
    if (bytes.empty()) return 0;  // perhaps without bytes to point at, which memchr may not be given
    std::size_t lone = 0;
    const char* const begin = bytes.data();
    const char* const end = begin + bytes.size();
    for (const char* cr = begin; (cr = static_cast<const char*>(std::memchr(cr, '\r', end - cr))) != nullptr; ++cr) {
        if (cr + 1 == end || cr[1] != '\n') ++lone;
    }
    for (const char* lf = begin; (lf = static_cast<const char*>(std::memchr(lf, '\n', end - lf))) != nullptr; ++lf) {
        if (lf == begin || lf[-1] != '\r') ++lone;
    }
    return lone;
}

}  // namespace mailvane::mapping
