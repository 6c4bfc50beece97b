#include "engine/mapping/body_selection.h"

#include <string>
#include <vector>

#include "engine/mapping/smime_protection.h"

namespace mailvane::mapping {

namespace {

using mime::MimeEntity;

bool IsBodyText(const MimeEntity& e) {
    return e.mediaType == "text/plain" || e.mediaType == "text/html" || e.mediaType == "text/enriched" ||
           e.mediaType == "text/calendar";
}

bool Usable(const MimeEntity& e) { return e.disposition != "attachment"; }

bool IsTextLeaf(const MimeEntity& e) { return Usable(e) && !e.IsMultipart() && IsBodyText(e) && !e.embedded; }

bool Select(const MimeEntity& e, BodySelection& out, int depth);
void AppendInline(const MimeEntity& e, BodySelection& out, int depth);

void Take(const MimeEntity& leaf, BodySelection& out) {
    if (leaf.mediaType == "text/html") {
        out.html = &leaf;
    } else if (leaf.mediaType == "text/calendar") {
        out.calendar = &leaf;
    } else {
        out.plain = &leaf;
    }
    out.promoted.insert(&leaf);
}

bool IsPlainText(const MimeEntity& e) { return e.mediaType == "text/plain" || e.mediaType == "text/enriched"; }

// A multipart whose later inline text parts add to the body. RFC 2046 reads
// every subtype it does not define otherwise as mixed; a report's
// human-readable part is followed by machine-readable ones, which are no
// text/plain or text/html and so stay attachments.
bool AggregatesLikeMixed(const MimeEntity& e) {
    return e.IsMultipart() && e.mediaType != "multipart/alternative" && e.mediaType != "multipart/related" &&
           e.mediaType != "multipart/signed" && e.mediaType != "multipart/encrypted" &&
           e.mediaType != "multipart/digest";
}

// The root of a multipart/related (RFC 2387): the part its "start"
// parameter names by Content-ID, else the first.
const MimeEntity* RelatedRoot(const MimeEntity& e) {
    if (e.children.empty()) return nullptr;
    if (const auto* start = e.ContentTypeParameter("start")) {
        std::string id;
        for (char c : start->value) {
            if (c != '<' && c != '>' && c != ' ' && c != '\t') id.push_back(c);
        }
        for (const auto& child : e.children) {
            if (!id.empty() && child->ContentId() == id) return child.get();
        }
    }
    return e.children.front().get();
}

// The body a multipart/related starts with: its root as HTML (with the
// related parts it draws), as an alternative that holds HTML, or as plain
// text, which references nothing, so the other parts are attachments.
bool SelectRelated(const MimeEntity& e, BodySelection& out, int depth) {
    const MimeEntity* root = RelatedRoot(e);
    if (!root || !Usable(*root)) return false;
    if (IsTextLeaf(*root) && root->mediaType == "text/html") {
        Take(*root, out);
        out.related = &e;
        return true;
    }
    if (IsTextLeaf(*root) && IsPlainText(*root)) {
        Take(*root, out);
        return true;
    }
    if (root->mediaType == "multipart/alternative") {
        BodySelection inner;
        if (Select(*root, inner, depth + 1) && inner.html) {
            inner.related = inner.related ? inner.related : &e;
            out = std::move(inner);
            return true;
        }
    }
    return false;
}

// The best alternative is the richest: HTML (alone or inside a related or
// mixed part) over plain text. With HTML, one plain alternative is kept
// as its text form (the last before it, else the first after it); further
// plain alternatives are neither shown nor appended, and stay attachments
// as every part left out of the body does. Without HTML, several plain
// alternatives are no choice between formats, and all are kept.
bool SelectAlternative(const MimeEntity& e, BodySelection& out, int depth) {
    BodySelection found;
    std::vector<const MimeEntity*> plainsBefore;  // plain alternatives before the chosen HTML
    std::vector<const MimeEntity*> plainsAfter;
    const MimeEntity* nestedPlain = nullptr;  // the text form that came with a nested HTML
    for (const auto& child : e.children) {
        if (!Usable(*child)) continue;
        if (IsTextLeaf(*child)) {
            if (child->mediaType == "text/html") {
                found.html = child.get();
                found.related = nullptr;
                nestedPlain = nullptr;
                plainsBefore.insert(plainsBefore.end(), plainsAfter.begin(), plainsAfter.end());
                plainsAfter.clear();
            } else if (IsPlainText(*child)) {
                plainsAfter.push_back(child.get());
            }
        } else if (child->mediaType == "multipart/related" || child->mediaType == "multipart/alternative" ||
                   child->mediaType == "multipart/mixed") {
            BodySelection inner;
            if (Select(*child, inner, depth + 1) && inner.html) {
                found.html = inner.html;
                found.related = inner.related;
                nestedPlain = inner.plain;
                plainsBefore.insert(plainsBefore.end(), plainsAfter.begin(), plainsAfter.end());
                plainsAfter.clear();
            }
        }
    }
    if (found.html) {
        found.promoted.insert(found.html);
        if (!plainsBefore.empty()) {
            found.plain = plainsBefore.back();
        } else if (nestedPlain) {
            found.plain = nestedPlain;
        } else if (!plainsAfter.empty()) {
            found.plain = plainsAfter.front();
        }
        if (found.plain) found.promoted.insert(found.plain);
    } else if (!plainsAfter.empty()) {
        found.plain = plainsAfter.front();
        found.promoted.insert(plainsAfter.begin(), plainsAfter.end());
        for (std::size_t i = 1; i < plainsAfter.size(); ++i) found.appended.push_back({plainsAfter[i], nullptr});
    }
    if (!found.plain && !found.html) {
        for (const auto& child : e.children) {
            if (IsTextLeaf(*child) && child->mediaType == "text/calendar") {
                Take(*child, found);
                break;
            }
        }
    }
    if (!found.plain && !found.html && !found.calendar) return false;
    out = std::move(found);
    return true;
}

// Adds what a later part of a multipart/mixed contributes to an aggregate
// body: an inline text leaf, the body of an alternative or related part,
// or recursively the inline text of a nested multipart/mixed.
void AppendInline(const MimeEntity& e, BodySelection& out, int depth) {
    if (depth > kMaxWalkDepth || !Usable(e)) return;
    if (IsTextLeaf(e) && (e.mediaType == "text/plain" || e.mediaType == "text/html")) {
        BodySelection::Piece piece;
        (e.mediaType == "text/html" ? piece.html : piece.plain) = &e;
        out.appended.push_back(piece);
        out.promoted.insert(&e);
    } else if (AggregatesLikeMixed(e)) {
        for (const auto& child : e.children) AppendInline(*child, out, depth + 1);
    } else if (e.mediaType == "multipart/alternative" || e.mediaType == "multipart/related") {
        BodySelection inner;
        if (!Select(e, inner, depth + 1) || (!inner.plain && !inner.html)) return;
        out.appended.push_back({inner.plain, inner.html});
        out.appended.insert(out.appended.end(), inner.appended.begin(), inner.appended.end());
        out.promoted.insert(inner.promoted.begin(), inner.promoted.end());
    }
}

bool Select(const MimeEntity& e, BodySelection& out, int depth) {
    if (depth > kMaxWalkDepth || !Usable(e)) return false;
    if (IsTextLeaf(e)) {
        Take(e, out);
        return true;
    }
    if (e.mediaType == "multipart/alternative") return SelectAlternative(e, out, depth);
    if (e.mediaType == "multipart/related") return SelectRelated(e, out, depth);
    if (e.mediaType == "multipart/signed") {
        return !e.children.empty() && Select(*e.children.front(), out, depth + 1);
    }
    if (e.IsMultipart()) {
        for (std::size_t i = 0; i < e.children.size(); ++i) {
            // An S/MIME message among other parts is a message of its own,
            // attached as such, not part of this body.
            if (IsNestedSmime(*e.children[i])) continue;
            if (!Select(*e.children[i], out, depth + 1)) continue;
            if (AggregatesLikeMixed(e)) {
                for (std::size_t k = i + 1; k < e.children.size(); ++k) {
                    AppendInline(*e.children[k], out, depth + 1);
                }
            }
            return true;
        }
    }
    return false;
}

}  // namespace

BodySelection SelectBody(const mime::MimeEntity& root) {
    BodySelection selection;
    Select(root, selection, 0);
    return selection;
}

}  // namespace mailvane::mapping
