#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mailvane::mapping {

// A file name as a sender gave it, made safe to save on Windows: any
// folder part dropped, control characters and < > : " / \ | ? * replaced by
// '_', trailing dots and blanks removed, at most 255 characters. Empty when
// nothing usable is left.
std::u16string SanitizeFileName(std::u16string_view name);

// The name for a part that has none: "attachment" with an extension that
// fits its media type (".txt", ".htm", ".ics", ".eml", ".png", ... ".dat").
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
    bool LongNameTaken(std::u16string_view name) const;
    bool ShortNameTaken(std::u16string_view name) const;
    std::vector<std::u16string> longNames_;   // upper-cased
    std::vector<std::u16string> shortNames_;
};

}  // namespace mailvane::mapping
