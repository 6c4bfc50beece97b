"""Reads the properties of a store's messages and attachments with pypff
(libpff, a reader we did not write), keyed and decoded as
msg_property_reader reads a .msg file: an id below 0x8000, or for a named
property (property set GUID in upper case, name or numeric id) through the
store's name-to-id map; strings decoded, numbers and times as numbers,
everything else as bytes."""
import struct

import msg_property_reader

FIXED = msg_property_reader.FIXED
MULTIPLE_FIXED = {0x1002: '<h', 0x1003: '<i', 0x1004: '<f', 0x1005: '<d', 0x1006: '<q', 0x1007: '<d',
                  0x1014: '<q', 0x1040: '<q'}


def name_map(pst):
    """Named property id -> (property set, name or numeric id) ([MS-PST] 2.4.7)."""
    streams = {e.entry_type: e.data or b'' for e in pst.name_to_id_map.record_sets[0].entries}
    return msg_property_reader.decode_name_entries(streams.get(2, b''), streams.get(3, b''), streams.get(4, b''))


def multiple(data):
    """The values of a variable-size multi-valued property: a count, the
    offsets, then the values ([MS-PST] 2.3.3.4.2)."""
    count = struct.unpack_from('<I', data)[0]
    offsets = [struct.unpack_from('<I', data, 4 + 4 * n)[0] for n in range(count)] + [len(data)]
    return [data[offsets[n]:offsets[n + 1]] for n in range(count)]


def value(value_type, data):
    if data is None:
        return None
    if value_type in FIXED:
        width = struct.calcsize(FIXED[value_type])
        if value_type == 0x000B:
            return data[0] != 0
        return struct.unpack_from(FIXED[value_type], data.ljust(width, b'\0'))[0]
    if value_type == 0x001F:
        return data.decode('utf-16-le', 'replace').split('\0')[0]
    if value_type == 0x101F:
        return [v.decode('utf-16-le', 'replace').split('\0')[0] for v in multiple(data)]
    if value_type == 0x1102:
        return multiple(data)
    if value_type in MULTIPLE_FIXED:
        width = struct.calcsize(MULTIPLE_FIXED[value_type])
        return [struct.unpack_from(MULTIPLE_FIXED[value_type], data, at)[0] for at in range(0, len(data), width)]
    return bytes(data)


def properties(item, names):
    """Every property of an item's first record set (a message's or an
    attachment's own property context), keyed as msg_property_reader does."""
    props = {}
    for entry in item.record_sets[0].entries if item.number_of_record_sets else []:
        pid = entry.entry_type
        key = names.get(pid, ('?', pid)) if pid >= 0x8000 else pid
        props[key] = (entry.value_type, value(entry.value_type, entry.data))
    return props


def folder_at(folder, path):
    for name in path:
        found = [sub for sub in folder.sub_folders if sub.name == name]
        if not found:
            return None
        folder = found[0]
    return folder
