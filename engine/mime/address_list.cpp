#include "engine/mime/address_list.h"

#include <span>

#include "engine/charset/charset_decoder.h"
#include "engine/mime/ascii_text.h"
#include "engine/mime/encoded_words.h"
#include "engine/mime/header_tokenizer.h"

namespace mailvane::mime {
namespace {

using Tokens = std::vector<HeaderToken>;

bool IsSpecial(const HeaderToken& token, char c) {
    return token.kind == TokenKind::Special && token.text.size() == 1 && token.text[0] == c;
}

// An X.500 distinguished name as Exchange writes its addresses:
// "/O=ORG/OU=SITE/CN=RECIPIENTS/CN=NAME".
bool IsX500(std::string_view text) {
    if (text.size() < 4 || text[0] != '/') {
        return false;
    }
    std::size_t i = 1;
    while (i < text.size() && IsAlpha(text[i])) {
        ++i;
    }
    return i > 1 && i < text.size() && text[i] == '=';
}

bool HoldsEncodedWord(std::string_view text) {
    // No word starts after the last "?=": stopping there keeps unclosed
    // openers from each being scanned to the end.
    const auto lastClose = text.rfind("?=");
    if (lastClose == std::string_view::npos) {
        return false;
    }
    for (auto at = text.find("=?"); at != std::string_view::npos && at < lastClose; at = text.find("=?", at + 1)) {
        if (MatchEncodedWord(text, at)) {
            return true;
        }
    }
    return false;
}

class AddressListParser {
public:
    AddressListParser(std::string_view raw, std::vector<ParseIssue>* issues, std::size_t offset,
                      std::span<const std::string> declaredCharsets)
        : m_raw(raw),
          m_tokens(TokenizeStructured(raw)),
          m_issues(issues),
          m_offset(offset),
          m_declaredCharsets(declaredCharsets) {}

    std::vector<Mailbox> Parse() {
        std::vector<Element> elements;
        std::size_t start = 0;
        std::size_t group = 0;  // which group an element is in; 0 for none
        std::size_t groups = 0;
        std::size_t angleDepth = 0;
        for (std::size_t i = 0; i < m_tokens.size(); ++i) {
            const auto& token = m_tokens[i];
            if (IsSpecial(token, '<')) {
                ++angleDepth;
            } else if (IsSpecial(token, '>') && angleDepth > 0) {
                --angleDepth;
            }
            if (angleDepth > 0) {
                continue;
            }
            // "phrase:" opens a group; its members follow as mailboxes.
            if (IsSpecial(token, ':') && group == 0) {
                group = ++groups;
                start = i + 1;
            } else if (IsSpecial(token, ',') || (IsSpecial(token, ';') && group != 0)) {
                elements.push_back({start, i, group});
                start = i + 1;
                if (IsSpecial(token, ';')) {
                    group = 0;
                }
            }
        }
        if (angleDepth > 0) {
            Report(m_tokens.empty() ? 0 : m_tokens.back().end, "unclosed angle bracket");
        }
        elements.push_back({start, m_tokens.size(), group});
        for (std::size_t k = 0; k < elements.size(); ++k) {
            const Element& element = elements[k];
            // "Garrett, Amy C (PACE) <amy@x>": the comma was meant inside
            // the name, which was never quoted.
            if (k + 1 < elements.size() && elements[k + 1].group == element.group && IsBarePhrase(element) &&
                HasNamedAngleAddress(elements[k + 1])) {
                AddMailbox(element.from, elements[k + 1].to);
                ++k;
                continue;
            }
            AddMailbox(element.from, element.to);
        }
        return std::move(m_mailboxes);
    }

private:
    // The tokens of one list element, between its commas.
    struct Element {
        std::size_t from = 0;
        std::size_t to = 0;
        std::size_t group = 0;
    };

    void Report(std::size_t at, std::string detail) {
        if (m_issues) {
            m_issues->push_back({IssueKind::InvalidAddressList, m_offset + at, std::move(detail)});
        }
    }

    std::size_t AngleIn(std::size_t from, std::size_t to) const {
        for (std::size_t i = from; i < to; ++i) {
            if (IsSpecial(m_tokens[i], '<')) {
                return i;
            }
        }
        return to;
    }

    bool HasWords(std::size_t from, std::size_t to) const {
        for (std::size_t i = from; i < to; ++i) {
            if (m_tokens[i].kind != TokenKind::Comment) {
                return true;
            }
        }
        return false;
    }

    // The raw bytes from the first token to the last, as written.
    std::string_view RawSpan(std::size_t from, std::size_t to) const {
        if (from >= to) {
            return {};
        }
        return TrimBlanks(m_raw.substr(m_tokens[from].begin, m_tokens[to - 1].end - m_tokens[from].begin));
    }

    // Words with no address among them: no '@', no angle bracket, no
    // Exchange address.
    bool IsBarePhrase(const Element& element) const {
        if (!HasWords(element.from, element.to) || IsX500(RawSpan(element.from, element.to))) {
            return false;
        }
        for (std::size_t i = element.from; i < element.to; ++i) {
            const auto& token = m_tokens[i];
            if (token.kind == TokenKind::Special || token.kind == TokenKind::DomainLiteral) {
                return false;
            }
        }
        return true;
    }

    bool HasNamedAngleAddress(const Element& element) const {
        const std::size_t open = AngleIn(element.from, element.to);
        return open != element.to && HasWords(element.from, open);
    }

    // The display name as a mailer shows it: words joined by one blank,
    // encoded words decoded (also inside quotes), raw 8-bit bytes read as
    // the message's declared charsets suggest. A comment that stands as a
    // word of its own after the first ("Amy C (PACE)") is part of the name
    // people see; one glued to a word ("Pete(A nice chap)") is a remark.
    std::u16string Phrase(std::size_t from, std::size_t to) const {
        std::string joined;
        for (std::size_t i = from; i < to; ++i) {
            const auto& token = m_tokens[i];
            if (token.kind == TokenKind::Comment && (joined.empty() || !token.spaceBefore)) {
                continue;
            }
            if (!joined.empty() && token.spaceBefore) {
                joined.push_back(' ');
            }
            if (token.kind == TokenKind::Comment) {
                joined += "(" + token.text + ")";
            } else {
                joined += token.text;
            }
        }
        return DecodeEncodedText(TrimBlanks(joined), m_declaredCharsets);
    }

    // The addr-spec as written, without blanks and comments; an obsolete
    // source route ("@a,@b:") is dropped.
    std::string AddrSpec(std::size_t from, std::size_t to) const {
        for (std::size_t i = to; i > from; --i) {
            if (IsSpecial(m_tokens[i - 1], ':')) {
                from = i;
                break;
            }
        }
        std::string spec;
        for (std::size_t i = from; i < to; ++i) {
            const auto& token = m_tokens[i];
            if (token.kind == TokenKind::Comment) {
                continue;
            }
            if (token.kind == TokenKind::QuotedString) {
                spec.push_back('"');
                for (char c : token.text) {
                    if (c == '"' || c == '\\') {
                        spec.push_back('\\');
                    }
                    spec.push_back(c);
                }
                spec.push_back('"');
            } else {
                spec += token.text;
            }
        }
        return spec;
    }

    static std::u16string Text(std::string_view bytes) { return charset::DecodeToUtf16(bytes, "").text; }

    std::u16string LastComment(std::size_t from, std::size_t to) const {
        for (std::size_t i = to; i > from; --i) {
            if (m_tokens[i - 1].kind == TokenKind::Comment) {
                return DecodeEncodedText(TrimBlanks(m_tokens[i - 1].text), m_declaredCharsets);
            }
        }
        return {};
    }

    void AddMailbox(std::size_t from, std::size_t to) {
        if (!HasWords(from, to)) {
            return;  // empty element: ",," or an empty group
        }
        const std::size_t open = AngleIn(from, to);
        Mailbox mailbox;
        if (open != to) {
            std::size_t close = open + 1;
            while (close < to && !IsSpecial(m_tokens[close], '>')) {
                ++close;
            }
            mailbox.displayName = Phrase(from, open);
            if (const auto dn = RawSpan(open + 1, close); IsX500(dn)) {
                mailbox.address = Text(dn);
                mailbox.x500 = true;
            } else {
                mailbox.address = Text(AddrSpec(open + 1, close));
            }
            if (close + 1 < to) {
                for (std::size_t i = close + 1; i < to; ++i) {
                    if (m_tokens[i].kind != TokenKind::Comment) {
                        Report(m_tokens[i].begin, "text after the address");
                        break;
                    }
                }
            }
            if (mailbox.displayName.empty()) {
                mailbox.displayName = LastComment(close, to);
            }
        } else {
            bool hasAt = false;
            std::size_t atoms = 0;
            std::size_t quoted = 0;
            bool encoded = false;  // a lone encoded word is a name, never an address
            for (std::size_t i = from; i < to; ++i) {
                hasAt = hasAt || IsSpecial(m_tokens[i], '@');
                if (m_tokens[i].kind == TokenKind::Atom) {
                    ++atoms;
                    encoded = encoded || HoldsEncodedWord(m_tokens[i].text);
                }
                quoted += m_tokens[i].kind == TokenKind::QuotedString ? 1 : 0;
            }
            if (const auto dn = RawSpan(from, to); IsX500(dn)) {
                mailbox.address = Text(dn);
                mailbox.x500 = true;
            } else if (hasAt || (atoms == 1 && quoted == 0 && !encoded)) {
                mailbox.address = Text(AddrSpec(from, to));
                mailbox.displayName = LastComment(from, to);
                if (!hasAt) {
                    Report(m_tokens[from].begin, "address without a domain");
                }
            } else {
                // Words without an address: keep them as a name so that
                // nothing the sender wrote is lost.
                mailbox.displayName = Phrase(from, to);
                Report(m_tokens[from].begin, "mailbox without an address");
            }
        }
        for (std::size_t i = from; i < to; ++i) {
            if (m_tokens[i].unterminated) {
                Report(m_tokens[i].begin, "unterminated quoted string or comment");
                break;
            }
        }
        m_mailboxes.push_back(std::move(mailbox));
    }

    std::string_view m_raw;
    Tokens m_tokens;
    std::vector<ParseIssue>* m_issues;
    std::size_t m_offset;
    std::span<const std::string> m_declaredCharsets;
    std::vector<Mailbox> m_mailboxes;
};

}  // namespace

std::vector<Mailbox> ParseAddressList(std::string_view raw, std::vector<ParseIssue>* issues, std::size_t offset,
                                      std::span<const std::string> declaredCharsets) {
    return AddressListParser(raw, issues, offset, declaredCharsets).Parse();
}

}  // namespace mailvane::mime
