#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace mailvane::mapping {

// A file name as a sender gave it, made safe to save on Windows: any
// folder part dropped, control characters and < > : " / \ | ? * replaced by
// '_', trailing dots and blanks removed, at most 255 characters. Empty when
// nothing usable is left.
std::u16string SanitizeFileName(std::u16string_view name);

// The name for a part that has none: "attachment" with the extension
// Windows opens its media type with (".txt", ".rtf", ".png", ".docx", ...);
// ".txt" for other text, ".dat" only when the type tells nothing.
std::u16string FallbackFileName(std::string_view mediaType);

// ".pdf" for "report.pdf"; empty when the name has no extension.
std::u16string FileExtension(std::u16string_view name);

// Gives every attachment of one message a distinct long name (compared
// without case: "a.txt", "a (2).txt", ...) and a distinct 8.3 short name.
class AttachmentNamer {
public:
    struct Names {
        std::u16string longName;
        std::u16string shortName;
    };
    Names Assign(std::u16string_view wanted);

private:
    std::unordered_set<std::u16string> m_longNames;  // upper-cased
    std::unordered_set<std::u16string> m_shortNames;
    // Where numbering goes on for a name met again, so that a message with
    // thousands of parts of one name is named in linear time.
    std::unordered_map<std::u16string, int> m_nextLongNumber;   // by upper-cased wanted name
    std::unordered_map<std::u16string, int> m_nextShortNumber;  // by short stem and extension
};

}  // namespace mailvane::mapping
