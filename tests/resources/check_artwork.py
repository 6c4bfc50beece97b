"""Checks the program's artwork: that tools/make-artwork regenerates the kept
files byte for byte, that the icon holds every size at every depth in the
layout Windows reads, and that the bitmaps have the sizes and depth the
dialogs expect. ImageMagick decodes every image as an independent reader."""
import os
import struct
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
ART = os.path.join(ROOT, "resources", "artwork")
SIZES = (256, 48, 32, 24, 16)
DEPTHS = (4, 8, 32)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def icon_entries(data):
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    assert (reserved, kind) == (0, 1), "not an icon file"
    entries = []
    for i in range(count):
        width, height, colours, _, planes, depth, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        entries.append({"side": width or 256, "height": height or 256, "colours": colours,
                        "planes": planes, "depth": depth, "data": data[offset:offset + size],
                        "end": offset + size})
    return entries


class ArtworkTest(unittest.TestCase):
    def test_regenerates_identically(self):
        with tempfile.TemporaryDirectory() as out:
            env = dict(os.environ, MAILVANE_ARTWORK_OUT=out)
            subprocess.run([os.path.join(ROOT, "tools", "make-artwork")], check=True, env=env)
            for name in ("mailvane.ico", "about.bmp", "banner.bmp"):
                self.assertEqual(read(os.path.join(out, name)), read(os.path.join(ART, name)), name)

    def test_icon_holds_every_size_at_every_depth(self):
        data = read(os.path.join(ART, "mailvane.ico"))
        entries = icon_entries(data)
        self.assertEqual(sorted((e["side"], e["depth"]) for e in entries),
                         sorted((s, d) for s in SIZES for d in DEPTHS))
        for e in entries:
            with self.subTest(side=e["side"], depth=e["depth"]):
                self.assertLessEqual(e["end"], len(data))
                self.assertEqual(e["planes"], 1)
                self.assertEqual(e["colours"], 16 if e["depth"] == 4 else 0)
                if e["side"] == 256:
                    self.assertEqual(e["data"][:8], b"\x89PNG\r\n\x1a\n", "256-pixel images are PNG")
                    width, height, bits, colour_type = struct.unpack_from(">IIBB", e["data"], 16)
                    self.assertEqual((width, height), (256, 256))
                    self.assertEqual((bits, colour_type), {4: (4, 3), 8: (8, 3), 32: (8, 6)}[e["depth"]])
                else:
                    size, width, height, planes, bits = struct.unpack_from("<IiiHH", e["data"], 0)
                    self.assertEqual((size, width, height, planes, bits), (40, e["side"], 2 * e["side"], 1, e["depth"]))
                    stride = lambda b: ((e["side"] * b + 31) // 32) * 4
                    palette = 4 << e["depth"] if e["depth"] <= 8 else 0
                    self.assertEqual(len(e["data"]), 40 + palette + e["side"] * (stride(e["depth"]) + stride(1)))

    def test_imagemagick_decodes_every_image(self):
        for name, expected in (("mailvane.ico", [f"{s}x{s}" for s in SIZES for _ in DEPTHS]),
                               ("about.bmp", ["124x77"]), ("banner.bmp", ["672x80"])):
            with self.subTest(name=name):
                out = subprocess.run(["identify", "-format", "%wx%h\n", os.path.join(ART, name)],
                                     check=True, capture_output=True, text=True).stdout.split()
                self.assertEqual(sorted(out), sorted(expected))

    def test_bitmaps_are_24_bit_bmp3(self):
        for name, size in (("about.bmp", (124, 77)), ("banner.bmp", (672, 80))):
            with self.subTest(name=name):
                data = read(os.path.join(ART, name))
                self.assertEqual(data[:2], b"BM")
                header, width, height, planes, bits, compression = struct.unpack_from("<IiiHHI", data, 14)
                self.assertEqual((header, width, height, planes, bits, compression), (40, size[0], size[1], 1, 24, 0))
                self.assertEqual(len(data), 54 + size[1] * ((size[0] * 3 + 3) // 4 * 4))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
