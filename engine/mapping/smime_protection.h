#pragma once

#include "engine/mime/mime_entity.h"

namespace mailvane::mapping {

// How an entity is protected, as [MS-OXOSMIME] recognises a message:
// multipart/signed is clear signed; application/pkcs7-mime (or x-pkcs7-mime,
// or application/octet-stream named *.p7m) is opaque, signed or encrypted.
enum class Protection { None, ClearSigned, Opaque };

Protection ProtectionOf(const mime::MimeEntity& e);

// Whether a part below a message's top level is an S/MIME message of its
// own (RFC 8551 3.1 lets any MIME entity be protected): an opaque one, or
// a clear-signed one whose signature is S/MIME (a pkcs7-signature
// protocol). Such a part is mapped as an attached message with the
// protection rules applied to it, so that Outlook can decrypt or verify it
// when it is opened; loose .p7m and .p7s files it cannot. Clear-signed
// parts with other signatures (OpenPGP) stay ordinary parts.
bool IsNestedSmime(const mime::MimeEntity& e);

}  // namespace mailvane::mapping
