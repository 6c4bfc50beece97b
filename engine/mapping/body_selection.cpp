#include "engine/mapping/body_selection.h"

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

// The HTML a multipart/related starts with: its first child, or the
// alternative it starts with.
bool SelectRelated(const MimeEntity& e, BodySelection& out, int depth) {
    if (e.children.empty() || !Usable(*e.children.front())) return false;
    const MimeEntity& first = *e.children.front();
    if (IsTextLeaf(first) && first.mediaType == "text/html") {
        Take(first, out);
        out.related = &e;
        return true;
    }
    if (first.mediaType == "multipart/alternative") {
        BodySelection inner;
        if (Select(first, inner, depth + 1) && inner.html) {
            inner.related = inner.related ? inner.related : &e;
            out = std::move(inner);
            return true;
        }
    }
    return false;
}

bool SelectAlternative(const MimeEntity& e, BodySelection& out, int depth) {
    BodySelection found;
    for (const auto& child : e.children) {
        if (!Usable(*child)) continue;
        if (IsTextLeaf(*child)) {
            if (child->mediaType == "text/html") {
                if (found.html) found.promoted.erase(found.html);
                found.html = child.get();
                found.related = nullptr;
                found.promoted.insert(child.get());
            } else if (child->mediaType == "text/plain" || child->mediaType == "text/enriched") {
                // Two plain alternatives are no choice between formats: keep both texts.
                if (found.plain) {
                    found.appended.push_back({child.get(), nullptr});
                } else {
                    found.plain = child.get();
                }
                found.promoted.insert(child.get());
            }
        } else if (child->mediaType == "multipart/related" || child->mediaType == "multipart/alternative" ||
                   child->mediaType == "multipart/mixed") {
            BodySelection inner;
            if (Select(*child, inner, depth + 1) && inner.html) {
                if (found.html) found.promoted.erase(found.html);
                found.html = inner.html;
                found.related = inner.related;
                found.promoted.insert(inner.html);
                if (!found.plain && inner.plain) {
                    found.plain = inner.plain;
                    found.promoted.insert(inner.plain);
                }
            }
        }
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
    } else if (e.mediaType == "multipart/mixed") {
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
            if (!Select(*e.children[i], out, depth + 1)) continue;
            if (e.mediaType == "multipart/mixed") {
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
