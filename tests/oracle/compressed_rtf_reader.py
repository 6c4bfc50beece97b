"""Decompresses PidTagRtfCompressed ([MS-OXRTFCP]) to tell what kind of RTF
a file holds: HTML encapsulated (\\fromhtml1), text encapsulated
(\\fromtext) or native RTF. Independent of the engine's compressor."""
import struct

# The dictionary's initial contents, as [MS-OXRTFCP] 2.1.2.1 gives them.
PRELOAD = (b'{\\rtf1\\ansi\\mac\\deff0\\deftab720{\\fonttbl;}{\\f0\\fnil \\froman \\fswiss \\fmodern \\fscript '
           b'\\fdecor MS Sans SerifSymbolArialTimes New RomanCourier{\\colortbl\\red0\\green0\\blue0\r\n'
           b'\\par \\pard\\plain\\f0\\fs20\\b\\i\\u\\tab\\tx')
COMPRESSED = 0x75465A4C
UNCOMPRESSED = 0x414C454D
WINDOW = 4096


def decompress(data):
    """The RTF text, or b'' when the header is not one of the two kinds."""
    if len(data) < 16:
        return b''
    compressed_size, raw_size, magic, _ = struct.unpack_from('<IIII', data, 0)
    if magic == UNCOMPRESSED:
        return data[16:16 + raw_size]
    if magic != COMPRESSED:
        return b''
    window = bytearray(WINDOW)
    window[:len(PRELOAD)] = PRELOAD
    write = len(PRELOAD)
    out = bytearray()
    at = 16
    end = min(len(data), compressed_size + 4)
    while at < end:
        control = data[at]
        at += 1
        for bit in range(8):
            if at >= end:
                break
            if control & (1 << bit):
                if at + 1 >= end:
                    return bytes(out)
                reference = (data[at] << 8) | data[at + 1]
                at += 2
                offset, length = reference >> 4, (reference & 0xF) + 2
                if offset == write:
                    return bytes(out)
                for k in range(length):
                    byte = window[(offset + k) % WINDOW]
                    out.append(byte)
                    window[write] = byte
                    write = (write + 1) % WINDOW
            else:
                byte = data[at]
                at += 1
                out.append(byte)
                window[write] = byte
                write = (write + 1) % WINDOW
    return bytes(out)


def kind(data):
    """'html', 'text' or 'rtf' for the encapsulation the RTF declares."""
    head = decompress(data)[:512]
    if b'\\fromhtml' in head:
        return 'html'
    if b'\\fromtext' in head:
        return 'text'
    return 'rtf'
