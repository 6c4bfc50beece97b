#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/mime/entity_body.h"

namespace mailvane::mime {

// One header field as it stands in the source.
struct HeaderField {
    std::string name;        // as written
    std::string value;       // raw bytes, unfolded (line breaks before blanks removed), outer blanks trimmed
    std::size_t offset = 0;  // of the field's first byte in the source
};

class HeaderList {
public:
    void Add(HeaderField field) {
        // Room for a usual header at once, rather than moving the fields at
        // each doubling.
        if (m_fields.empty()) m_fields.reserve(16);
        m_fields.push_back(std::move(field));
    }
    // First field of that name (ASCII case-insensitive), or null.
    const HeaderField* Find(std::string_view name) const;
    std::vector<const HeaderField*> FindAll(std::string_view name) const;
    const std::vector<HeaderField>& Fields() const { return m_fields; }

private:
    std::vector<HeaderField> m_fields;
};

// A Content-Type or Content-Disposition parameter after RFC 2231 joining.
struct Parameter {
    std::string name;     // lower case, without the "*0*" decoration
    std::string value;    // bytes: percent-decoded for RFC 2231, quotes removed
    std::string charset;  // from RFC 2231 (lower case), empty otherwise
};

struct MimeEntity {
    HeaderList headers;

    std::string mediaType = "text/plain";  // lower case "type/subtype"; the RFC 2045 default when absent
    std::vector<Parameter> contentTypeParameters;
    std::string disposition;  // lower case "inline", "attachment" or empty
    std::vector<Parameter> dispositionParameters;
    std::string transferEncoding;  // lower case, empty when absent

    // Decoded content (after the transfer encoding) of a leaf. Empty for
    // multiparts and for message/rfc822 parts that were parsed into `embedded`.
    EntityBody body;
    std::vector<std::unique_ptr<MimeEntity>> children;  // multipart/*
    std::unique_ptr<MimeEntity> embedded;               // message/rfc822, message/global

    // Offsets in the source: first header byte, first body byte, one past the end.
    std::size_t begin = 0;
    std::size_t bodyBegin = 0;
    std::size_t end = 0;

    bool IsMultipart() const { return mediaType.starts_with("multipart/"); }
    const Parameter* ContentTypeParameter(std::string_view name) const;
    const Parameter* DispositionParameter(std::string_view name) const;
    std::string Charset() const;  // lower case charset parameter, empty when absent
    // Disposition filename, else Content-Type name; decoded, raw 8-bit bytes
    // in the first of `declaredCharsets` that fits.
    std::u16string FileName(std::span<const std::string> declaredCharsets = {}) const;
    std::string ContentId() const;        // Content-ID without angle brackets or blanks
    std::string ContentLocation() const;  // Content-Location, unfolded and trimmed
};

}  // namespace mailvane::mime
