#!/usr/bin/env python3
"""Writes media/lydia.png, the 16x12 picture the sample text links to (sea, coast, Sardis)."""
import pathlib
import struct
import zlib

W, H = 16, 12


def pixel(x, y):
    if (x - 11) ** 2 + (y - 5) ** 2 <= 2:
        return (200, 30, 30)  # Sardis
    if x > 4 + y // 3:
        return (220, 200, 120)  # land
    return (40, 90, 180)  # sea


def chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data
            + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))


raw = b"".join(b"\0" + b"".join(bytes(pixel(x, y)) for x in range(W)) for y in range(H))
png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 2, 0, 0, 0))
       + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
out = pathlib.Path(__file__).with_name("media") / "lydia.png"
out.parent.mkdir(exist_ok=True)
out.write_bytes(png)
