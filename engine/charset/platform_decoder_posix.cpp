#include "engine/charset/platform_decoder.h"

#include <iconv.h>

#include <cerrno>
#include <string>

namespace mailvane::charset {
namespace {

// One conversion descriptor, closed on every path.
class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : m_handle(iconv_open(to, from)) {}
    ~IconvHandle() {
        if (valid()) {
            iconv_close(m_handle);
        }
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    bool valid() const { return m_handle != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return m_handle; }

private:
    iconv_t m_handle;
};

}  // namespace

std::optional<std::u16string> DecodeWithPlatform(std::string_view bytes, const CharsetInfo& charset) {
    if (charset.iconvName.empty()) {
        return std::nullopt;
    }
    const std::string from(charset.iconvName);
    IconvHandle converter("UTF-16LE", from.c_str());
    if (!converter.valid()) {
        return std::nullopt;
    }
    std::string input(bytes);
    std::string output(bytes.size() * 4 + 16, '\0');
    char* in = input.data();
    std::size_t inLeft = input.size();
    char* out = output.data();
    std::size_t outLeft = output.size();
    while (inLeft > 0) {
        if (iconv(converter.get(), &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1)) {
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
    if (iconv(converter.get(), nullptr, nullptr, &out, &outLeft) == static_cast<std::size_t>(-1)) {
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
