#include "engine/mime/mime_entity.h"

#include "engine/mime/ascii_text.h"
#include "engine/mime/parameters.h"
#include "engine/text/ascii_case.h"

namespace mailvane::mime {
namespace {

const Parameter* FindParameter(const std::vector<Parameter>& parameters, std::string_view name) {
    for (const auto& parameter : parameters) {
        if (text::EqualsIgnoreCase(parameter.name, name)) {
            return &parameter;
        }
    }
    return nullptr;
}

}  // namespace

const HeaderField* HeaderList::Find(std::string_view name) const {
    for (const auto& field : m_fields) {
        if (text::EqualsIgnoreCase(field.name, name)) {
            return &field;
        }
    }
    return nullptr;
}

std::vector<const HeaderField*> HeaderList::FindAll(std::string_view name) const {
    std::vector<const HeaderField*> found;
    for (const auto& field : m_fields) {
        if (text::EqualsIgnoreCase(field.name, name)) {
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
    return parameter ? text::ToLowerAscii(TrimBlanks(parameter->value)) : std::string();
}

std::u16string MimeEntity::FileName(std::span<const std::string> declaredCharsets) const {
    for (const auto* parameter : {DispositionParameter("filename"), ContentTypeParameter("name")}) {
        if (parameter && !TrimBlanks(parameter->value).empty()) {
            return DecodeParameter(*parameter, declaredCharsets);
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

}  // namespace mailvane::mime
