#!/usr/bin/env python3
"""Makes the seed corpora of the fuzz targets (fuzz/corpus/<name>/) from the
game's assets, the test sounds and small hand-made files. Deterministic.
Needs the system's Python 3 with Pillow (Debian: python3-pil).

  tools/make_fuzz_corpus.py
"""
import io
import os
import shutil
import struct
import sys
import tarfile

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
CORPUS = os.path.join(ROOT, "fuzz", "corpus")


def put(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def asset(path, limit=None):
    with open(os.path.join(ROOT, path), "rb") as f:
        data = f.read()
    return data[:limit] if limit else data


def questions_head():
    """The English question file cut after its first dozen records."""
    text = asset("assets/data/eng.ini")
    end = text.find(b"[13]")
    return text[:end] if end > 0 else text[:8192]


def wav(channels, bits, rate, frames):
    data = bytes((i * 7) & 0xff for i in range(frames * channels * bits // 8))
    fmt = struct.pack("<HHIIHH", 1, channels, rate, rate * channels * bits // 8, channels * bits // 8, bits)
    return (b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt " + struct.pack("<I", 16) + fmt +
            b"data" + struct.pack("<I", len(data)) + data)


def mod():
    """A four-channel ProTracker module: one square-wave sample, one pattern."""
    out = bytearray(b"seed".ljust(20, b"\0"))
    sample = bytearray(b"square".ljust(22, b"\0")) + struct.pack(">HBBHH", 16, 0, 64, 0, 16)
    out += sample + bytes(30) * 30
    out += bytes([1, 127]) + bytes([0] * 128) + b"M.K."
    pattern = bytearray(64 * 4 * 4)
    pattern[0:4] = bytes([0x01, 0xac, 0x10, 0x00])  # sample 1, period 428
    out += pattern
    out += bytes([0x40] * 16 + [0xc0] * 16)
    return bytes(out)


def tar(members):
    buf = io.BytesIO()
    with tarfile.open(fileobj=buf, mode="w", format=tarfile.USTAR_FORMAT) as t:
        for name, data in members:
            info = tarfile.TarInfo(name)
            info.size = len(data)
            info.mtime = 0
            t.addfile(info, io.BytesIO(data))
    return buf.getvalue()


def pictures():
    from PIL import Image
    image = Image.new("RGBA", (8, 6))
    for y in range(6):
        for x in range(8):
            image.putpixel((x, y), (x * 30, y * 40, 200, 255 - x * 10))
    out = {}
    for name, fmt, mode, extra in (("p.png", "PNG", "RGBA", {}), ("g.png", "PNG", "L", {}),
                                   ("i.png", "PNG", "P", {}), ("b.jpg", "JPEG", "RGB", {}),
                                   ("p.jpg", "JPEG", "RGB", {"progressive": True}),
                                   ("gray.jpg", "JPEG", "L", {}), ("t.tga", "TGA", "RGBA", {}),
                                   ("rle.tga", "TGA", "RGB", {"compression": "tga_rle"}),
                                   ("b.bmp", "BMP", "RGB", {})):
        buf = io.BytesIO()
        image.convert(mode).save(buf, fmt, **extra)
        out[name] = buf.getvalue()
    return out


def main():
    shutil.rmtree(CORPUS, ignore_errors=True)
    head = questions_head()
    put("ini", "questions.ini", head)
    put("ini", "small.ini", b"GENERAL\nMaxQuestions\n[GENERAL]\r\nMaxQuestions=3\r\n[1]\nText=x\n")
    put("questions", "eng_head.ini", head)
    put("questions", "tiny.ini", b"[GENERAL]\nMaxQuestions=2\nMaxPuzzles=1\n[1]\nID=E-Geo1\nSolution=2\n"
        b"[2]\nID=M-Sci1\nSolution=4\n[3]\nID=Puzzl1\nPhoto=italy\nSolution=1\n")
    put("prefs", "full", struct.pack(">hh4siih2sii52s", 90, 60, b"", 1, 0, 2, b"", 1, 0, b""))
    put("prefs", "short", bytes([0, 50, 0, 60, 0, 0, 0]))
    put("tar", "assets.tar", tar([("data/eng.ini", head), ("gfx/x.txt", b"x" * 513)]))
    put("tar", "nested.tar", tar([("packs/in.tar", tar([("data/eng.ini", b"[GENERAL]\n")]))]))
    put("text", "sentence", b"\x00\x80\x00Which of these is the capital of Italy? Rome, Milan.")
    put("text", "latin1", b"\x02\x20\x01\xe0\xe8\xec\xf2\xf9 \xc0 perch\xe9 - 100%")
    put("wav", "mono16.wav", wav(1, 16, 22050, 64))
    put("wav", "stereo8.wav", wav(2, 8, 8000, 32))
    for name in ("sample.ogg", "short.ogg", "surround.ogg"):
        data = asset("tests/data/sound/" + name)
        put("ogg_sample", name, data)
        put("ogg_stream", name, data)
    put("module", "square.mod", mod())
    put("module", "timing0.s3m", asset("tests/data/hostile/timing0.s3m"))
    for name, data in pictures().items():
        put("picture", name, data)
    put("picture", "huffman.jpg", asset("tests/data/hostile/huffman.jpg"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
