#include "mime_builders.h"

namespace mailvane::testing {

std::unique_ptr<mime::MimeEntity> Leaf(std::string mediaType, std::string_view body, std::string disposition) {
    auto entity = std::make_unique<mime::MimeEntity>();
    entity->mediaType = std::move(mediaType);
    entity->disposition = std::move(disposition);
    entity->body.assign(body.begin(), body.end());
    return entity;
}

std::unique_ptr<mime::MimeEntity> Multipart(std::string mediaType,
                                            std::vector<std::unique_ptr<mime::MimeEntity>> children) {
    auto entity = std::make_unique<mime::MimeEntity>();
    entity->mediaType = std::move(mediaType);
    entity->children = std::move(children);
    return entity;
}

mime::HeaderList Headers(std::initializer_list<std::pair<std::string, std::string>> fields) {
    mime::HeaderList list;
    for (const auto& [name, value] : fields) list.Add({name, value, 0});
    return list;
}

}  // namespace mailvane::testing
