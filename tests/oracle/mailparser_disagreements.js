'use strict';
// Messages where mailparser, not our output, departs from the standards;
// the fields named are left out of the comparison for that message only.
const ORACLE_DISAGREEMENTS = {
  // "Content-Type: text" has no subtype, so it is not a valid Content-Type;
  // RFC 2045 5.2 reads such a part as the default text/plain, which we
  // promote to the body. mailparser keeps "text" as the media type and
  // lists the part as an attachment.
  'cpython-15-msg-14.eml': ['text', 'attachment count'],
  // The line " From: ..." starts with a blank, which makes it a folded
  // continuation of the Date field (RFC 5322 2.2.3); mailparser reads it
  // as a From field of its own.
  'enmime-43-bad-header-start-alt.eml': ['from address', 'from name'],
  // "Date: Sun, 13 Oct 02 21:03:31 Hora oficial do Brasil": RFC 5322 4.3
  // reads an unknown zone as -0000 (UTC), so the date stands; mailparser
  // drops it and gives the time of reading.
  'mimeexplode-mbx-03-not-term-bdr-m3-att-octet.eml': ['date is the time of conversion'],
  // An inline message/rfc822 part is an embedded message for us, with its
  // own attachments inside it; mailparser lists the attachments of the
  // attached mail as the outer message's own.
  'kdepim-09-encapsulated-with-attachment-rfc822-att-message-text-iso-885.eml': ['attachment count'],
  'mimeexplode-22-rfc822-rfc822.eml': ['attachment count'],
  // Inline text/plain parts inside a multipart/related (after its HTML)
  // are resources of that HTML, not body parts: [MS-OXCMAIL] promotes only
  // the related part's start as the body, so we keep them as attachments.
  // mailparser writes every inline text part anywhere into the text.
  'tb-jsmime-03-multipartmalt-detach-related-att-text.eml': ['text', 'attachment count', 'attachment 0 size', 'attachment 0 sha256', 'attachment 0 name'],
  'tb-mailnews-81-multipartmalt-detach-related-att-text.eml': ['text', 'attachment count'],
  'tb-mailnews-47-bug513543-related-att-text.eml': ['text', 'attachment count'],
  // "Content-Type: text/html; boundary=..." is a text part: a boundary
  // parameter means nothing outside multipart (RFC 2046 5.1.1), so the
  // lines that look like delimiters are part of the HTML. mailparser splits
  // the text part at them.
  'cpython-41-msg-40-html.eml': ['html'],
  // UTF-16 text that ends inside a code unit (an odd byte count): the
  // WHATWG Encoding Standard's UTF-16 decoder turns the byte left over at
  // the end into U+FFFD, which we keep so that the loss shows; mailparser
  // (Node's string decoder) drops the byte without a trace.
  'kdepim-03-plain-utf16-alt-utf-16.eml': ['text'],
  // "charset=BadCharset" over UTF-16BE text ("\0a\0b..."): a zero byte
  // before every letter and a line end "\0\r\0\n" leave no other reading,
  // and a text property cannot hold NULs (each would end the string).
  // mailparser keeps the bytes as characters, NULs included.
  'tb-composition-01-base64-bug1586890-att-text-badcharset.eml': ['text'],
  // "Content-Type: multipart/report; ...; bo": the boundary parameter is cut
  // off, so RFC 2046 gives no parts. We find the parts by their delimiter
  // lines and keep the report's delivery-status and headers parts as
  // attachments; mailparser returns neither text nor attachments.
  'cpython-26-msg-25.eml': ['attachment count'],
  // The HTML is labelled iso-8859-1 and holds byte 0x96. HTML readers
  // read that label as windows-1252 (WHATWG Encoding Standard: "iso-8859-1"
  // is a label of windows-1252), as we and mailparser do: an en dash. This
  // script decodes our HTML for code page 28591 as strict Latin-1, which
  // makes the byte a C1 control.
  'tb-local-04-mailformed-subject-related-att-image.eml': ['html'],
  // Text made from an HTML part of an aggregate body: mailparser's
  // html-to-text wraps lines at 80 columns and ends a <pre> block with an
  // empty line; we keep the HTML's own lines. Layout, not content.
  'tb-mailnews-41-bodystructuretest1-related-att-archive-image.eml': ['text'],
  'tb-mailnews-43-bodystructuretest3-att-text.eml': ['text'],
  // A multipart/related whose start is HTML, with an inline text/plain
  // resource (text000001.txt) after it: for us an attachment, as for the
  // related parts above; mailparser adds it to the text, which it makes
  // from the HTML with "[cid:...]" markers for the images. The extra
  // attachment shifts the pairing of the three images after it.
  'tb-reader-01-bug1774805-android-mms-related-att-image-text.eml': ['text', 'attachment count',
    'attachment 0 size', 'attachment 0 sha256', 'attachment 0 name', 'attachment 1 size', 'attachment 1 sha256',
    'attachment 1 name', 'attachment 2 size', 'attachment 2 sha256', 'attachment 2 name'],
  // The text part holds lines that are its parents' delimiters. RFC 2046
  // 5.1.1 forbids a delimiter inside an enclosed part, so an enclosing
  // boundary ends the part wherever it stands (so do Python's email
  // package and we); mailparser looks only for the innermost boundary
  // and reads the rest of the message as that text.
  'cpython-39-msg-38-alt.eml': ['text'],
  // Each part's header runs on into its content without a blank line
  // ("Tired of missing...", "<html>"). A line without a colon is no header
  // field (RFC 5322 2.2), so we start the body there, as Python's email
  // package does; mailparser takes every line up to the first blank one
  // as header and drops those lines of text and HTML.
  'mimeexplode-mbx-01-not-term-bdr-m1-alt.eml': ['text', 'html'],
  // A format=flowed part whose lines all end without a blank has no soft
  // line break, so it reads exactly as fixed text (RFC 3676 4.2). mailparser
  // drops one of its trailing empty lines when the part is flowed and keeps
  // it when the same part is not.
  'tb-openpgp-10-signed-with-mailman-footer-pgp-att-other.eml': ['text'],
  // The winmail.dat (application/ms-tnef) part carries only message
  // properties, its RTF body among them, and no attached file. A TNEF
  // stream is the sending Outlook's message ([MS-OXTNEF]), so we apply its
  // properties to the message and it leaves no attachment behind;
  // mailparser lists winmail.dat as a file.
  'sa-easyham-04-easyham-tnef.eml': ['attachment count'],
  // Two application/pkcs7-mime parts inside a multipart/alternative: each
  // is an S/MIME message of its own (RFC 8551 3.1), which we attach as a
  // message of class IPM.Note.SMIME holding its smime.p7m ([MS-OXOSMIME]
  // applied to the part), so that Outlook decrypts it when it is opened.
  // This script leaves attached messages out of our count; mailparser lists
  // the two parts as files.
  'tb-misc-05-multipart-alternative-smime-alt.eml': ['attachment count'],
  // A text/plain part labelled UTF-7 (RFC 2152): "+AD4" is the base64 of
  // U+003E, so its quoted lines start with ">", and the "+" runs of its PGP
  // signature that are not well-formed UTF-7 stay as written. mailparser
  // does not decode UTF-7 and gives the bytes as they are.
  'mailman3-12-ascii-in-utf7-pgp-utf-7.eml': ['text'],
  // "From: \"Pst Extractor\" <MAILER-DAEMON>": an addr-spec is a local part,
  // "@" and a domain (RFC 5322 3.4.1), so "MAILER-DAEMON" is no Internet
  // address. We keep it as the sender's e-mail address but give it no SMTP
  // address type and no SMTP address property, which is what this script
  // reads; mailparser returns the text as the address.
  'outlookcom-11-sent-items-2-ics-att-octet-text.eml': ['from address'],
  'outlookcom-12-sync-issues-4.eml': ['from address'],
};

module.exports = { ORACLE_DISAGREEMENTS };
