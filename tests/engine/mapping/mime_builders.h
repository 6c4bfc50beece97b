#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "engine/mime/mime_entity.h"

namespace mailvane::testing {

// Hand-built MIME entities for the mapping rules, without the parser.
std::unique_ptr<mime::MimeEntity> Leaf(std::string mediaType, std::string_view body = "text",
                                       std::string disposition = "");
std::unique_ptr<mime::MimeEntity> Multipart(std::string mediaType,
                                            std::vector<std::unique_ptr<mime::MimeEntity>> children);
mime::HeaderList Headers(std::initializer_list<std::pair<std::string, std::string>> fields);

template <typename... T>
std::vector<std::unique_ptr<mime::MimeEntity>> Parts(T... parts) {
    std::vector<std::unique_ptr<mime::MimeEntity>> list;
    (list.push_back(std::move(parts)), ...);
    return list;
}

}  // namespace mailvane::testing
