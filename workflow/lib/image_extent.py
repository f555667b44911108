"""Rows and columns of an image file, read from its header alone.

The workflow sizes each job's memory from them before the image is processed;
reading the pixels would cost as much as the job itself. Only the first image
of a multi-page TIFF is looked at (pages are processed one after another).
"""

import struct

_JPEG_FRAME_MARKERS = {0xC0, 0xC1, 0xC2, 0xC3, 0xC5, 0xC6, 0xC7, 0xC9, 0xCA, 0xCB, 0xCD, 0xCE, 0xCF}

# SHORT, LONG and BigTIFF's LONG8, the types an image extent comes in.
_TIFF_INTEGERS = {3: "H", 4: "I", 16: "Q"}


def _pgm(data):
    # P5, then width, height and maxval separated by white space and comments.
    fields, pos = [], 2
    while len(fields) < 2 and pos < len(data):
        char = data[pos:pos + 1]
        if char == b"#":
            end = data.find(b"\n", pos)
            pos = len(data) if end < 0 else end + 1
        elif char.isspace():
            pos += 1
        else:
            start = pos
            while pos < len(data) and data[pos:pos + 1].isdigit():
                pos += 1
            if pos == start:
                return None
            fields.append(int(data[start:pos]))
    return (fields[1], fields[0]) if len(fields) == 2 else None


def _png(data):
    if data[12:16] != b"IHDR":
        return None
    cols, rows = struct.unpack(">II", data[16:24])
    return rows, cols


def _tiff(file, data):
    order = "<" if data[:2] == b"II" else ">"
    magic = struct.unpack(order + "H", data[2:4])[0]
    if magic == 42:
        offset = struct.unpack(order + "I", data[4:8])[0]
        count_format, entry_format, entry_size = "H", "HHI4s", 12
    elif magic == 43:  # BigTIFF
        offset = struct.unpack(order + "Q", data[8:16])[0]
        count_format, entry_format, entry_size = "Q", "HHQ8s", 20
    else:
        return None
    file.seek(offset)
    count_size = struct.calcsize(count_format)
    count = struct.unpack(order + count_format, file.read(count_size))[0]
    entries = file.read(min(count, 4096) * entry_size)
    extent = {}
    for i in range(len(entries) // entry_size):
        tag, kind, _, value = struct.unpack(order + entry_format, entries[i * entry_size:(i + 1) * entry_size])
        if tag in (256, 257) and kind in _TIFF_INTEGERS:  # ImageWidth, ImageLength
            code = _TIFF_INTEGERS[kind]
            extent[tag] = struct.unpack(order + code, value[:struct.calcsize(code)])[0]
    return (extent[257], extent[256]) if len(extent) == 2 else None


def _jpeg(file):
    file.seek(2)
    while True:
        head = file.read(4)
        if len(head) < 4 or head[0] != 0xFF:
            return None
        marker, length = head[1], struct.unpack(">H", head[2:4])[0]
        if marker in _JPEG_FRAME_MARKERS:
            frame = file.read(5)
            rows, cols = struct.unpack(">HH", frame[1:5])
            return rows, cols
        file.seek(length - 2, 1)


def image_extent(path):
    """(rows, cols) of the image in `path`, or None when the header is not understood."""
    try:
        with open(path, "rb") as file:
            data = file.read(4096)
            if data[:2] == b"P5":
                return _pgm(data)
            if data[:8] == b"\x89PNG\r\n\x1a\n":
                return _png(data)
            if data[:2] in (b"II", b"MM"):
                return _tiff(file, data)
            if data[:2] == b"\xff\xd8":
                return _jpeg(file)
    except (OSError, struct.error, ValueError, KeyError):
        pass
    return None
