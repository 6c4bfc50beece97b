#include "engine/mime/parameters.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <map>
#include <optional>

#include "engine/charset/charset_decoder.h"
#include "engine/mime/ascii_text.h"
#include "engine/mime/encoded_words.h"
#include "engine/text/ascii_case.h"

namespace mailvane::mime {
namespace {

// A parameter as written, before RFC 2231 joining.
struct RawParameter {
    std::string baseName;
    int section = -1;  // -1: not a continuation
    bool extended = false;
    std::string value;
};

void Report(std::vector<ParseIssue>* issues, std::size_t offset, std::string detail) {
    if (issues) {
        issues->push_back({IssueKind::InvalidParameter, offset, std::move(detail)});
    }
}

std::string StripComments(std::string_view text) {
    std::string out;
    int depth = 0;
    for (char c : text) {
        if (c == '(') {
            ++depth;
        } else if (c == ')' && depth > 0) {
            --depth;
        } else if (depth == 0 && !IsBlank(c) && !IsLineBreak(c)) {
            out.push_back(text::AsciiLower(c));
        }
    }
    return out;
}

// Splits "name*2*" into its base name, section and extended flag.
void SplitName(std::string_view name, RawParameter& parameter) {
    if (!name.empty() && name.back() == '*') {
        parameter.extended = true;
        name.remove_suffix(1);
    }
    const auto star = name.rfind('*');
    if (star != std::string_view::npos) {
        const auto digits = name.substr(star + 1);
        int section = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), section);
        if (!digits.empty() && error == std::errc{} && end == digits.data() + digits.size() && section >= 0) {
            parameter.section = section;
            name = name.substr(0, star);
        }
    }
    parameter.baseName = text::ToLowerAscii(name);
}

std::string PercentDecode(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::vector<RawParameter> ReadParameters(std::string_view raw, std::size_t pos, std::vector<ParseIssue>* issues,
                                         std::size_t offset) {
    std::vector<RawParameter> parameters;
    while (pos < raw.size()) {
        while (pos < raw.size() && (raw[pos] == ';' || IsBlank(raw[pos]) || IsLineBreak(raw[pos]))) {
            ++pos;
        }
        if (pos >= raw.size()) {
            break;
        }
        const auto nameEnd = raw.find_first_of("=;", pos);
        if (nameEnd == std::string_view::npos || raw[nameEnd] == ';') {
            Report(issues, offset + pos, "parameter without a value");
            pos = nameEnd == std::string_view::npos ? raw.size() : nameEnd;
            continue;
        }
        RawParameter parameter;
        SplitName(TrimBlanks(raw.substr(pos, nameEnd - pos)), parameter);
        pos = nameEnd + 1;
        while (pos < raw.size() && (IsBlank(raw[pos]) || IsLineBreak(raw[pos]))) {
            ++pos;
        }
        if (pos < raw.size() && raw[pos] == '"') {
            ++pos;
            bool closed = false;
            while (pos < raw.size()) {
                const char c = raw[pos];
                // Windows paths arrive with unescaped backslashes: only a
                // backslash before a quote or a backslash escapes.
                if (c == '\\' && pos + 1 < raw.size() && (raw[pos + 1] == '"' || raw[pos + 1] == '\\')) {
                    parameter.value.push_back(raw[pos + 1]);
                    pos += 2;
                } else if (c == '"') {
                    ++pos;
                    closed = true;
                    break;
                } else {
                    if (!IsLineBreak(c)) {
                        parameter.value.push_back(c);
                    }
                    ++pos;
                }
            }
            if (!closed) {
                Report(issues, offset + nameEnd, "unterminated quoted value");
            }
            const auto next = raw.find(';', pos);
            pos = next == std::string_view::npos ? raw.size() : next;
        } else {
            const auto next = raw.find(';', pos);
            const auto stop = next == std::string_view::npos ? raw.size() : next;
            parameter.value.assign(TrimBlanks(raw.substr(pos, stop - pos)));
            pos = stop;
        }
        if (parameter.baseName.empty()) {
            Report(issues, offset + nameEnd, "parameter without a name");
            continue;
        }
        parameters.push_back(std::move(parameter));
    }
    return parameters;
}

// Joins the RFC 2231 pieces of one parameter. `pieces` are all extended or
// sectioned pieces of that name, in source order.
Parameter JoinPieces(const std::string& name, const std::vector<const RawParameter*>& pieces,
                     std::vector<ParseIssue>* issues, std::size_t offset) {
    std::map<int, const RawParameter*> sections;
    for (const auto* piece : pieces) {
        const int section = piece->section < 0 ? 0 : piece->section;
        if (!sections.emplace(section, piece).second) {
            Report(issues, offset, "repeated section of " + name);
        }
    }
    Parameter joined{name, {}, {}};
    int expected = 0;
    for (const auto& [section, piece] : sections) {
        if (section != expected) {
            Report(issues, offset, "missing section of " + name);
        }
        expected = section + 1;
        std::string_view value = piece->value;
        if (piece->extended && section == sections.begin()->first) {
            const auto first = value.find('\'');
            const auto second = first == std::string_view::npos ? first : value.find('\'', first + 1);
            if (second != std::string_view::npos) {
                joined.charset = text::ToLowerAscii(value.substr(0, first));
                value.remove_prefix(second + 1);
            }
        }
        joined.value += piece->extended ? PercentDecode(value) : std::string(value);
    }
    return joined;
}

// The usual few parameters, none in sections or with a charset, named once
// or repeated: taken as they are, as the general joining below would take
// them, without its maps. Empty when they are not such.
std::optional<std::vector<Parameter>> SimpleParameters(std::vector<RawParameter>& raw, std::vector<ParseIssue>* issues,
                                                       std::size_t offset) {
    constexpr std::size_t kFew = 8;
    if (raw.size() > kFew) return std::nullopt;
    for (const RawParameter& parameter : raw) {
        if (parameter.extended || parameter.section >= 0) return std::nullopt;
    }
    std::vector<Parameter> parameters;
    parameters.reserve(raw.size());
    std::array<bool, kFew> repeated{};
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const auto first = std::find_if(parameters.begin(), parameters.end(),
                                        [&](const Parameter& kept) { return kept.name == raw[i].baseName; });
        if (first != parameters.end()) {
            repeated[static_cast<std::size_t>(first - parameters.begin())] = true;
            continue;
        }
        parameters.push_back(Parameter{std::move(raw[i].baseName), std::move(raw[i].value), {}});
    }
    // The first value of a repeated name is kept; each is reported once, in
    // the order the names first came.
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        if (repeated[i]) Report(issues, offset, "repeated parameter " + parameters[i].name);
    }
    return parameters;
}

}  // namespace

FieldWithParameters ParseFieldWithParameters(std::string_view raw, std::vector<ParseIssue>* issues,
                                             std::size_t offset) {
    FieldWithParameters field;
    const auto semicolon = raw.find(';');
    field.value = StripComments(raw.substr(0, semicolon));
    if (semicolon == std::string_view::npos) {
        return field;
    }
    auto rawParameters = ReadParameters(raw, semicolon + 1, issues, offset);
    if (auto simple = SimpleParameters(rawParameters, issues, offset)) {
        field.parameters = std::move(*simple);
        return field;
    }
    std::vector<std::string> order;
    std::map<std::string, std::vector<const RawParameter*>> plain;
    std::map<std::string, std::vector<const RawParameter*>> extended;
    for (const auto& parameter : rawParameters) {
        if (!plain.contains(parameter.baseName) && !extended.contains(parameter.baseName)) {
            order.push_back(parameter.baseName);
        }
        auto& bucket = (parameter.extended || parameter.section >= 0) ? extended : plain;
        bucket[parameter.baseName].push_back(&parameter);
    }
    for (const auto& name : order) {
        if (const auto found = extended.find(name); found != extended.end()) {
            field.parameters.push_back(JoinPieces(name, found->second, issues, offset));
            continue;
        }
        const auto& values = plain[name];
        if (values.size() > 1) {
            Report(issues, offset, "repeated parameter " + name);
        }
        field.parameters.push_back(Parameter{name, values.front()->value, {}});
    }
    return field;
}

std::u16string DecodeParameter(const Parameter& parameter, std::span<const std::string> declaredCharsets) {
    if (!parameter.charset.empty()) {
        return charset::DecodeToUtf16(parameter.value, parameter.charset).text;
    }
    return DecodeEncodedText(parameter.value, declaredCharsets);
}

}  // namespace mailvane::mime
