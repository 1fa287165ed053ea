#!/usr/bin/env python3
"""Generates camera-like JPEGs for the capture-date benchmark: FOLDERS
folders holding FILES files each, named IMG_<n>.jpg, SIZE bytes, with an
Exif block laid out as cameras write it (IFD0, Exif IFD with a maker note,
IFD1 with a thumbnail); the capture day differs from the last-write day."""
import os
import struct
import sys


def ifd(entries, data_at, next_ifd=0):
    """Little-endian IFD: entries (tag, type, count, payload bytes) -> bytes
    of the IFD followed by its out-of-line values, written from `data_at`."""
    table = struct.pack("<H", len(entries))
    data = b""
    for tag, kind, count, payload in sorted(entries):
        if len(payload) <= 4:
            table += struct.pack("<HHI", tag, kind, count) + payload.ljust(4, b"\0")
        else:
            table += struct.pack("<HHII", tag, kind, count, data_at + 2 + 12 * len(entries) + 4 + len(data))
            data += payload + (b"\0" if len(payload) % 2 else b"")
    return table + struct.pack("<I", next_ifd) + data


def ascii(tag, text):
    raw = text.encode() + b"\0"
    return (tag, 2, len(raw), raw)


def short(tag, value):
    return (tag, 3, 1, struct.pack("<H", value))


def long(tag, value):
    return (tag, 4, 1, struct.pack("<I", value))


def rational(tag, num, den):
    return (tag, 5, 1, struct.pack("<II", num, den))


def exif_block(stamp, thumb):
    base = [ascii(0x010F, "Vexmoor"), ascii(0x0110, "Model 7"), short(0x0112, 1),
            rational(0x011A, 72, 1), rational(0x011B, 72, 1), short(0x0128, 2),
            ascii(0x0131, "Firmware 1.02"), ascii(0x0132, stamp), short(0x0213, 2)]
    # Sizes first with placeholder pointers, then the real layout.
    for _ in range(2):
        ifd0 = ifd(base + [long(0x8769, exif_at if "exif_at" in dir() else 0)], 8, 0)
        exif_at = 8 + len(ifd0)
        photo = [rational(0x829A, 1, 125), rational(0x829D, 28, 10), short(0x8822, 2),
                 short(0x8827, 200), (0x9000, 7, 4, b"0231"), ascii(0x9003, stamp),
                 ascii(0x9004, stamp), (0x9101, 7, 4, b"\1\2\3\0"), rational(0x9201, 7, 1),
                 rational(0x9202, 3, 1), rational(0x9204, 0, 3), short(0x9207, 5),
                 short(0x9209, 16), rational(0x920A, 50, 1), (0x927C, 7, 1800, bytes(range(256)) * 7 + b"\0" * 8),
                 ascii(0x9290, "00"), ascii(0x9291, "00"), (0xA000, 7, 4, b"0100"), short(0xA001, 1),
                 long(0xA002, 4000), long(0xA003, 3000), short(0xA402, 0), short(0xA403, 0),
                 short(0xA406, 0)]
        exif = ifd(photo, exif_at, 0)
        ifd1_at = exif_at + len(exif)
        ifd0 = ifd(base + [long(0x8769, exif_at)], 8, ifd1_at)
    thumb_at = ifd1_at + 2 + 12 * 4 + 4
    ifd1 = ifd([short(0x0103, 6), long(0x0201, thumb_at), long(0x0202, len(thumb)), short(0x0128, 2)],
               ifd1_at, 0)
    return b"II*\0" + struct.pack("<I", 8) + ifd0 + exif + ifd1 + thumb


def jpeg(stamp, size, noise):
    thumb = b"\xff\xd8" + noise[:6000] + b"\xff\xd9"
    tiff = exif_block(stamp, thumb)
    app1 = b"Exif\0\0" + tiff
    head = b"\xff\xd8\xff\xe1" + struct.pack(">H", len(app1) + 2) + app1
    # A quantisation table, a frame header and a scan header, then noise as
    # the scan data: enough for a metadata reader, not for a decoder.
    head += b"\xff\xdb\x00\x43\x00" + bytes(range(1, 65))
    head += b"\xff\xc0\x00\x0b\x08\x0b\xb8\x0f\xa0\x01\x01\x11\x00"
    head += b"\xff\xda\x00\x08\x01\x01\x00\x00\x3f\x00"
    body = noise[: max(0, size - len(head) - 2)].replace(b"\xff", b"\xfe")
    return head + body + b"\xff\xd9"


def main():
    root, folders, files, size = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
    noise = os.urandom(max(size, 8000))
    base = 1_400_000_000
    n = 0
    for f in range(folders):
        folder = os.path.join(root, f"d{f:03d}")
        os.makedirs(folder, exist_ok=True)
        for _ in range(files):
            day = 1 + n % 28
            stamp = f"2013:07:{day:02d} {n % 24:02d}:{n % 60:02d}:00"
            path = os.path.join(folder, f"IMG_{n:07d}.jpg")
            with open(path, "wb") as out:
                out.write(jpeg(stamp, size, noise))
            t = base + (n % 60) * 86400 + 43200
            os.utime(path, (t, t))
            n += 1


if __name__ == "__main__":
    main()
