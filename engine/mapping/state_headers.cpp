#include "engine/mapping/state_headers.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "engine/charset/unlabelled_text.h"
#include "engine/mbox/gmail_labels.h"
#include "engine/mime/ascii_text.h"
#include "engine/mime/encoded_words.h"
#include "engine/text/ascii_case.h"

namespace mailvane::mapping {

namespace {

using text::EqualsIgnoreCase;

// X-Mozilla-Status bits (Thunderbird's nsMsgMessageFlags).
constexpr unsigned kMozillaRead = 0x0001;
constexpr unsigned kMozillaReplied = 0x0002;
constexpr unsigned kMozillaMarked = 0x0004;
constexpr unsigned kMozillaExpunged = 0x0008;
constexpr unsigned kMozillaForwarded = 0x1000;

// Each part of the state, once a source has spoken of it.
struct Findings {
    std::optional<bool> draft;
    std::optional<bool> read;
    std::optional<bool> replied;
    std::optional<bool> forwarded;
    std::optional<bool> flagged;
    std::optional<bool> deleted;
};

// A later source speaks only where no earlier one did.
void Speak(std::optional<bool>& part, bool value) {
    if (!part) part = value;
}

bool HasLetter(std::string_view value, char letter) {
    return std::any_of(value.begin(), value.end(), [letter](char c) { return text::AsciiUpper(c) == letter; });
}

// KMail writes X-Status in letters of its own: A replied, F forwarded, G
// flagged, D deleted, T "has attachments", and N, U, O, R, Q, K, S, W, I, P,
// H, C for states a message file has no place for. The mbox readers' X-Status
// (UW IMAP, mutt, pine) holds only A, F (flagged), T (draft) and D. KMail's
// is known by a letter only it writes or by KMail's own fields beside it.
bool IsKMailStatus(const mime::HeaderList& headers, std::string_view value) {
    for (char c : value) {
        if (!mime::IsBlank(c) && std::string_view("AFTD").find(text::AsciiUpper(c)) == std::string_view::npos) {
            return true;
        }
    }
    return std::any_of(headers.Fields().begin(), headers.Fields().end(), [](const mime::HeaderField& field) {
        return text::StartsWithIgnoreCase(field.name, "X-KMail-");
    });
}

void InvalidField(const mime::HeaderField& field, std::vector<mime::ParseIssue>& issues) {
    issues.push_back(
        {mime::IssueKind::InvalidStateField, field.offset, field.name + ": " + mime::IssueExcerpt(field.value)});
}

// The flags of X-Mozilla-Status: exactly four hexadecimal digits, as
// Thunderbird writes them (it rewrites the field in place, so its width
// never changes).
std::optional<unsigned> MozillaStatus(std::string_view value) {
    value = mime::TrimBlanks(value);
    if (value.size() != 4) return std::nullopt;
    unsigned flags = 0;
    for (char c : value) {
        const int digit = mime::HexValue(c);
        if (digit < 0) return std::nullopt;
        flags = flags * 16 + static_cast<unsigned>(digit);
    }
    return flags;
}

// What one keyword of X-Mozilla-Keys, X-Keywords or Keywords stands for.
struct KeywordMeaning {
    bool forwarded = false;
    std::u16string category;  // empty when the keyword names none
};

// Thunderbird's five built-in tags, kept by key; the names are those it
// shows for them.
constexpr std::array<std::pair<std::u16string_view, std::u16string_view>, 5> kThunderbirdLabels{{
    {u"$label1", u"Important"},
    {u"$label2", u"Work"},
    {u"$label3", u"Personal"},
    {u"$label4", u"To Do"},
    {u"$label5", u"Later"},
}};

// A keyword starting with '$' is a client's flag ($Forwarded, $Junk,
// $NotJunk, $MDNSent, ...), one with '\' an IMAP system flag, and Junk,
// NonJunk and NotJunk the junk filters' own: none is a name the owner gave.
KeywordMeaning MeaningOf(std::u16string keyword) {
    KeywordMeaning meaning;
    if (keyword.empty() || keyword.front() == u'\\') return meaning;
    if (keyword.front() == u'$') {
        if (EqualsIgnoreCase(keyword, u"$Forwarded")) meaning.forwarded = true;
        for (const auto& [key, name] : kThunderbirdLabels) {
            if (EqualsIgnoreCase(keyword, key)) meaning.category = name;
        }
        return meaning;
    }
    for (std::u16string_view junk : {u"Junk", u"NonJunk", u"NotJunk"}) {
        if (EqualsIgnoreCase(keyword, junk)) return meaning;
    }
    meaning.category = std::move(keyword);
    return meaning;
}

// The blank-separated keywords of X-Mozilla-Keys (which Thunderbird pads
// with blanks to leave room for more) and Dovecot's X-Keywords.
std::vector<std::u16string> BlankSeparatedKeywords(std::string_view value) {
    std::vector<std::u16string> keywords;
    std::size_t at = 0;
    while (at < value.size()) {
        while (at < value.size() && (mime::IsBlank(value[at]) || mime::IsLineBreak(value[at]))) ++at;
        std::size_t end = at;
        while (end < value.size() && !mime::IsBlank(value[end]) && !mime::IsLineBreak(value[end])) ++end;
        if (end > at) keywords.push_back(charset::DecodeUnlabelledText(value.substr(at, end - at), {}));
        at = end;
    }
    return keywords;
}

// The phrases of RFC 5322's Keywords field: separated by commas outside
// quoted strings and comments, quotes and comments taken away, runs of
// blanks made one, encoded words decoded.
std::vector<std::u16string> KeywordPhrases(std::string_view value) {
    std::vector<std::u16string> phrases;
    std::string phrase;
    bool blank = false;
    auto put = [&](char c) {
        if (blank && !phrase.empty()) phrase.push_back(' ');
        blank = false;
        phrase.push_back(c);
    };
    auto finish = [&] {
        std::u16string decoded = mime::DecodeEncodedText(phrase);
        if (!decoded.empty()) phrases.push_back(std::move(decoded));
        phrase.clear();
        blank = false;
    };
    bool quoted = false;
    int commentDepth = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\' && (quoted || commentDepth > 0) && i + 1 < value.size()) {
            ++i;
            if (quoted) put(value[i]);
        } else if (commentDepth > 0) {
            if (c == '(') ++commentDepth;
            if (c == ')') --commentDepth;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (quoted) {
            put(c);
        } else if (c == '(') {
            commentDepth = 1;
            blank = true;
        } else if (c == ',') {
            finish();
        } else if (mime::IsBlank(c) || mime::IsLineBreak(c)) {
            blank = true;
        } else {
            put(c);
        }
    }
    finish();
    return phrases;
}

bool IsGmailSystemLabel(std::u16string_view label) {
    static constexpr std::array<std::u16string_view, 10> kSystem{
        u"Inbox", u"Sent", u"Drafts", u"Spam", u"Trash", u"Archived", u"Chat", u"Opened", u"Unread", u"Starred"};
    return std::any_of(kSystem.begin(), kSystem.end(),
                       [label](std::u16string_view system) { return EqualsIgnoreCase(label, system); });
}

// The Gmail labels of the first X-Gmail-Labels field that speak of state.
struct GmailFlags {
    bool draft = false;
    bool unread = false;
    bool starred = false;
};

}  // namespace

bool AddCategory(std::vector<std::u16string>& categories, std::u16string name) {
    if (name.empty()) return true;
    for (const auto& known : categories) {
        if (EqualsIgnoreCase(known, name)) return true;
    }
    if (categories.size() >= kMaxCategories) return false;
    categories.push_back(std::move(name));
    return true;
}

MailState StateFromHeaders(const mime::HeaderList& headers, std::vector<mime::ParseIssue>& issues) {
    MailState state;
    bool forwardedKeyword = false;
    std::optional<GmailFlags> gmail;
    const mime::HeaderField* overLimit = nullptr;  // the first field with a category left out
    auto addCategory = [&](const mime::HeaderField& field, std::u16string name) {
        if (!AddCategory(state.categories, std::move(name)) && !overLimit) overLimit = &field;
    };
    auto addKeyword = [&](const mime::HeaderField& field, std::u16string keyword) {
        KeywordMeaning meaning = MeaningOf(std::move(keyword));
        forwardedKeyword = forwardedKeyword || meaning.forwarded;
        addCategory(field, std::move(meaning.category));
    };
    for (const auto& field : headers.Fields()) {
        if (EqualsIgnoreCase(field.name, "X-Mozilla-Keys") || EqualsIgnoreCase(field.name, "X-Keywords")) {
            for (auto& keyword : BlankSeparatedKeywords(field.value)) addKeyword(field, std::move(keyword));
        } else if (EqualsIgnoreCase(field.name, "Keywords")) {
            for (auto& keyword : KeywordPhrases(field.value)) addKeyword(field, std::move(keyword));
        } else if (EqualsIgnoreCase(field.name, "X-Gmail-Labels")) {
            std::string_view value = field.value;
            if (value.size() > kMaxLabelFieldBytes) {
                // Cut after the last whole label that fits.
                const auto comma = value.rfind(',', kMaxLabelFieldBytes);
                value = value.substr(0, comma == std::string_view::npos ? 0 : comma);
                if (!overLimit) overLimit = &field;
            }
            GmailFlags flags;
            for (const auto& raw : mbox::ParseGmailLabels(value)) {
                std::u16string label = mime::DecodeEncodedText(raw);
                flags.draft = flags.draft || EqualsIgnoreCase(label, u"Drafts");
                flags.unread = flags.unread || EqualsIgnoreCase(label, u"Unread");
                flags.starred = flags.starred || EqualsIgnoreCase(label, u"Starred");
                if (!IsGmailSystemLabel(label)) addCategory(field, std::move(label));
            }
            if (!gmail) gmail = flags;
        }
    }
    if (overLimit) {
        issues.push_back({mime::IssueKind::CategoryLimit, overLimit->offset,
                          overLimit->name + ": categories past " + std::to_string(kMaxCategories) + " names or " +
                              std::to_string(kMaxLabelFieldBytes) + " bytes of labels left out"});
    }

    Findings found;
    if (const auto* field = headers.Find("X-Unsent")) {
        const std::string_view value = mime::TrimBlanks(field->value);
        if (value == "1" || value == "0") {
            Speak(found.draft, value == "1");
        } else {
            InvalidField(*field, issues);
        }
    }
    if (const auto* field = headers.Find("X-Mozilla-Status")) {
        if (auto flags = MozillaStatus(field->value)) {
            Speak(found.read, (*flags & kMozillaRead) != 0);
            Speak(found.replied, (*flags & kMozillaReplied) != 0);
            Speak(found.flagged, (*flags & kMozillaMarked) != 0);
            Speak(found.deleted, (*flags & kMozillaExpunged) != 0);
            Speak(found.forwarded, (*flags & kMozillaForwarded) != 0);
        } else {
            InvalidField(*field, issues);
        }
    }
    if (const auto* field = headers.Find("Status")) Speak(found.read, HasLetter(field->value, 'R'));
    if (const auto* field = headers.Find("X-Status")) {
        if (IsKMailStatus(headers, field->value)) {
            Speak(found.replied, HasLetter(field->value, 'A'));
            Speak(found.forwarded, HasLetter(field->value, 'F'));
            Speak(found.flagged, HasLetter(field->value, 'G'));
            Speak(found.deleted, HasLetter(field->value, 'D'));
        } else {
            Speak(found.replied, HasLetter(field->value, 'A'));
            Speak(found.flagged, HasLetter(field->value, 'F'));
            Speak(found.draft, HasLetter(field->value, 'T'));
            Speak(found.deleted, HasLetter(field->value, 'D'));
        }
    }
    if (forwardedKeyword) Speak(found.forwarded, true);
    if (gmail) {
        Speak(found.draft, gmail->draft);
        Speak(found.read, !gmail->unread);
        Speak(found.flagged, gmail->starred);
    }

    state.draft = found.draft.value_or(state.draft);
    state.read = found.read.value_or(state.read);
    state.replied = found.replied.value_or(state.replied);
    state.forwarded = found.forwarded.value_or(state.forwarded);
    state.flagged = found.flagged.value_or(state.flagged);
    state.deleted = found.deleted.value_or(state.deleted);
    return state;
}

MailState WithStoreState(MailState fromHeaders, const MailState& store) {
    MailState state = store;
    state.categories = std::move(fromHeaders.categories);
    for (const auto& name : store.categories) AddCategory(state.categories, name);
    return state;
}

}  // namespace mailvane::mapping
