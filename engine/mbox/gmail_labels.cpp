#include "engine/mbox/gmail_labels.h"

#include <string_view>
#include <unordered_set>

namespace mailvane::mbox {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Labels met so far, so that a field of many labels is read in linear time.
class LabelList {
public:
    void Keep(std::string label) {
        if (label.empty() || !m_seen.insert(label).second) return;
        m_labels.push_back(std::move(label));
    }
    std::vector<std::string> Take() { return std::move(m_labels); }

private:
    std::vector<std::string> m_labels;
    std::unordered_set<std::string> m_seen;
};

}  // namespace

std::vector<std::string> ParseGmailLabels(std::string_view value) {
    LabelList labels;
    std::size_t i = 0;
    while (i <= value.size()) {
        while (i < value.size() && IsBlank(value[i])) ++i;
        std::string label;
        if (i < value.size() && value[i] == '"') {
            // A quoted label runs to its closing quote; what follows it up to
            // the next comma is dropped. An unclosed quote runs to the end.
            for (++i; i < value.size(); ++i) {
                char c = value[i];
                if (c == '\\' && i + 1 < value.size()) {
                    label += value[++i];
                } else if (c == '"' && i + 1 < value.size() && value[i + 1] == '"') {
                    label += '"';
                    ++i;
                } else if (c == '"') {
                    ++i;
                    break;
                } else if (c != '\r' && c != '\n') {
                    label += c;
                }
            }
            std::size_t comma = value.find(',', i);
            i = comma == std::string_view::npos ? value.size() + 1 : comma + 1;
            labels.Keep(std::string(Trimmed(label)));
            continue;
        }
        std::size_t comma = value.find(',', i);
        std::size_t end = comma == std::string_view::npos ? value.size() : comma;
        for (char c : Trimmed(value.substr(i, end - i))) {
            if (c != '\r' && c != '\n') label += c;
        }
        labels.Keep(std::move(label));
        i = end + 1;
    }
    return labels.Take();
}

}  // namespace mailvane::mbox
