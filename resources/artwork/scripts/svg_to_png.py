"""Renders an SVG file to a PNG of a given pixel size.

The installed ImageMagick has no SVG reader of its own, so the drawing goes
through librsvg and cairo, which the system already carries, reached with
ctypes: the artwork then needs nothing beyond the base system to rebuild.
"""
import ctypes
import sys

_rsvg = ctypes.CDLL("librsvg-2.so.2")
_cairo = ctypes.CDLL("libcairo.so.2")
_gobject = ctypes.CDLL("libgobject-2.0.so.0")

CAIRO_FORMAT_ARGB32 = 0


class RsvgRectangle(ctypes.Structure):
    _fields_ = [("x", ctypes.c_double), ("y", ctypes.c_double),
                ("width", ctypes.c_double), ("height", ctypes.c_double)]


_rsvg.rsvg_handle_new_from_file.restype = ctypes.c_void_p
_rsvg.rsvg_handle_new_from_file.argtypes = [ctypes.c_char_p, ctypes.c_void_p]
_rsvg.rsvg_handle_render_document.restype = ctypes.c_int
_rsvg.rsvg_handle_render_document.argtypes = [
    ctypes.c_void_p, ctypes.c_void_p, ctypes.POINTER(RsvgRectangle), ctypes.c_void_p]
_cairo.cairo_image_surface_create.restype = ctypes.c_void_p
_cairo.cairo_image_surface_create.argtypes = [ctypes.c_int, ctypes.c_int, ctypes.c_int]
_cairo.cairo_create.restype = ctypes.c_void_p
_cairo.cairo_create.argtypes = [ctypes.c_void_p]
_cairo.cairo_destroy.argtypes = [ctypes.c_void_p]
_cairo.cairo_surface_write_to_png.restype = ctypes.c_int
_cairo.cairo_surface_write_to_png.argtypes = [ctypes.c_void_p, ctypes.c_char_p]
_cairo.cairo_surface_destroy.argtypes = [ctypes.c_void_p]
_gobject.g_object_unref.argtypes = [ctypes.c_void_p]


def render(svg_path, width, height, png_path):
    handle = _rsvg.rsvg_handle_new_from_file(svg_path.encode(), None)
    if not handle:
        raise RuntimeError(f"cannot read {svg_path}")
    surface = _cairo.cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)
    context = _cairo.cairo_create(surface)
    try:
        viewport = RsvgRectangle(0, 0, width, height)
        if not _rsvg.rsvg_handle_render_document(handle, context, ctypes.byref(viewport), None):
            raise RuntimeError(f"cannot draw {svg_path}")
        if _cairo.cairo_surface_write_to_png(surface, png_path.encode()) != 0:
            raise RuntimeError(f"cannot write {png_path}")
    finally:
        _cairo.cairo_destroy(context)
        _cairo.cairo_surface_destroy(surface)
        _gobject.g_object_unref(handle)


if __name__ == "__main__":
    if len(sys.argv) != 5:
        sys.exit("usage: svg_to_png.py SOURCE.svg WIDTH HEIGHT OUT.png")
    render(sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4])
