#include "engine/mapping/smime_protection.h"

#include "engine/mime/ascii_text.h"
#include "engine/text/ascii_case.h"

namespace mailvane::mapping {

Protection ProtectionOf(const mime::MimeEntity& e) {
    if (e.mediaType == "multipart/signed") return Protection::ClearSigned;
    if (e.mediaType == "application/pkcs7-mime" || e.mediaType == "application/x-pkcs7-mime") return Protection::Opaque;
    if (e.mediaType == "application/octet-stream") {
        std::u16string name = text::ToUpperAscii(e.FileName());
        if (name.ends_with(u".P7M")) return Protection::Opaque;
    }
    return Protection::None;
}

bool IsNestedSmime(const mime::MimeEntity& e) {
    switch (ProtectionOf(e)) {
        case Protection::Opaque:
            return true;
        case Protection::ClearSigned: {
            const mime::Parameter* protocol = e.ContentTypeParameter("protocol");
            return protocol && (text::EqualsIgnoreCase(protocol->value, "application/pkcs7-signature") ||
                                text::EqualsIgnoreCase(protocol->value, "application/x-pkcs7-signature"));
        }
        case Protection::None:
            break;
    }
    return false;
}

}  // namespace mailvane::mapping
