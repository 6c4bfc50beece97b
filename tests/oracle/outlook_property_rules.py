"""How each property Outlook wrote compares with ours, and why it may differ.

Every rule looks at Outlook's value, ours and the MIME the file was made
from, and returns a status with a short reason:

  same               the values agree (after the rule's normalisation)
  same meaning       Outlook wrote the value that the property's absence
                     means, or a form that reads the same
  store-only         the property belongs to the mailbox store, the address
                     book or the Outlook client that saved the file, not to
                     the mail: nothing in MIME carries it
  lost by msgconvert msgconvert dropped or rewrote what the property comes
                     from (or added a part Outlook's file does not have)
  mail-syntax work   header syntax or body selection, another branch's work
  meeting: calendar work
  real gap           none of the above: a fault of ours

A property without a rule is a real gap until someone classifies it."""
import base64
import email.utils
import struct

import compressed_rtf_reader

SAME = 'same'
SAME_MEANING = 'same meaning'
STORE = 'store-only'
MSGCONVERT = 'lost by msgconvert'
MAIL_SYNTAX = 'mail-syntax work'
MEETING = 'meeting: calendar work'
GAP = 'real gap'

SCOPES = ['message', 'recipient', 'attachment', 'attached message', 'attached recipient', 'attached attachment']
ROW = 'row'
EXTRA_ROW = 'extra row'
MAIL_CLASSES = {'IPM.Note', 'IPM.Note.SMIME', 'IPM.Note.SMIME.MultipartSigned'}

PS_INTERNET_HEADERS = '00020386-0000-0000-C000-000000000046'
PSETID_COMMON = '00062008-0000-0000-C000-000000000046'
PSETID_TASK = '00062003-0000-0000-C000-000000000046'

ONE_OFF_PROVIDER = bytes.fromhex('812B1FA4BEA310199D6E00DD010F5402')
EXCHANGE_PROVIDER = bytes.fromhex('DCA740C8C042101AB4B908002B2FE182')
# The flags word of a one-off entry id ([MS-OXCDATA] 2.2.5.1), as the
# little-endian word reads: U, the strings are UTF-16; M, the address is
# sent MIME, never TNEF (MAPI's MAPI_ONE_OFF_NO_RICH_INFO); Format (4 bits),
# the body the sending client prefers for it (0x0006 text, 0x000E HTML,
# 0x0016 both); MAE (2 bits), how Macintosh attachments are encoded. 0x1000
# lies outside every documented field.
ONE_OFF_UNICODE = 0x8000
ONE_OFF_MIME = 0x0001
ONE_OFF_PREFERENCES = 0x107E
FILETIME_SECOND = 10_000_000
# PidTagMessageFlags bits ([MS-OXCMSG] 2.2.1.6).
MF_UNMODIFIED = 0x2
MF_HAS_ATTACH = 0x10
# 4501-01-01, the "no time" of the calendar exception times.
NO_TIME = 915151392000000000
OID_MIMETAG = bytes.fromhex('2A864886F714030A04')


# ---------------------------------------------------------------- helpers

def sort_key(key):
    if isinstance(key, int):
        return (0, key, '')
    if isinstance(key, str):
        return (2, 0, key)
    return (1, 0, f'{key[0]} {key[1]}')


def label(key):
    if key in (ROW, EXTRA_ROW):
        return '(object present)' if key == ROW else '(object only ours)'
    if isinstance(key, int):
        return f'0x{key:04X} {NAMES.get(key, "")}'.rstrip()
    guid, name = key
    set_name = SET_NAMES.get(guid, guid)
    if isinstance(name, int):
        return f'{set_name} 0x{name:04X} {NAMED.get((guid, name), "")}'.rstrip()
    return f'{set_name} "{name}"'


def shown(value):
    if value is None:
        return 'absent'
    data = value[1]
    if isinstance(data, bytes):
        return data[:20].hex() + ('...' if len(data) > 20 else '')
    text = repr(data)
    return text if len(text) <= 70 else text[:67] + '...'


class Case:
    """One property of one object: Outlook's value, ours, and where from."""

    def __init__(self, scope, key, mail, theirs_object, ours_object, theirs, ours):
        self.scope = scope
        self.key = key
        self.mail = mail
        self.theirs_object = theirs_object
        self.ours_object = ours_object
        self.theirs = theirs[1] if theirs else None
        self.ours = ours[1] if ours else None
        self.present = ours is not None

    def differs(self):
        return f'Outlook {shown((0, self.theirs))}, ours {shown((0, self.ours)) if self.present else "absent"}'


def text_of(value):
    return value if isinstance(value, str) else ''


def lines(text):
    return '\n'.join(line.rstrip() for line in text.replace('\r\n', '\n').replace('\r', '\n').split('\n')).strip()


def collapse(text):
    return ' '.join(text.split())


def unquoted(name):
    if len(name) >= 2 and name[0] == name[-1] and name[0] in '\'"':
        return name[1:-1]
    return name


def decode_entry_id(data):
    """(kind, display name, address type, address) of an entry id."""
    if not isinstance(data, bytes) or len(data) < 24:
        return None
    provider = data[4:20]
    if provider == ONE_OFF_PROVIDER:
        flags = struct.unpack_from('<H', data, 22)[0]
        if flags & ONE_OFF_UNICODE:
            fields = data[24:].decode('utf-16-le', 'replace').split('\0')
        else:
            fields = data[24:].decode('cp1252', 'replace').split('\0')
        fields += ['', '', '']
        return ('one-off', fields[0], fields[1].upper(), fields[2].lower())
    if provider == EXCHANGE_PROVIDER:
        return ('exchange', '', 'EX', data[28:].split(b'\0')[0].decode('ascii', 'replace').lower())
    return ('other', '', '', data.hex())


def one_off_flags(data):
    return struct.unpack_from('<H', data, 22)[0]


def one_off_flags_rule(case):
    """Our one-off flags word beside Outlook's, once the entry ids name the same address."""
    theirs, ours = decode_entry_id(case.theirs), decode_entry_id(case.ours)
    if theirs[0] != 'one-off' or ours[0] != 'one-off':
        return SAME, ''
    difference = one_off_flags(case.theirs) ^ one_off_flags(case.ours)
    if not difference:
        return SAME, ''
    if difference & ~(ONE_OFF_UNICODE | ONE_OFF_MIME | ONE_OFF_PREFERENCES):
        return GAP, f'one-off flags: Outlook {one_off_flags(case.theirs):#06x}, ours {one_off_flags(case.ours):#06x}'
    if difference & ONE_OFF_PREFERENCES:
        return STORE, (f'one-off flags {one_off_flags(case.theirs):#06x}: the body format and bit 0x1000 the sending '
                       'client keeps for its address book entry; none is known for an address read from MIME')
    if difference & ONE_OFF_MIME:
        return STORE, (f'one-off flags {one_off_flags(case.theirs):#06x}: the sending client may send this '
                       'address TNEF (its PidTagSendRichInfo choice)')
    return SAME_MEANING, f'one-off flags {one_off_flags(case.theirs):#06x}: the same strings in 8-bit form'


def search_key_text(data):
    return data.rstrip(b'\0').decode('utf-8', 'replace').upper() if isinstance(data, bytes) else ''


def raw_header(mail, name):
    """The header's raw bytes in the MIME source (first field of the name)."""
    head = mail.raw.split(b'\r\n\r\n', 1)[0].split(b'\n\n', 1)[0]
    found, parts = False, []
    for line in head.split(b'\n'):
        if found and line[:1] in (b' ', b'\t'):
            parts.append(line)
            continue
        if found:
            break
        if line.lower().startswith(name.lower().encode() + b':'):
            found = True
            parts.append(line[len(name) + 1:])
    return b'\n'.join(parts) if found else None


def has_8bit(data):
    return data is not None and any(b >= 0x80 for b in data)


def mailboxes(mail, names):
    found = []
    for name in names:
        for value in mail.mime.get_all(name) or []:
            found.extend(email.utils.getaddresses([str(value)]))
    return found


def has_rtf_alternative(mail):
    """msgconvert writes Outlook's RTF body as an application/rtf alternative."""
    for part in mail.mime.walk():
        if part.get_content_type() == 'multipart/alternative':
            for child in part.get_payload():
                if child.get_content_type() == 'application/rtf':
                    return True
    return False


def has_html(mail):
    return any(part.get_content_type() == 'text/html' for part in mail.mime.walk())


def signed_below_top(mail):
    return mail.mime.get_content_type() != 'multipart/signed' and any(
        part.get_content_type() == 'multipart/signed' for part in mail.mime.walk())


def cid_images_outside_related(mail):
    """Pictures the HTML shows by cid: that sit outside any multipart/related."""
    html = ' '.join((part.get_payload(decode=True) or b'').decode('latin-1').lower()
                    for part in mail.mime.walk() if part.get_content_type() == 'text/html')

    def walk(part, in_related):
        if part.is_multipart():
            inner = in_related or part.get_content_type() == 'multipart/related'
            return any(walk(child, inner) for child in part.get_payload())
        cid = (part.get('Content-ID') or '').strip().strip('<>').lower()
        return not in_related and cid != '' and part.get_content_maintype() == 'image' and f'cid:{cid}' in html
    return walk(mail.mime, False)


def shown_by_rtf(mail):
    """Outlook's body was RTF only: msgconvert wrote it as an application/rtf part."""
    return has_rtf_alternative(mail) and not has_html(mail)


# ---------------------------------------------------------------- rule kinds

def store(note):
    return lambda case: (STORE, note)


def exact(normalize=lambda v: v, explain=None, when_absent=None):
    """Same after `normalize`. A value of ours that differs may have a reason
    (`explain`); a value we did not write is a gap unless `when_absent`
    gives a reason, for nothing upstream can be blamed for what we leave out."""
    def rule(case):
        if case.present and normalize(case.theirs) == normalize(case.ours):
            return SAME, ''
        reason = None
        if not case.present and when_absent:
            reason = when_absent(case)
        elif case.present and explain:
            reason = explain(case)
        return reason or (GAP, case.differs())
    return rule


def absent_means(default, note, normalize=lambda v: v, explain=None):
    """Outlook's value is the one absence means: same meaning when we leave
    it out. Any other value Outlook wrote needs `explain`'s reason."""
    compare = exact(normalize, explain, explain)

    def rule(case):
        if not case.present and case.theirs == default:
            return SAME_MEANING, note
        return compare(case)
    return rule


def when_header(header, rule, note=None):
    """Compared only when the MIME has `header`; msgconvert lost it otherwise."""
    def check(case):
        if case.mail.header(header) is None:
            return MSGCONVERT, note or f'the eml has no {header} field'
        return rule(case)
    return check


# ---------------------------------------------------------------- explanations

def explain_address(header_names, type_key):
    """Why an originator or recipient address field differs."""
    def explain(case):
        outlook_type = text_of(case.theirs_object.value(type_key)).upper()
        if outlook_type == 'EX':
            raw = b' '.join(raw_header(case.mail, h) or b'' for h in header_names)
            if b'/O=' in raw.upper() or b'/o=' in raw:
                return MAIL_SYNTAX, 'an X.500 address (Exchange DN) to be typed EX'
            return MSGCONVERT, 'msgconvert writes the SMTP address of an Exchange (EX) address, not its DN'
        return explain_name(header_names)(case)
    return explain


def unquoted_comma_in_name(raw):
    """Whether a comma outside quotes splits a phrase from its <address>."""
    pieces, quoted, depth, current = [], False, 0, bytearray()
    for byte in raw:
        char = chr(byte)
        if char == '"' and depth == 0:
            quoted = not quoted
        elif char == '(' and not quoted:
            depth += 1
        elif char == ')' and not quoted and depth:
            depth -= 1
        elif char == ',' and not quoted and depth == 0:
            pieces.append(bytes(current))
            current = bytearray()
            continue
        current.append(byte)
    pieces.append(bytes(current))
    return any(b'@' not in piece and piece.strip() for piece in pieces[:-1])


def explain_name(header_names):
    def explain(case):
        raw = b' '.join(raw_header(case.mail, h) or b'' for h in header_names)
        if has_8bit(raw):
            return MAIL_SYNTAX, '8-bit bytes in an address field with no declared charset'
        if any(unquoted_comma_in_name(raw_header(case.mail, h) or b'') for h in header_names):
            return MAIL_SYNTAX, 'an unquoted comma in a display name'
        if any(not name for name, _ in mailboxes(case.mail, header_names)):
            return MSGCONVERT, 'msgconvert writes the address without the display name'
        return None
    return explain


def explain_subject(case):
    if has_8bit(raw_header(case.mail, 'Subject')):
        return MAIL_SYNTAX, 'an 8-bit Subject with no declared charset'
    return None


def explain_class(case):
    if case.theirs.startswith('IPM.Note.SMIME') and signed_below_top(case.mail):
        return MAIL_SYNTAX, 'msgconvert puts the signed part inside multipart/mixed: S/MIME below the top level'
    return None


def originator(type_key, header_names, normalize=lambda v: v):
    return exact(normalize, explain_address(header_names, type_key))


FROM = ['From']
SENDER = ['Sender', 'From']


def entry_id_rule(type_key, header_names):
    def normalize(value):
        decoded = decode_entry_id(value)
        if decoded is None:
            return None
        kind, name, address_type, address = decoded
        return (address_type, address)

    compare = originator(type_key, header_names, normalize)

    def rule(case):
        result = compare(case)
        if result[0] != SAME:
            return result
        theirs, ours = decode_entry_id(case.theirs), decode_entry_id(case.ours)
        # Outlook keeps a name's quotes in the entry ids of received mail
        # and drops them in sent mail; either form names the same person.
        if theirs[0] == 'one-off' and theirs[1] not in (ours[1], unquoted(ours[1])) and \
                unquoted(theirs[1]) != ours[1]:
            reason = explain_name(header_names)(case)
            return reason or (GAP, f'one-off name: Outlook {theirs[1]!r}, ours {ours[1]!r}')
        return one_off_flags_rule(case)
    return rule


def search_key_rule(type_key, header_names):
    # MAPI upper-cases the address in a search key; Outlook's files hold
    # both cases, and the key compares the same either way.
    return originator(type_key, header_names, search_key_text)


def submit_time(case):
    # Date carries whole seconds; Outlook keeps the sending client's
    # fractions.
    if case.present and case.theirs // FILETIME_SECOND == case.ours // FILETIME_SECOND:
        return SAME, ''
    if case.present and case.mail.header('Date') is None:
        return MSGCONVERT, 'the eml has no Date field'
    return GAP, case.differs()


def delivery_time(case):
    # The store's own arrival time; ours is the topmost Received field's
    # date (the Date when there is none), the nearest MIME has.
    if not case.present:
        return GAP, 'no delivery time'
    if abs(case.theirs - case.ours) <= 15 * 60 * FILETIME_SECOND:
        return SAME, ''
    return STORE, 'the store took the mail in later than its last Received field says'


def conversation_index(case):
    header = case.mail.header('Thread-Index')
    if header is None:
        return MSGCONVERT, 'the eml has no Thread-Index field: ours is made from the Date'
    try:
        wanted = base64.b64decode(''.join(header.split()))
    except ValueError:
        return GAP, 'Thread-Index is not base64'
    if case.theirs == wanted and case.ours == wanted:
        return SAME, ''
    if case.theirs != wanted:
        return MSGCONVERT, 'Outlook\'s index is not the eml\'s Thread-Index'
    return GAP, case.differs()


def transport_headers(case):
    def names(text):
        found = set()
        for line in text_of(text).replace('\r\n', '\n').split('\n'):
            if line[:1] in (' ', '\t') or ':' not in line:
                continue
            name = line.split(':', 1)[0].strip().lower()
            if name and ' ' not in name:
                found.add(name)
        return found
    if not case.present:
        return GAP, 'no transport headers'
    # msgconvert writes its own Date, From, To, ... ahead of the fields it
    # keeps; every other field of Outlook's block must be in ours. Exchange's
    # organisation-internal fields are left out on purpose ([MS-OXCMAIL]).
    missing = {n for n in names(case.theirs) - names(case.ours)
               if not n.startswith(('x-ms-exchange-organization-', 'x-ms-exchange-forest-'))}
    if not missing:
        return SAME, ''
    if not any(n in names(case.mail.raw.decode('latin-1')) for n in missing):
        return MSGCONVERT, 'msgconvert left fields out: ' + ', '.join(sorted(missing))
    return GAP, 'fields missing: ' + ', '.join(sorted(missing))


def message_flags(case):
    if not case.present:
        return GAP, 'no flags'
    if not case.ours & MF_UNMODIFIED:
        return GAP, 'mfUnmodified not set on a received mail'
    if (case.theirs ^ case.ours) & MF_HAS_ATTACH:
        if bool(case.theirs & MF_HAS_ATTACH) != bool(case.theirs_object.attachments):
            return STORE, 'the store\'s flag says attachments its own file does not hold'
        reason = explain_has_attachments(case)
        if reason:
            return reason
        return GAP, f'mfHasAttach: Outlook 0x{case.theirs:X}, ours 0x{case.ours:X}'
    if case.theirs == case.ours:
        return SAME, ''
    return STORE, 'read, ever-read, from-me and unmodified state of the store\'s copy'


def explain_has_attachments(case):
    ours = case.ours_object.attachments
    if all(a.value(0x370E) == 'application/rtf' for a in ours) and has_rtf_alternative(case.mail):
        return MSGCONVERT, 'the only attachment is msgconvert\'s application/rtf alternative'
    if signed_below_top(case.mail):
        return MAIL_SYNTAX, 'S/MIME below the top level'
    return None


def has_attachments(case):
    if case.present and case.theirs == case.ours:
        return SAME, ''
    if not case.present:
        return GAP, case.differs()
    return explain_has_attachments(case) or (GAP, case.differs())


def rtf_in_sync(case):
    if case.present and case.theirs == case.ours:
        return SAME, ''
    if not case.theirs and case.theirs_object.value(0x1009) is None:
        return SAME_MEANING, 'Outlook\'s file has no RTF body to keep in sync; ours has one made from the body'
    return GAP, case.differs()


def body(case):
    if case.present and lines(case.theirs) == lines(case.ours):
        return SAME, ''
    return GAP, case.differs()


def rtf_kind(case):
    if not case.present:
        return GAP, 'no RTF body'
    theirs, ours = compressed_rtf_reader.kind(case.theirs), compressed_rtf_reader.kind(case.ours)
    if theirs == ours:
        return SAME, ''
    if theirs in ('rtf', 'html') and has_rtf_alternative(case.mail) and not has_html(case.mail):
        return MSGCONVERT, f'Outlook\'s RTF ({theirs}) is an application/rtf part in the eml; ours is made from the text'
    if theirs == 'rtf' and has_rtf_alternative(case.mail):
        return MSGCONVERT, 'Outlook\'s native RTF is an application/rtf part in the eml; ours encapsulates its HTML'
    return GAP, f'RTF made from {ours}, Outlook\'s from {theirs}'


def html(case):
    if not case.present:
        return GAP, 'no HTML body'

    def text(value, page):
        if isinstance(value, str):
            return value
        try:
            return value.decode('utf-8' if page in (0, 65001) else f'cp{page}')
        except (LookupError, UnicodeDecodeError):
            return value.decode('latin-1')
    theirs = text(case.theirs, case.theirs_object.value(0x3FDE, 0))
    ours = text(case.ours, case.ours_object.value(0x3FDE, 0))
    if collapse(theirs) == collapse(ours):
        return SAME, ''
    return GAP, 'the HTML differs'


def code_page(case):
    if case.present and case.theirs == case.ours:
        return SAME, ''
    if not case.present:
        return GAP, case.differs()
    charsets = {part.get_content_charset() for part in case.mail.mime.walk() if part.get_content_maintype() == 'text'}
    if charsets <= {'utf-8', None}:
        return MSGCONVERT, 'msgconvert writes every text part as UTF-8'
    if has_8bit(raw_header(case.mail, 'Subject')):
        return MAIL_SYNTAX, 'charset of an 8-bit mail'
    return GAP, case.differs()


def message_code_page(case):
    result = code_page(case)
    if result[0] == GAP and case.ours == case.ours_object.value(0x3FDE):
        return MAIL_SYNTAX, ('body mapping writes the Internet code page here; Outlook\'s store keeps the Windows '
                             'code page of that script (us-ascii and iso-8859-1 -> 1252)')
    return result


def icon_index(case):
    if case.theirs in (0x105, 0x106):
        return STORE, 'the user replied to or forwarded the store\'s copy'
    return exact()(case)


def locale(case):
    # Without Content-Language ours comes from a code page that writes one
    # language (Big5, windows-1251, ...); Outlook's then must be the same.
    if case.mail.header('Content-Language') is None and not case.present:
        return STORE, ('the saving client\'s locale: the eml has no Content-Language and its code page '
                       f'({case.ours_object.value(0x3FDE)}) writes many languages')
    return exact()(case)


def editor_format(case):
    if case.present and case.theirs == case.ours:
        return SAME, ''
    if not case.present:
        return GAP, case.differs()
    if has_rtf_alternative(case.mail) and not has_html(case.mail):
        return MSGCONVERT, 'the body Outlook edited (HTML or RTF) is an application/rtf part in the eml'
    if case.theirs == 3 and has_rtf_alternative(case.mail):
        return MSGCONVERT, 'Outlook\'s rich-text (RTF) body is an application/rtf part in the eml'
    return GAP, case.differs()


def return_path(case):
    return when_header('Return-Path', exact())(case)


def internet_header(case):
    """A PS_INTERNET_HEADERS property: the same header in ours, any case."""
    name = case.key[1].lower()
    if name.startswith(('x-ms-exchange-organization-', 'x-ms-exchange-forest-')):
        return STORE, 'Exchange\'s organisation-internal header: MIME readers leave it out ([MS-OXCMAIL])'
    if name in ('content-type', 'contenttype'):
        return MSGCONVERT, 'the eml\'s Content-Type is msgconvert\'s own (its boundary), not the sender\'s'
    wanted = HEADER_ALIASES.get(name, name)
    for key, value in case.ours_object.props.items():
        if isinstance(key, tuple) and key[0] == PS_INTERNET_HEADERS and isinstance(key[1], str) and \
                key[1].lower() == wanted:
            if collapse(text_of(value[1])) == collapse(text_of(case.theirs)):
                return SAME, ''
            if ''.join(text_of(value[1]).split()) == ''.join(text_of(case.theirs).split()):
                return SAME_MEANING, ('Outlook unfolds by dropping the folding blank too; RFC 5322 unfolding '
                                      'keeps it')
            return GAP, f'{key[1]}: Outlook {case.theirs!r}, ours {value[1]!r}'
    if case.mail.header(wanted) is None:
        return MSGCONVERT, 'msgconvert did not keep the field'
    if not case.theirs:
        return SAME_MEANING, 'an empty field'
    return GAP, 'not written'


# Exchange writes these header properties under their alternate names.
HEADER_ALIASES = {'acceptlanguage': 'accept-language'}


def smart_no_attach(case):
    if case.present and case.theirs == case.ours:
        return SAME, ''
    if shown_by_rtf(case.mail):
        return MSGCONVERT, 'the pictures are shown by Outlook\'s RTF body, an application/rtf part in the eml'
    if cid_images_outside_related(case.mail):
        return MAIL_SYNTAX, 'the hidden pictures are cid: images outside multipart/related'
    return GAP, case.differs()


# ---------------------------------------------------------------- recipients

def recipient_explain(case):
    address = text_of(case.theirs_object.value(0x39FE) or case.theirs_object.value(0x3003)).lower()
    if text_of(case.theirs_object.value(0x3002)).upper() == 'EX':
        return explain_address(['To', 'Cc', 'Bcc'], 0x3002)(case)
    for name, found in mailboxes(case.mail, ['To', 'Cc', 'Bcc']):
        if found.lower() == address and not name:
            return MSGCONVERT, 'msgconvert writes the address without the display name'
    return explain_name(['To', 'Cc', 'Bcc'])(case)


def smtp_of_exchange_recipient(case):
    if text_of(case.theirs_object.value(0x3002)).upper() == 'EX':
        return STORE, 'the SMTP address Exchange\'s address book holds for a recipient MIME names by its DN'
    return None


def recipient_field(normalize=lambda v: v):
    return exact(normalize, recipient_explain)


def recipient_display_name(case):
    # Outlook drops a name's surrounding quotes here ('Ann' -> Ann), in
    # sent mail; received mail keeps PidTagDisplayName's form.
    if case.present and case.ours in (case.theirs, unquoted(case.theirs)) or \
            case.present and unquoted(case.ours) == case.theirs:
        return SAME, ''
    return recipient_explain(case) or (GAP, case.differs())


def recipient_entry_id(case):
    def normalize(value):
        decoded = decode_entry_id(value)
        return decoded and decoded[2:]
    result = recipient_field(normalize)(case)
    return one_off_flags_rule(case) if result[0] == SAME else result


def missing_recipient(mail, theirs, recipient):
    address = text_of(recipient.value(0x3003)).lower()
    kind = recipient.value(0x0C15)
    if kind == 3 and mail.header('Bcc') is None:
        return MSGCONVERT, 'msgconvert writes no Bcc field'
    if text_of(recipient.value(0x3002)).upper() == 'EX' or any(
            unquoted_comma_in_name(raw_header(mail, h) or b'') for h in ('To', 'Cc')):
        return MAIL_SYNTAX, 'address parsing'
    return GAP, f'recipient {address} missing'


def extra_recipient(mail, theirs, recipient):
    if any(unquoted_comma_in_name(raw_header(mail, h) or b'') for h in ('To', 'Cc', 'Bcc')):
        return MAIL_SYNTAX, 'an unquoted comma in a display name splits one recipient in two'
    return GAP, f'recipient {recipient.value(0x3003)!r} not in Outlook\'s file'


# ---------------------------------------------------------------- attachments

def missing_attachment(mail, theirs, attachment):
    if signed_below_top(mail):
        return MAIL_SYNTAX, 'S/MIME below the top level: the signed entity is split into parts'
    return GAP, f'attachment {attachment.value(0x3707) or attachment.value(0x3001)!r} missing'


def extra_attachment(mail, theirs, attachment):
    if attachment.value(0x370E) == 'application/rtf' and has_rtf_alternative(mail):
        return MSGCONVERT, 'msgconvert writes Outlook\'s RTF body as an application/rtf alternative'
    if signed_below_top(mail):
        return MAIL_SYNTAX, 'S/MIME below the top level: the signed entity is split into parts'
    return GAP, f'attachment {attachment.value(0x3707)!r} not in Outlook\'s file'


def short_name(case):
    # An 8.3 name is matched without case on Windows; Outlook keeps the
    # long name's case, we upper-case.
    if case.present and text_of(case.theirs).upper() == text_of(case.ours).upper():
        return SAME, ''
    if case.theirs == '':
        return SAME_MEANING, 'Outlook left the short name empty'
    if case.theirs == 'Untitled Attachment' and case.theirs_object.embedded is not None:
        return STORE, ('the saving client\'s placeholder for an item attached before it had a subject (the same '
                       'client names an attached mail by its subject elsewhere)')
    return GAP, case.differs()


def attach_flags(case):
    if not case.present and case.theirs == 0:
        return SAME_MEANING, '0: no flags'
    if case.present and case.theirs == case.ours:
        return SAME, ''
    if shown_by_rtf(case.mail):
        return MSGCONVERT, 'the picture is shown by Outlook\'s RTF body, an application/rtf part in the eml'
    if case.theirs & 0x4 and cid_images_outside_related(case.mail):
        return MAIL_SYNTAX, 'a cid: image outside multipart/related'
    return GAP, case.differs()


def hidden(case):
    if not case.present and case.theirs is False:
        return SAME_MEANING, 'false, as absent'
    if case.present and case.theirs == case.ours:
        return SAME, ''
    if shown_by_rtf(case.mail):
        return MSGCONVERT, 'the picture is shown by Outlook\'s RTF body, an application/rtf part in the eml'
    if cid_images_outside_related(case.mail):
        return MAIL_SYNTAX, 'a cid: image outside multipart/related'
    return GAP, case.differs()


def content_location(case):
    if case.present and case.theirs == case.ours:
        return SAME, ''
    if b'content-location' not in case.mail.raw.lower():
        return MSGCONVERT, 'msgconvert writes no Content-Location'
    return GAP, case.differs()


def attachment_display_name(case):
    if case.present and case.theirs == case.ours:
        return SAME, ''
    if case.present and case.ours.startswith(case.theirs.replace(':', '_')):
        return MSGCONVERT, 'msgconvert gives only the file name, with characters unsafe in file names replaced'
    return GAP, case.differs()


def attach_tag(case):
    return exact()(case) if case.theirs == OID_MIMETAG else store('a tag of the application that attached it')(case)


# ---------------------------------------------------------------- the tables

RECEIVED_BY = 'the mailbox the mail was delivered to (ReceivedBy/ReceivedRepresenting)'
NON_TRANSMITTABLE = 'a non-transmittable property (MAPI keeps this id range for the store and client)'
ADDRESS_BOOK = 'Exchange\'s address book entry of the recipient'
FOLLOW_UP = 'the follow-up flag and task state of the store\'s copy'
CLIENT = 'the Outlook client that saved the file (its version, account or own bookkeeping)'
UNDOCUMENTED = 'an Outlook-internal property with no public definition and nothing in MIME to come from'

MESSAGE = {
    0x0002: ('PidTagAlternateRecipientAllowed', exact()),
    0x0017: ('PidTagImportance', exact()),
    0x001A: ('PidTagMessageClass', exact(explain=explain_class)),
    0x0023: ('PidTagOriginatorDeliveryReportRequested', exact()),
    0x0026: ('PidTagPriority', exact(explain=lambda c: c.mail.header('Priority') is None and c.mail.header(
        'X-Priority') is None and (MSGCONVERT, 'the eml has no Priority or X-Priority field'))),
    0x0029: ('PidTagReadReceiptRequested', exact()),
    0x002C: ('PidTagRedirectionHistory', store('the transport\'s redirection history')),
    0x0036: ('PidTagSensitivity', exact()),
    0x0037: ('PidTagSubject', exact(explain=explain_subject)),
    0x0039: ('PidTagClientSubmitTime', submit_time),
    0x003B: ('PidTagSentRepresentingSearchKey', search_key_rule(0x0064, FROM)),
    0x003D: ('PidTagSubjectPrefix', exact(explain=explain_subject)),
    0x003F: ('PidTagReceivedByEntryId', store(RECEIVED_BY)),
    0x0040: ('PidTagReceivedByName', store(RECEIVED_BY)),
    0x0041: ('PidTagSentRepresentingEntryId', entry_id_rule(0x0064, FROM)),
    0x0042: ('PidTagSentRepresentingName', originator(0x0064, FROM)),
    0x0043: ('PidTagReceivedRepresentingEntryId', store(RECEIVED_BY)),
    0x0044: ('PidTagReceivedRepresentingName', store(RECEIVED_BY)),
    0x0047: ('PidTagMessageSubmissionId', store('the id the transport gave the submission')),
    0x0048: ('PidTagProviderSubmitTime', store('when the transport took the mail')),
    0x004F: ('PidTagReplyRecipientEntries', exact()),
    0x0050: ('PidTagReplyRecipientNames', exact()),
    0x0051: ('PidTagReceivedBySearchKey', store(RECEIVED_BY)),
    0x0052: ('PidTagReceivedRepresentingSearchKey', store(RECEIVED_BY)),
    0x0057: ('PidTagMessageToMe', store('whether the mailbox owner is in To')),
    0x0058: ('PidTagMessageCcMe', store('whether the mailbox owner is in Cc')),
    0x0064: ('PidTagSentRepresentingAddressType', originator(0x0064, FROM)),
    0x0065: ('PidTagSentRepresentingEmailAddress', originator(0x0064, FROM)),
    0x0070: ('PidTagConversationTopic', exact(explain=explain_subject)),
    0x0071: ('PidTagConversationIndex', conversation_index),
    0x0075: ('PidTagReceivedByAddressType', store(RECEIVED_BY)),
    0x0076: ('PidTagReceivedByEmailAddress', store(RECEIVED_BY)),
    0x0077: ('PidTagReceivedRepresentingAddressType', store(RECEIVED_BY)),
    0x0078: ('PidTagReceivedRepresentingEmailAddress', store(RECEIVED_BY)),
    0x007D: ('PidTagTransportMessageHeaders', transport_headers),
    0x007F: ('PidTagTnefCorrelationKey', store('Exchange\'s key for matching the mail with its TNEF part')),
    0x0C19: ('PidTagSenderEntryId', entry_id_rule(0x0C1E, SENDER)),
    0x0C1A: ('PidTagSenderName', originator(0x0C1E, SENDER)),
    0x0C1D: ('PidTagSenderSearchKey', search_key_rule(0x0C1E, SENDER)),
    0x0C1E: ('PidTagSenderAddressType', originator(0x0C1E, SENDER)),
    0x0C1F: ('PidTagSenderEmailAddress', originator(0x0C1E, SENDER)),
    0x0E01: ('PidTagDeleteAfterSubmit', store('a submission option of the sending client')),
    0x0E02: ('PidTagDisplayBcc', exact(explain=lambda c: c.mail.header('Bcc') is None and (
        MSGCONVERT, 'msgconvert writes no Bcc field'))),
    0x0E03: ('PidTagDisplayCc', exact(explain=explain_name(['Cc']))),
    0x0E04: ('PidTagDisplayTo', exact(explain=explain_name(['To']))),
    0x0E06: ('PidTagMessageDeliveryTime', delivery_time),
    0x0E07: ('PidTagMessageFlags', message_flags),
    0x0E0A: ('PidTagSentMailEntryId', store('the Sent Items folder of the sender\'s store')),
    0x0E14: ('PidTagSubmitFlags', store('the store\'s submission state')),
    0x0E17: ('PidTagMessageStatus', store('the message\'s status in its folder')),
    0x0E1B: ('PidTagHasAttachments', has_attachments),
    0x0E1D: ('PidTagNormalizedSubject', exact(explain=explain_subject)),
    0x0E1F: ('PidTagRtfInSync', rtf_in_sync),
    0x0E23: ('PidTagInternetArticleNumber', store('the store\'s article number')),
    0x0E27: ('PidTagSecurityDescriptor', store('the store\'s access control')),
    0x0E28: ('PidTagPrimarySendAccount', store(CLIENT)),
    0x0E29: ('PidTagNextSendAcct', store(CLIENT)),
    0x0E62: ('PidTagUrlCompNameSet', store('the store\'s URL name bookkeeping')),
    0x0E79: ('PidTagTrustSender', store('the client\'s trust decision for the sender')),
    0x0FF4: ('PidTagAccess', store('the access the store grants the user who opened it')),
    0x0FF7: ('PidTagAccessLevel', store('whether that user may change the item')),
    0x1000: ('PidTagBody', body),
    0x1006: ('PidTagRtfSyncBodyCrc', store(CLIENT)),
    0x1007: ('PidTagRtfSyncBodyCount', store(CLIENT)),
    0x1008: ('PidTagRtfSyncBodyTag', store(CLIENT)),
    0x1009: ('PidTagRtfCompressed', rtf_kind),
    0x1010: ('PidTagRtfSyncPrefixCount', store(CLIENT)),
    0x1011: ('PidTagRtfSyncTrailingCount', store(CLIENT)),
    0x1013: ('PidTagHtml', html),
    0x1035: ('PidTagInternetMessageId', exact()),
    0x1042: ('PidTagInReplyToId', exact()),
    0x1039: ('PidTagInternetReferences', exact()),
    0x1046: ('Return-Path', return_path),
    0x1080: ('PidTagIconIndex', icon_index),
    0x1081: ('PidTagLastVerbExecuted', store('what the user last did with the item')),
    0x1082: ('PidTagLastVerbExecutionTime', store('when the user last did it')),
    0x1096: ('PidTagBlockStatus', store('the client\'s decision on downloading external pictures')),
    0x10F3: ('PidTagUrlCompName', store('the item\'s name in the store\'s URL space')),
    0x10F4: ('PidTagAttributeHidden', store('the store\'s item attributes')),
    0x10F5: ('PidTagAttributeSystem', store('the store\'s item attributes')),
    0x10F6: ('PidTagAttributeReadOnly', store('the store\'s item attributes')),
    0x3007: ('PidTagCreationTime', store('when the store created the item')),
    0x3008: ('PidTagLastModificationTime', store('when the store last changed the item')),
    0x300B: ('PidTagSearchKey', store('the store\'s unique key of the item')),
    0x3010: ('PidTagTargetEntryId', store('the store\'s entry id')),
    0x3016: ('PidTagConversationIndexTracking', store(CLIENT)),
    0x340D: ('PidTagStoreSupportMask', store('what the store supports (ours: the Unicode flag a file needs)')),
    0x3414: ('PidTagStoreProvider', store('the store provider')),
    0x3A40: ('PidTagSendRichInfo', store('a sending option of the client')),
    0x3FDE: ('PidTagInternetCodepage', code_page),
    0x3FEA: ('PidTagHasDeferredActionMessages', store('the store\'s rules state')),
    0x3FF1: ('PidTagMessageLocaleId', locale),
    0x3FF8: ('PidTagCreatorName', store('who created the item in the store')),
    0x3FF9: ('PidTagCreatorEntryId', store('who created the item in the store')),
    0x3FFA: ('PidTagLastModifierName', store('who last changed the item in the store')),
    0x3FFB: ('PidTagLastModifierEntryId', store('who last changed the item in the store')),
    0x3FFD: ('PidTagMessageCodepage', message_code_page),
    0x4019: ('PidTagSenderFlags', absent_means(0, 'no flags', explain=lambda c: (STORE, 'Exchange\'s sender flags'))),
    0x401A: ('PidTagSentRepresentingFlags', absent_means(0, 'no flags', explain=lambda c: (
        STORE, 'Exchange\'s sender flags'))),
    0x401B: ('PidTagReceivedByFlags', store(RECEIVED_BY)),
    0x401C: ('PidTagReceivedRepresentingFlags', store(RECEIVED_BY)),
    0x4030: ('PidTagSenderSimpleDisplayName', store('Exchange\'s address book name of the sender')),
    0x4031: ('PidTagSentRepresentingSimpleDisplayName', store('Exchange\'s address book name of the sender')),
    0x4076: ('PidTagContentFilterSpamConfidenceLevel', store('Exchange\'s spam filter verdict')),
    0x5902: ('PidTagInternetMailOverrideFormat', store('a sending option of the client')),
    0x5909: ('PidTagMessageEditorFormat', editor_format),
    0x65C6: ('PidTagSecureSubmitFlags', store(NON_TRANSMITTABLE)),
    0x65E0: ('PidTagSourceKey', store('the store\'s synchronisation key')),
    0x65E2: ('PidTagChangeKey', store('the store\'s synchronisation key')),
    0x65E3: ('PidTagPredecessorChangeList', store('the store\'s synchronisation key')),
    0x6740: ('PidTagSentMailSvrEID', store('the sender\'s Sent Items folder')),
}

RECIPIENT = {
    0x0C15: ('PidTagRecipientType', exact()),
    0x0E0F: ('PidTagResponsibility', store('the transport\'s delivery responsibility')),
    0x0FF6: ('PidTagInstanceKey', store('the store\'s table key')),
    0x0FF9: ('PidTagRecordKey', store('the store\'s record key')),
    0x0FFE: ('PidTagObjectType', exact()),
    0x0FFF: ('PidTagEntryId', recipient_entry_id),
    0x3000: ('PidTagRowid', exact(explain=lambda c: (STORE, 'the store\'s row number in the recipient table'))),
    0x3001: ('PidTagDisplayName', recipient_field()),
    0x3002: ('PidTagAddressType', recipient_field()),
    0x3003: ('PidTagEmailAddress', recipient_field(lambda v: text_of(v).lower())),
    0x300B: ('PidTagSearchKey', recipient_field(search_key_text)),
    0x3900: ('PidTagDisplayType', exact()),
    0x3905: ('PidTagDisplayTypeEx', store(ADDRESS_BOOK)),
    0x39FE: ('PidTagSmtpAddress', exact(lambda v: text_of(v).lower(), recipient_explain, smtp_of_exchange_recipient)),
    0x39FF: ('PidTagAddressBookDisplayNamePrintable', store(ADDRESS_BOOK)),
    0x3A00: ('PidTagAccount', store(ADDRESS_BOOK)),
    0x3A08: ('PidTagBusinessTelephoneNumber', store(ADDRESS_BOOK)),
    0x3A19: ('PidTagOfficeLocation', store(ADDRESS_BOOK)),
    0x3A20: ('PidTagTransmittableDisplayName', recipient_field()),
    0x3A40: ('PidTagSendRichInfo', store('the client\'s choice of sending rich text to this recipient')),
    0x3A71: ('PidTagSendInternetEncoding', store('the client\'s sending format for this recipient')),
    0x5FDE: ('PidTagRecipientResourceState', store(ADDRESS_BOOK)),
    0x5FDF: ('PidTagRecipientOrder', store('the client\'s order of the recipient well')),
    0x5FF6: ('PidTagRecipientDisplayName', recipient_display_name),
    0x5FF7: ('PidTagRecipientEntryId', recipient_entry_id),
    0x5FFD: ('PidTagRecipientFlags', store('the client\'s recipient well flags')),
    0x5FFF: ('PidTagRecipientTrackStatus', store('the sender\'s tracking of replies')),
}

ATTACHMENT = {
    0x0E20: ('PidTagAttachSize', store('the store\'s size of the whole attachment object, properties included')),
    0x0E21: ('PidTagAttachNumber', exact(explain=lambda c: (STORE, 'the store\'s numbering of attachments'))),
    0x0E27: ('PidTagSecurityDescriptor', store('the store\'s access control')),
    0x0FF4: ('PidTagAccess', store('the access the store grants')),
    0x0FF7: ('PidTagAccessLevel', store('the access the store grants')),
    0x0FF9: ('PidTagRecordKey', store('the store\'s record key')),
    0x0FFE: ('PidTagObjectType', exact()),
    0x3001: ('PidTagDisplayName', attachment_display_name),
    0x3007: ('PidTagCreationTime', store('when the client attached the file')),
    0x3008: ('PidTagLastModificationTime', store('when the client attached the file')),
    0x340D: ('PidTagStoreSupportMask', store('what the store supports')),
    0x3701: ('PidTagAttachDataBinary', exact()),
    0x3702: ('PidTagAttachEncoding', absent_means(b'', 'empty: not encoded')),
    0x3703: ('PidTagAttachExtension', exact(lambda v: text_of(v).lower())),
    0x3704: ('PidTagAttachFilename', short_name),
    0x3705: ('PidTagAttachMethod', exact()),
    0x3707: ('PidTagAttachLongFilename', exact()),
    0x3708: ('PidTagAttachPathname', absent_means('', 'empty')),
    0x3709: ('PidTagAttachRendering', store('the icon the client drew for the file')),
    0x370A: ('PidTagAttachTag', attach_tag),
    0x370B: ('PidTagRenderingPosition', exact()),
    0x370D: ('PidTagAttachLongPathname', absent_means('', 'empty')),
    0x370E: ('PidTagAttachMimeTag', exact()),
    0x3710: ('PidTagAttachMimeSequence', absent_means(0, '0: first in its multipart, as absent')),
    0x3712: ('PidTagAttachContentId', exact()),
    0x3713: ('PidTagAttachContentLocation', content_location),
    0x3714: ('PidTagAttachFlags', attach_flags),
    0x7FFA: ('PidTagAttachmentLinkId', absent_means(0, '0 outside calendar items, as absent')),
    0x7FFB: ('PidTagExceptionStartTime', absent_means(NO_TIME, 'no time: not a calendar exception')),
    0x7FFC: ('PidTagExceptionEndTime', absent_means(NO_TIME, 'no time: not a calendar exception')),
    0x7FFD: ('PidTagAttachmentFlags', absent_means(0, '0 outside calendar items, as absent', explain=lambda c: (
        STORE, 'bits the saving Outlook sets on inline pictures for its own handling'))),
    0x7FFE: ('PidTagAttachmentHidden', hidden),
    0x7FFF: ('PidTagAttachmentContactPhoto', absent_means(False, 'false, as absent')),
}

NAMED_RULES = {
    (PSETID_COMMON, 0x8501): ('PidLidReminderDelta', absent_means(0, 'no reminder')),
    (PSETID_COMMON, 0x8503): ('PidLidReminderSet', absent_means(False, 'no reminder')),
    (PSETID_COMMON, 0x8506): ('PidLidPrivate', absent_means(False, 'not private')),
    (PSETID_COMMON, 0x850E): ('PidLidAgingDontAgeMe', absent_means(False, 'aged as usual')),
    (PSETID_COMMON, 0x8510): ('PidLidSideEffects', store(CLIENT)),
    (PSETID_COMMON, 0x8514): ('PidLidSmartNoAttach', smart_no_attach),
    (PSETID_COMMON, 0x8518): ('PidLidTaskMode', absent_means(0, 'not a task request')),
    (PSETID_COMMON, 0x8552): ('PidLidCurrentVersion', store(CLIENT)),
    (PSETID_COMMON, 0x8554): ('PidLidCurrentVersionName', store(CLIENT)),
    (PSETID_COMMON, 0x8580): ('PidLidInternetAccountName', store(CLIENT)),
    (PSETID_COMMON, 0x8581): ('PidLidInternetAccountStamp', store(CLIENT)),
    (PSETID_COMMON, 0x8582): ('PidLidUseTnef', store('a sending option of the client')),
    (PSETID_COMMON, 0x85BF): ('PidLidValidFlagStringProof', store(FOLLOW_UP)),
}

SET_NAMES = {
    PS_INTERNET_HEADERS: 'PS_INTERNET_HEADERS',
    PSETID_COMMON: 'PSETID_Common',
    PSETID_TASK: 'PSETID_Task',
}

NAMES = {}
NAMED = {}
for table in (MESSAGE, RECIPIENT, ATTACHMENT):
    for tag, (name, _) in table.items():
        NAMES.setdefault(tag, name)
for key, (name, _) in NAMED_RULES.items():
    NAMED[key] = name


def by_range(key):
    """The id ranges MAPI reserves for properties that never travel with a mail."""
    if 0x0E00 <= key <= 0x0FFF or 0x6000 <= key <= 0x67FF or 0x7C00 <= key <= 0x7FFF:
        return store(NON_TRANSMITTABLE)
    if 0x3D00 <= key <= 0x3DFF:
        return store('a profile property')
    if 0x4000 <= key <= 0x5FFF:
        return store('a property of the transport or address book provider')
    return None


def compare(scope, key, mail, theirs_object, ours_object, theirs, ours):
    kind = scope.split()[-1]
    table = {'message': MESSAGE, 'recipient': RECIPIENT, 'attachment': ATTACHMENT}[kind]
    case = Case(scope, key, mail, theirs_object, ours_object, theirs, ours)
    if isinstance(key, int):
        entry = table.get(key)
        rule = entry[1] if entry else by_range(key)
        if rule is None and 0x6800 <= key <= 0x7BFF:
            rule = store(UNDOCUMENTED)
        if rule is None and key in UNDOCUMENTED_IDS.get(kind, ()):
            rule = store(UNDOCUMENTED)
    else:
        guid, name = key
        if guid == PS_INTERNET_HEADERS:
            rule = internet_header
        elif (guid, name) in NAMED_RULES:
            rule = NAMED_RULES[(guid, name)][1]
        elif guid == PSETID_TASK:
            rule = store(FOLLOW_UP)
        elif guid in (PSETID_COMMON,):
            rule = store(CLIENT)
        else:
            rule = store('a property set of another application (archiver, connector, client add-in)')
    if rule is None:
        return GAP, f'no rule for this property: {case.differs()}'
    return rule(case)


# Ids seen in Outlook's files that no public list names (outside the
# ranges by_range places).
UNDOCUMENTED_IDS = {
    'message': {0x1092, 0x10F2},
    'attachment': {0x371D},
}
