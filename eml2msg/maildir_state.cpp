#include "eml2msg/maildir_state.h"

#include <algorithm>
#include <string_view>

#include "engine/text/ascii_case.h"
#include "engine/text/utf16.h"
#include "engine/text/utf8.h"

namespace mailvane::cli {

namespace {

// UTF-16 for UTF-8 text; bytes that are no UTF-8 become U+FFFD.
std::u16string Widened(std::string_view text) {
    std::u16string out;
    for (std::size_t at = 0; at < text.size();) {
        char32_t c = 0;
        const std::size_t length = text::DecodeUtf8(text, at, c);
        text::AppendUtf16(out, length == 0 ? U'\uFFFD' : c);
        at += length == 0 ? 1 : length;
    }
    return out;
}

// Thunderbird's five tags, as its keywords name them.
std::string_view ThunderbirdTag(std::string_view keyword) {
    static constexpr std::string_view kTags[] = {"Important", "Work", "Personal", "To Do", "Later"};
    if (keyword.size() == 7 && text::EqualsIgnoreCase(keyword.substr(0, 6), "$label") && keyword[6] >= '1' &&
        keyword[6] <= '5') {
        return kTags[keyword[6] - '1'];
    }
    return {};
}

}  // namespace

MailState MaildirState(const mbox::MaildirInfo& info, const mbox::DovecotKeywords& keywords, MaildirSubfolder in) {
    MailState state;
    state.draft = info.draft;
    state.read = info.seen && in == MaildirSubfolder::Cur;
    state.replied = info.replied;
    state.forwarded = info.passed;
    state.flagged = info.flagged;
    state.deleted = info.trashed;
    for (const char letter : info.keywords) {
        const std::string& name = keywords[static_cast<std::size_t>(letter - 'a')];
        if (name.empty()) continue;
        std::string_view category = name;
        if (text::EqualsIgnoreCase(name, "$Forwarded")) {
            state.forwarded = true;
            continue;
        }
        if (const std::string_view tag = ThunderbirdTag(name); !tag.empty()) {
            category = tag;
        } else if (name.front() == '$' || name.front() == '\\') {
            continue;
        }
        std::u16string wide = Widened(category);
        if (std::find(state.categories.begin(), state.categories.end(), wide) == state.categories.end())
            state.categories.push_back(std::move(wide));
    }
    return state;
}

}  // namespace mailvane::cli
