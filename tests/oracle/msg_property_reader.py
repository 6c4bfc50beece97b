"""Reads the properties of a .msg file with olefile, independently of the
engine: the message, its recipients and attachments, embedded messages, with
named properties resolved through __nameid_version1.0.

A property is keyed by its id (an int below 0x8000) or, for a named
property, by (property set GUID in upper case, name or numeric id); each
value is (property type, value) with strings decoded (a multi-valued string
as the list of its values), integers, booleans and times (FILETIME ticks) as
numbers, everything else as bytes."""
import struct
import uuid

import olefile

PS_MAPI = '00020328-0000-0000-C000-000000000046'
PS_PUBLIC_STRINGS = '00020329-0000-0000-C000-000000000046'
NAMEID = '__nameid_version1.0/'

# Fixed-size types and how their 8-byte value field is read.
FIXED = {
    0x0002: '<h',
    0x0003: '<i',
    0x0004: '<f',
    0x0005: '<d',
    0x0006: '<q',
    0x0007: '<d',
    0x000A: '<i',
    0x000B: '<H',
    0x0014: '<q',
    0x0040: '<q',
}
STRING8 = 0x001E
UNICODE = 0x001F
MULTIPLE_UNICODE = 0x101F
MULTIPLE_BINARY = 0x1102
OBJECT = 0x000D
TOP_HEADER = 32
EMBEDDED_HEADER = 24
CHILD_HEADER = 8


class MsgObject:
    def __init__(self):
        self.props = {}
        self.recipients = []
        self.attachments = []
        self.embedded = None  # MsgObject of an attached message

    def value(self, key, default=None):
        entry = self.props.get(key)
        return default if entry is None else entry[1]


def guid_text(raw):
    return str(uuid.UUID(bytes_le=bytes(raw))).upper()


def decode_name_entries(guids, entries, strings):
    """Named property id -> (property set, name or numeric id), from the
    three streams of a name-to-id map: the GUIDs, the 8-byte entries and
    the strings. A .msg file ([MS-OXMSG] 2.2.3) and a store ([MS-PST] 2.4.7)
    write them alike."""
    names = {}
    for offset in range(0, len(entries) - 7, 8):
        identifier, info = struct.unpack_from('<II', entries, offset)
        guid_index = (info >> 1) & 0x7FFF
        if guid_index == 1:
            guid = PS_MAPI
        elif guid_index == 2:
            guid = PS_PUBLIC_STRINGS
        else:
            at = (guid_index - 3) * 16
            guid = guid_text(guids[at:at + 16]) if 0 <= at and at + 16 <= len(guids) else '?'
        if info & 1:
            if identifier + 4 > len(strings):
                continue
            size = struct.unpack_from('<I', strings, identifier)[0]
            name = strings[identifier + 4:identifier + 4 + size].decode('utf-16-le', 'replace')
        else:
            name = identifier
        names[0x8000 + (info >> 16)] = (guid, name)
    return names


def read_names(ole):
    """Named property id -> (property set, name or numeric id)."""
    if not ole.exists(NAMEID + '__substg1.0_00020102'):
        return {}
    return decode_name_entries(*(ole.openstream(NAMEID + f'__substg1.0_{tag:08X}').read()
                                 for tag in (0x00020102, 0x00030102, 0x00040102)))


def code_page_of(entries):
    """The code page 8-bit strings of this file are written in."""
    for tag in (0x3FFD0003, 0x3FDE0003):
        if tag in entries:
            page = struct.unpack_from('<i', entries[tag], 0)[0]
            if page > 0 and page != 1200:
                return 'cp65001' if page == 65001 else f'cp{page}'
    return 'cp1252'


def decode8(raw, encoding):
    try:
        return raw.decode(encoding, 'replace')
    except LookupError:
        return raw.decode('cp1252', 'replace')


class Reader:
    def __init__(self, path):
        self.path = path
        self.ole = olefile.OleFileIO(path)
        self.names = read_names(self.ole)
        self.listing = ['/'.join(e) for e in self.ole.listdir(streams=True, storages=True)]
        self.encoding = 'cp1252'

    def close(self):
        self.ole.close()

    def read(self):
        return self.read_object('', TOP_HEADER, True)

    def children(self, prefix, kind):
        found = set()
        for entry in self.listing:
            if entry.startswith(prefix):
                first = entry[len(prefix):].split('/')[0]
                if first.startswith(kind):
                    found.add(first)
        return sorted(found, key=lambda n: int(n.split('#')[1], 16))

    def read_object(self, prefix, header, with_children):
        obj = MsgObject()
        data = self.ole.openstream(prefix + '__properties_version1.0').read()
        raw_entries = {}
        for offset in range(header, len(data) - 15, 16):
            tag = struct.unpack_from('<I', data, offset)[0]
            raw_entries[tag] = data[offset + 8:offset + 16]
        if prefix == '':
            self.encoding = code_page_of(raw_entries)
        for tag, field in raw_entries.items():
            pid, ptype = tag >> 16, tag & 0xFFFF
            key = self.names.get(pid, ('?', pid)) if pid >= 0x8000 else pid
            obj.props[key] = (ptype, self.value(prefix, tag, ptype, field))
        if with_children:
            for name in self.children(prefix, '__recip_version1.0_#'):
                obj.recipients.append(self.read_object(prefix + name + '/', CHILD_HEADER, False))
            for name in self.children(prefix, '__attach_version1.0_#'):
                attachment = self.read_object(prefix + name + '/', CHILD_HEADER, False)
                inner = prefix + name + '/__substg1.0_3701000D/'
                if self.ole.exists(inner + '__properties_version1.0'):
                    attachment.embedded = self.read_object(inner, EMBEDDED_HEADER, True)
                obj.attachments.append(attachment)
        return obj

    def value(self, prefix, tag, ptype, field):
        if ptype in FIXED:
            number = struct.unpack_from(FIXED[ptype], field, 0)[0]
            return bool(number) if ptype == 0x000B else number
        if ptype == OBJECT:
            return None
        stream = prefix + f'__substg1.0_{tag:08X}'
        if not self.ole.exists(stream):
            return None
        raw = self.ole.openstream(stream).read()
        if ptype == MULTIPLE_UNICODE:
            # [MS-OXMSG] 2.1.4.2: a length stream of 4-byte entries (bytes
            # with the terminator), then one stream per value.
            values = []
            for index in range(len(raw) // 4):
                value_stream = f'{stream}-{index:08X}'
                if not self.ole.exists(value_stream):
                    return None
                values.append(self.ole.openstream(value_stream).read().decode('utf-16-le', 'replace').split('\0')[0])
            return values
        if ptype == MULTIPLE_BINARY:
            # As for strings: a length stream of 8-byte entries, then one
            # stream per value.
            values = []
            for index in range(len(raw) // 8):
                value_stream = f'{stream}-{index:08X}'
                if not self.ole.exists(value_stream):
                    return None
                values.append(self.ole.openstream(value_stream).read())
            return values
        if ptype & 0x1000 and (ptype & 0x0FFF) in FIXED:
            # A multi-valued fixed-size property: the values one after the other.
            layout = FIXED[ptype & 0x0FFF]
            width = struct.calcsize(layout)
            return [struct.unpack_from(layout, raw, at)[0] for at in range(0, len(raw) - width + 1, width)]
        if ptype == UNICODE:
            return raw.decode('utf-16-le', 'replace').split('\0')[0]
        if ptype == STRING8:
            return decode8(raw.split(b'\0')[0], self.encoding)
        return raw


def read_msg(path):
    reader = Reader(path)
    try:
        return reader.read()
    finally:
        reader.close()


def message_class_and_flags(path):
    """The message class and PidTagMessageFlags, read without the rest."""
    message = read_msg(path)
    return message.value(0x001A, ''), message.value(0x0E07, 0)
