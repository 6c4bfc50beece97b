#pragma once

namespace mailvane::filing {

// Characters that a name must not hold although they are valid text,
// because they are invisible or change how the text around them is shown:
// the C1 controls (U+0080-U+009F: U+009B starts a terminal's escape
// sequence, U+0085 ends a line), the marks and embeddings, overrides and
// isolates of bidirectional text (U+061C, U+200E-U+200F, U+202A-U+202E,
// U+2066-U+2069: "invoice<U+202E>gpj.exe" shows as "invoiceexe.jpg"), the
// line and paragraph separators (U+2028, U+2029), and the invisible zero
// width space and byte-order mark (U+200B, U+FEFF). The joiners U+200C and
// U+200D stay: scripts and emoji need them, and they move nothing.
bool IsHiddenOrReordering(char32_t c);

}  // namespace mailvane::filing
