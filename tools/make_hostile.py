#!/usr/bin/env python3
"""Makes the small hostile files of tests/data/hostile: each reproduces a
fault that a picture, sound or archive once caused, and the tests check that
the engine now refuses or repairs it. Deterministic (fixed contents, a fixed
Ogg serial number). Needs Python 3, Pillow and oggenc (vorbis-tools).

  huge.png        8192 x 8192 1-bit picture in 8 KB: 256 MB once decoded
  wide.png        70000 x 1 picture (its width does not fit in 16 bits)
  huffman.jpg     JPEG whose Huffman table declares more than 256 codes
  timing0.s3m     a playable S3M whose initial speed and tempo are 0
  bigsample.s3m   the same with a sample claiming 4 GB
  fastsample.s3m  the same with a looped sample tuned to 1.7 GHz (rendering
                  one buffer took the module library more than 10 s)
  zerorate.s3m    the same tuned to 0 Hz (a division by zero in the library)
  long.ogg        22 KB of Ogg Vorbis that decodes to 400 s of silence
  overrun.tar     a member whose size runs far past the archive's end
  cut_header.tar  a member followed by half a header
"""
import io
import os
import struct
import subprocess
import sys
import zlib

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "data", "hostile")


def png(width, height, bit_depth, colour_type, row_bytes):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = (b"\0" + b"\0" * row_bytes) * height
    ihdr = struct.pack(">IIBBBBB", width, height, bit_depth, colour_type, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def huffman_jpeg():
    from PIL import Image
    buf = io.BytesIO()
    Image.new("RGB", (16, 16), (200, 30, 30)).save(buf, "JPEG", quality=90, optimize=False)
    data = bytearray(buf.getvalue())
    at = data.index(b"\xff\xc4")
    # The 16 code counts follow the marker, its length and the class byte;
    # make them claim 16 x 200 codes (the values that follow are whatever
    # the file holds next).
    for i in range(16):
        data[at + 5 + i] = 200
    return bytes(data)


def s3m(speed, tempo, sample_length, c2spd=8363):
    header = bytearray(0x60)
    header[0:8] = b"hostile\0"
    header[0x1c] = 0x1a
    header[0x1d] = 16
    struct.pack_into("<HHHHHH", header, 0x20, 2, 1, 1, 0, 0x1320, 2)
    header[0x2c:0x30] = b"SCRM"
    header[0x30] = 64            # global volume
    header[0x31] = speed
    header[0x32] = tempo
    header[0x33] = 0xb0          # master volume, stereo
    header[0x40:0x60] = bytes([0, 8] + [255] * 30)
    body = bytearray(header)
    body += bytes([0, 255])                      # orders
    body += struct.pack("<HH", 0x70 // 16, 0xc0 // 16)
    body += b"\0" * (0x70 - len(body))
    ins = bytearray(0x50)
    ins[0] = 1
    ins[0x0d] = 0
    struct.pack_into("<H", ins, 0x0e, 0x110 // 16)  # sample data paragraph
    struct.pack_into("<III", ins, 0x10, sample_length, 0, 64)
    ins[0x1c] = 64
    struct.pack_into("<I", ins, 0x20, c2spd)
    ins[0x4c:0x50] = b"SCRS"
    body += ins
    rows = bytes([0x20, 0x40, 0x01, 0x00]) + b"\0" * 63
    body += struct.pack("<H", len(rows) + 2) + rows
    body += b"\0" * (0x110 - len(body))
    body += bytes(([0xc0] * 8 + [0x40] * 8) * 4)   # 64 frames of square wave, unsigned
    return bytes(body)


def tar_header(name, size):
    h = bytearray(512)
    h[0:len(name)] = name.encode()
    h[124:135] = b"%011o" % size
    h[156] = ord("0")
    h[257:262] = b"ustar"
    h[148:156] = b"        "
    h[148:155] = b"%06o\0" % sum(h)
    return bytes(h)


def main():
    os.makedirs(OUT, exist_ok=True)
    files = {
        "huge.png": png(8192, 8192, 1, 0, 8192 // 8),
        "wide.png": png(70000, 1, 8, 6, 70000 * 4),
        "huffman.jpg": huffman_jpeg(),
        "timing0.s3m": s3m(0, 0, 64),
        "bigsample.s3m": s3m(6, 125, 0xfffffff0),
        "fastsample.s3m": s3m(6, 125, 64, 0x657320ab),
        "zerorate.s3m": s3m(6, 125, 64, 0),
        "overrun.tar": tar_header("data/other.bin", 1 << 30) + b"x" * 512,
        "cut_header.tar": tar_header("data/a.txt", 1) + b"a" + b"\0" * 511 + b"garbage" * 14,
    }
    for name, data in files.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)
    silence = b"\0" * (44100 * 4 * 400)
    subprocess.run(["oggenc", "-Q", "--raw", "--raw-rate=44100", "--raw-chan=2", "-q", "-1", "-s", "77",
                    "--discard-comments", "-o", os.path.join(OUT, "long.ogg"), "-"],
                   input=silence, check=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
