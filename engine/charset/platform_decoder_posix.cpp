#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "engine/charset/platform_decoder.h"

namespace mailvane::charset {
namespace {

// Opening a descriptor looks the charset up and may load its module, which
// costs more than decoding a whole message body; so each thread keeps the
// descriptors of the charsets it met last and resets one before each use.
class ConverterCache {
public:
    ConverterCache() = default;
    ConverterCache(const ConverterCache&) = delete;
    ConverterCache& operator=(const ConverterCache&) = delete;
    ~ConverterCache() {
        for (const Entry& entry : m_entries) iconv_close(entry.handle);
    }

    // A descriptor from `from` to UTF-16LE in its initial state, or nothing
    // when iconv does not know the charset.
    std::optional<iconv_t> Get(std::string_view from) {
        for (std::size_t i = 0; i < m_entries.size(); ++i) {
            if (m_entries[i].from != from) continue;
            // The most recent first, so that a mail of one charset finds it at once.
            std::rotate(m_entries.begin(), m_entries.begin() + static_cast<std::ptrdiff_t>(i),
                        m_entries.begin() + static_cast<std::ptrdiff_t>(i) + 1);
            iconv(m_entries.front().handle, nullptr, nullptr, nullptr, nullptr);
            return m_entries.front().handle;
        }
        const std::string name(from);
        const iconv_t handle = iconv_open("UTF-16LE", name.c_str());
        if (handle == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
        if (m_entries.size() == kKept) {
            iconv_close(m_entries.back().handle);
            m_entries.pop_back();
        }
        m_entries.insert(m_entries.begin(), Entry{name, handle});
        return handle;
    }

private:
    // More than the legacy charsets of a mixed archive: a run that met more
    // charsets than it kept closed and opened them again in turn, and the C
    // library loaded their modules again each time (with 8 kept, about 2 %
    // of a run over the corpus, whose messages need 13 charset modules).
    static constexpr std::size_t kKept = 32;

    struct Entry {
        std::string from;
        iconv_t handle;
    };
    std::vector<Entry> m_entries;
};

}  // namespace

std::optional<std::u16string> DecodeWithPlatform(std::string_view bytes, const CharsetInfo& charset) {
    if (charset.iconvName.empty()) {
        return std::nullopt;
    }
    thread_local ConverterCache converters;
    const std::optional<iconv_t> converter = converters.Get(charset.iconvName);
    if (!converter) {
        return std::nullopt;
    }
    std::string input(bytes);
    std::string output(bytes.size() * 4 + 16, '\0');
    char* in = input.data();
    std::size_t inLeft = input.size();
    char* out = output.data();
    std::size_t outLeft = output.size();
    while (inLeft > 0) {
        if (iconv(*converter, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1)) {
            continue;
        }
        if (errno != E2BIG) {
            return std::nullopt;  // EILSEQ or a truncated sequence (EINVAL)
        }
        const std::size_t used = output.size() - outLeft;
        output.resize(output.size() * 2);
        out = output.data() + used;
        outLeft = output.size() - used;
    }
    // Flush the shift state of stateful charsets such as ISO-2022-KR.
    if (iconv(*converter, nullptr, nullptr, &out, &outLeft) == static_cast<std::size_t>(-1)) {
        return std::nullopt;
    }
    const std::size_t produced = output.size() - outLeft;
    std::u16string text(produced / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(output[2 * i]) |
                                        (static_cast<unsigned char>(output[2 * i + 1]) << 8));
    }
    return text;
}

}  // namespace mailvane::charset
