#include "engine/mime/address_list.h"

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

class AddressListParser {
public:
    AddressListParser(std::string_view raw, std::vector<ParseIssue>* issues, std::size_t offset)
        : m_tokens(TokenizeStructured(raw)), m_issues(issues), m_offset(offset) {}

    std::vector<Mailbox> Parse() {
        std::size_t start = 0;
        bool inGroup = false;
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
            if (IsSpecial(token, ':') && !inGroup) {
                inGroup = true;
                start = i + 1;
            } else if (IsSpecial(token, ',') || (IsSpecial(token, ';') && inGroup)) {
                AddMailbox(start, i);
                start = i + 1;
                if (IsSpecial(token, ';')) {
                    inGroup = false;
                }
            }
        }
        if (angleDepth > 0) {
            Report(m_tokens.empty() ? 0 : m_tokens.back().end, "unclosed angle bracket");
        }
        AddMailbox(start, m_tokens.size());
        return std::move(m_mailboxes);
    }

private:
    void Report(std::size_t at, std::string detail) {
        if (m_issues) {
            m_issues->push_back({IssueKind::InvalidAddressList, m_offset + at, std::move(detail)});
        }
    }

    // The display name as a mailer shows it: words joined by one blank,
    // encoded words decoded (also inside quotes), 8-bit bytes as UTF-8 or
    // windows-1252.
    std::u16string Phrase(std::size_t from, std::size_t to) const {
        std::string joined;
        for (std::size_t i = from; i < to; ++i) {
            const auto& token = m_tokens[i];
            if (token.kind == TokenKind::Comment) {
                continue;
            }
            if (!joined.empty() && token.spaceBefore) {
                joined.push_back(' ');
            }
            joined += token.text;
        }
        return DecodeEncodedText(TrimBlanks(joined));
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
                return DecodeEncodedText(TrimBlanks(m_tokens[i - 1].text));
            }
        }
        return {};
    }

    void AddMailbox(std::size_t from, std::size_t to) {
        std::size_t words = 0;
        std::size_t open = to;
        for (std::size_t i = from; i < to; ++i) {
            if (IsSpecial(m_tokens[i], '<') && open == to) {
                open = i;
            }
            if (m_tokens[i].kind != TokenKind::Comment) {
                ++words;
            }
        }
        if (words == 0) {
            return;  // empty element: ",," or an empty group
        }
        Mailbox mailbox;
        if (open != to) {
            std::size_t close = open + 1;
            while (close < to && !IsSpecial(m_tokens[close], '>')) {
                ++close;
            }
            mailbox.displayName = Phrase(from, open);
            mailbox.address = Text(AddrSpec(open + 1, close));
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
            for (std::size_t i = from; i < to; ++i) {
                hasAt = hasAt || IsSpecial(m_tokens[i], '@');
                atoms += m_tokens[i].kind == TokenKind::Atom ? 1 : 0;
                quoted += m_tokens[i].kind == TokenKind::QuotedString ? 1 : 0;
            }
            if (hasAt || (atoms == 1 && quoted == 0)) {
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

    Tokens m_tokens;
    std::vector<ParseIssue>* m_issues;
    std::size_t m_offset;
    std::vector<Mailbox> m_mailboxes;
};

}  // namespace

std::vector<Mailbox> ParseAddressList(std::string_view raw, std::vector<ParseIssue>* issues, std::size_t offset) {
    return AddressListParser(raw, issues, offset).Parse();
}

}  // namespace mailvane::mime
