#include "eml2msg/store_naming.h"

#include "filing/utf8_path.h"

namespace mailvane::cli {

namespace {

bool IsPstExtension(const std::filesystem::path& extension) {
    const std::string text = filing::Utf8FromPath(extension);
    if (text.size() != 4 || text[0] != '.') return false;
    for (std::size_t at = 1; at < 4; ++at) {
        const char lower = static_cast<char>(text[at] | 0x20);
        if (lower != ".pst"[at]) return false;
    }
    return true;
}

}  // namespace

std::filesystem::path NumberedStore(const std::filesystem::path& first, unsigned number) {
    if (number <= 1) return first;
    std::filesystem::path numbered = first.parent_path();
    std::filesystem::path name = first.stem();
    name += "-" + std::to_string(number);
    name += first.extension();
    return numbered / name;
}

std::string StoreNameOf(const std::filesystem::path& store) {
    const std::filesystem::path name = store.filename();
    return filing::Utf8FromPath(IsPstExtension(name.extension()) ? name.stem() : name);
}

std::vector<std::string> StoreFolderPath(const std::filesystem::path& root, const std::filesystem::path& output,
                                         bool& outside) {
    outside = false;
    const std::filesystem::path relative = output.parent_path().lexically_relative(root);
    // A path rooted where `root` is not (on Windows "/abs" beside "run")
    // is no folder under it, whatever the comparison made of it.
    if (relative.empty() || relative.has_root_path() || output.has_root_path() != root.has_root_path()) {
        outside = true;
        return {};
    }
    std::vector<std::string> folders;
    for (const std::filesystem::path& part : relative) {
        if (part == "..") {
            outside = true;
            return {};
        }
        if (part != "." && !part.empty()) folders.push_back(filing::Utf8FromPath(part));
    }
    return folders;
}

}  // namespace mailvane::cli
