"""Packs raw RGBA images into a Windows icon file.

Each size is stored three times, at 4, 8 and 32 bits per pixel, so that the
system finds a fitting image on any display depth. The 256-pixel images are
PNG-compressed; the smaller ones are DIBs with their AND mask, as Windows has
always read them. ImageMagick writes only 32-bit entries, hence this packer.

usage: ico_pack.py OUT.ico SIZE=IMAGE.rgba [SIZE=IMAGE.rgba ...]
"""
import struct
import sys
import zlib

DEPTHS = (32, 8, 4)
PNG_FROM_SIZE = 256
# Alpha below this is transparent for the AND mask of the palette images.
MASK_THRESHOLD = 128


def read_rgba(path, size):
    with open(path, "rb") as f:
        data = f.read()
    if len(data) != size * size * 4:
        raise ValueError(f"{path}: expected {size}x{size} RGBA pixels")
    return [tuple(data[i:i + 4]) for i in range(0, len(data), 4)]


def median_cut(colours, count):
    """Returns up to `count` colours that represent the weighted `colours`.

    `colours` maps an RGB triple to its number of pixels. Boxes are split at
    the weighted median of their widest channel, the most populous first.
    """
    boxes = [sorted(colours.items())]
    while len(boxes) < count:
        splittable = [b for b in boxes if len(b) > 1]
        if not splittable:
            break
        box = max(splittable, key=lambda b: (sum(w for _, w in b), len(b)))
        boxes.remove(box)
        ranges = [max(c[ch] for c, _ in box) - min(c[ch] for c, _ in box) for ch in range(3)]
        channel = ranges.index(max(ranges))
        box.sort(key=lambda item: (item[0][channel], item[0]))
        total = sum(w for _, w in box)
        running, cut = 0, 1
        for i, (_, w) in enumerate(box[:-1]):
            running += w
            cut = i + 1
            if running * 2 >= total:
                break
        boxes.extend([box[:cut], box[cut:]])
    palette = []
    for box in boxes:
        total = sum(w for _, w in box)
        palette.append(tuple((sum(c[ch] * w for c, w in box) + total // 2) // total
                             for ch in range(3)))
    return sorted(palette)


def quantise(pixels, depth):
    """Maps opaque pixels to a palette; index 0 is black, kept for the
    transparent pixels so that the XOR image leaves the screen unchanged."""
    colours = {}
    for r, g, b, a in pixels:
        if a >= MASK_THRESHOLD:
            colours[(r, g, b)] = colours.get((r, g, b), 0) + 1
    palette = [(0, 0, 0)] + median_cut(colours, (1 << depth) - 1)
    palette += [(0, 0, 0)] * ((1 << depth) - len(palette))
    nearest = {}
    indices = []
    for r, g, b, a in pixels:
        if a < MASK_THRESHOLD:
            indices.append(0)
            continue
        key = (r, g, b)
        if key not in nearest:
            nearest[key] = min(range(1, len(palette)), key=lambda i: (
                (palette[i][0] - r) ** 2 + (palette[i][1] - g) ** 2 + (palette[i][2] - b) ** 2, i))
        indices.append(nearest[key])
    return palette, indices


def png_chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def encode_png(size, pixels, depth):
    if depth == 32:
        header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
        rows = b"".join(b"\0" + bytes(v for p in pixels[y * size:(y + 1) * size] for v in p)
                        for y in range(size))
        extra = b""
    else:
        palette, indices = quantise(pixels, depth)
        header = struct.pack(">IIBBBBB", size, size, depth, 3, 0, 0, 0)
        per_byte = 8 // depth
        rows = b""
        for y in range(size):
            row = indices[y * size:(y + 1) * size]
            packed = bytearray()
            for x in range(0, size, per_byte):
                value = 0
                for i in range(per_byte):
                    value = (value << depth) | row[x + i]
                packed.append(value)
            rows += b"\0" + bytes(packed)
        extra = (png_chunk(b"PLTE", bytes(v for c in palette for v in c))
                 + png_chunk(b"tRNS", b"\0"))
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) + extra
            + png_chunk(b"IDAT", zlib.compress(rows, 9)) + png_chunk(b"IEND", b""))


def row_stride(width, bits):
    return ((width * bits + 31) // 32) * 4


def encode_dib(size, pixels, depth):
    mask = bytearray()
    xor = bytearray()
    palette = []
    if depth != 32:
        palette, indices = quantise(pixels, depth)
    for y in reversed(range(size)):
        row = pixels[y * size:(y + 1) * size]
        bits = 0
        mask_row = bytearray()
        for x, (_, _, _, a) in enumerate(row):
            bits = (bits << 1) | (1 if a < MASK_THRESHOLD else 0)
            if x % 8 == 7:
                mask_row.append(bits)
                bits = 0
        if size % 8:
            mask_row.append(bits << (8 - size % 8))
        mask += mask_row.ljust(row_stride(size, 1), b"\0")
        if depth == 32:
            xor_row = bytearray(v for r, g, b, a in row for v in (b, g, r, a))
        else:
            line = indices[y * size:(y + 1) * size]
            xor_row = bytearray()
            per_byte = 8 // depth
            for x in range(0, size, per_byte):
                value = 0
                for i in range(per_byte):
                    value = (value << depth) | (line[x + i] if x + i < size else 0)
                xor_row.append(value)
        xor += xor_row.ljust(row_stride(size, depth), b"\0")
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, depth, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + table + bytes(xor) + bytes(mask)


def pack(images):
    entries = []
    for size, pixels in images:
        for depth in DEPTHS:
            if size >= PNG_FROM_SIZE:
                data = encode_png(size, pixels, depth)
            else:
                data = encode_dib(size, pixels, depth)
            entries.append((size, depth, data))
    offset = 6 + 16 * len(entries)
    directory = struct.pack("<HHH", 0, 1, len(entries))
    body = b""
    for size, depth, data in entries:
        side = 0 if size >= 256 else size
        colour_count = 16 if depth == 4 else 0
        directory += struct.pack("<BBBBHHII", side, side, colour_count, 0, 1, depth,
                                 len(data), offset + len(body))
        body += data
    return directory + body


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__.strip().splitlines()[-1])
    images = []
    for spec in argv[2:]:
        size, path = spec.split("=", 1)
        images.append((int(size), read_rgba(path, int(size))))
    images.sort(key=lambda item: -item[0])
    with open(argv[1], "wb") as f:
        f.write(pack(images))


if __name__ == "__main__":
    main(sys.argv)
