#include "engine/mime/mime_entity.h"

#include <algorithm>

#include "engine/mime/ascii_text.h"
#include "engine/mime/header_decoding.h"

namespace mailvane::mime {
namespace {

const Parameter* FindParameter(const std::vector<Parameter>& parameters, std::string_view name) {
    for (const auto& parameter : parameters) {
        if (EqualsIgnoreCase(parameter.name, name)) {
            return &parameter;
        }
    }
    return nullptr;
}

}  // namespace

const HeaderField* HeaderList::Find(std::string_view name) const {
    for (const auto& field : m_fields) {
        if (EqualsIgnoreCase(field.name, name)) {
            return &field;
        }
    }
    return nullptr;
}

std::vector<const HeaderField*> HeaderList::FindAll(std::string_view name) const {
    std::vector<const HeaderField*> found;
    for (const auto& field : m_fields) {
        if (EqualsIgnoreCase(field.name, name)) {
            found.push_back(&field);
        }
    }
    return found;
}

const Parameter* MimeEntity::ContentTypeParameter(std::string_view name) const {
    return FindParameter(contentTypeParameters, name);
}

const Parameter* MimeEntity::DispositionParameter(std::string_view name) const {
    return FindParameter(dispositionParameters, name);
}

std::string MimeEntity::Charset() const {
    const auto* parameter = ContentTypeParameter("charset");
    return parameter ? ToLowerAscii(TrimBlanks(parameter->value)) : std::string();
}

std::u16string MimeEntity::FileName() const {
    for (const auto* parameter : {DispositionParameter("filename"), ContentTypeParameter("name")}) {
        if (parameter && !TrimBlanks(parameter->value).empty()) {
            return DecodeParameter(*parameter);
        }
    }
    return {};
}

std::string MimeEntity::ContentId() const {
    const auto* field = headers.Find("Content-ID");
    if (!field) {
        return {};
    }
    std::string id;
    for (char c : field->value) {
        if (c != '<' && c != '>' && !IsBlank(c) && !IsLineBreak(c)) {
            id.push_back(c);
        }
    }
    return id;
}

std::string MimeEntity::ContentLocation() const {
    const auto* field = headers.Find("Content-Location");
    return field ? std::string(TrimBlanks(field->value)) : std::string();
}

std::string_view ParsedMessage::Raw(std::size_t begin, std::size_t end) const {
    end = std::min(end, source.size());
    begin = std::min(begin, end);
    return {reinterpret_cast<const char*>(source.data()) + begin, end - begin};
}

}  // namespace mailvane::mime
