#pragma once

#include <set>
#include <vector>

#include "engine/mime/mime_entity.h"

namespace mailvane::mapping {

// How deep the mapping follows a message's multiparts when it picks the
// body and the attachments. The parser's nesting limit keeps real trees far
// shallower; this bounds the recursion on its own.
inline constexpr int kMaxWalkDepth = 64;

// The parts that make a message's body, chosen the way a MIME reader
// promotes them: the first entity that qualifies as a body (a text/plain,
// text/html, text/enriched or text/calendar leaf; a multipart/alternative
// holding one, of which the richest is chosen; a multipart/related whose
// root is HTML, plain text or such an alternative; a multipart/signed, or
// a multipart/mixed, report or other subtype read as mixed, whose first
// qualifying child does), never one marked Content-Disposition: attachment.
struct BodySelection {
    const mime::MimeEntity* plain = nullptr;  // text/plain or text/enriched
    const mime::MimeEntity* html = nullptr;
    const mime::MimeEntity* calendar = nullptr;  // only when it is the sole body
    const mime::MimeEntity* related = nullptr;   // the multipart/related around the HTML
    // Inline text that follows the body in its multipart/mixed (or report,
    // or further text/plain alternatives where no HTML is among them): an
    // aggregate body, appended in order. Each piece has a text form, an
    // HTML form or both.
    struct Piece {
        const mime::MimeEntity* plain = nullptr;
        const mime::MimeEntity* html = nullptr;
    };
    std::vector<Piece> appended;
    // Every leaf promoted to the body; all other leaves become attachments.
    std::set<const mime::MimeEntity*> promoted;
};

BodySelection SelectBody(const mime::MimeEntity& root);

}  // namespace mailvane::mapping
