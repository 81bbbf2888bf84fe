#!/usr/bin/env python3
"""Writes the test mesh used by the K3D tests: a textured cube from (0, 0, 0)
to (2, 2, 2) in the three mesh formats the engine reads, and its texture.

    tests/data/mesh/cube.ase   ASCII scene export (with "*BITMAP" and texture coordinates)
    tests/data/mesh/cube.mk    plain text mesh list (CR line ends)
    tests/data/mesh/cube.k3d   K3D binary file (little-endian), centred, with normals
    tests/data/mesh/cube.png   64 x 64 texture: red, green, blue and yellow quarters

Deterministic; standard library only. Run: python3 tools/make_test_mesh.py
"""
import math
import os
import struct
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "tests", "data", "mesh")

# Vertex i = (x, y, z) with x, y, z each 0 or 2.
VERTICES = [(x, y, z) for x in (0, 2) for y in (0, 2) for z in (0, 2)]
# The six sides as quads, corners in order around each side.
QUADS = [(0, 1, 3, 2), (4, 6, 7, 5), (0, 4, 5, 1), (2, 3, 7, 6), (0, 2, 6, 4), (1, 5, 7, 3)]
# Texture vertices: the corners of the picture, (u, v) with v upward.
TVERTS = [(0.0, 0.0), (1.0, 0.0), (1.0, 1.0), (0.0, 1.0)]


def sub(a, b):
    return tuple(p - q for p, q in zip(a, b))


def cross(u, v):
    return (u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0])


def unit(v):
    n = math.sqrt(sum(c * c for c in v))
    return tuple(c / n for c in v) if n else (0.0, 0.0, 0.0)


def f32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


def faces():
    """Twelve triangles (vertex corners, texture corners), wound outward."""
    out = []
    for q in QUADS:
        tri = [((q[0], q[1], q[2]), (0, 1, 2)), ((q[0], q[2], q[3]), (0, 2, 3))]
        p = [VERTICES[i] for i in tri[0][0]]
        n = cross(sub(p[1], p[0]), sub(p[2], p[0]))
        centre = [sum(VERTICES[i][k] for i in q) / 4 - 1 for k in range(3)]
        if sum(a * b for a, b in zip(n, centre)) < 0:
            tri = [((v[0], v[2], v[1]), (t[0], t[2], t[1])) for v, t in tri]
        out.extend(tri)
    return out


def write_ase(path, tris):
    lines = ["*3DSMAX_ASCIIEXPORT\t200", "*MATERIAL_LIST {", "\t*MATERIAL 0 {",
             "\t\t*MAP_DIFFUSE {", '\t\t\t*BITMAP "C:\\maps\\cube.png"', "\t\t}", "\t}", "}",
             "*GEOMOBJECT {", "\t*MESH {",
             "\t\t*MESH_NUMVERTEX %d" % len(VERTICES), "\t\t*MESH_NUMFACES %d" % len(tris),
             "\t\t*MESH_VERTEX_LIST {"]
    for i, (x, y, z) in enumerate(VERTICES):
        lines.append("\t\t\t*MESH_VERTEX %4d\t%.4f\t%.4f\t%.4f" % (i, x, y, z))
    lines += ["\t\t}", "\t\t*MESH_FACE_LIST {"]
    for i, ((a, b, c), _) in enumerate(tris):
        lines.append("\t\t\t*MESH_FACE %4d:    A: %4d B: %4d C: %4d AB:    1 BC:    1 CA:    0"
                     "\t *MESH_SMOOTHING 1 \t*MESH_MTLID 0" % (i, a, b, c))
    lines += ["\t\t}", "\t\t*MESH_NUMTVERTEX %d" % len(TVERTS), "\t\t*MESH_TVERTLIST {"]
    for i, (u, v) in enumerate(TVERTS):
        lines.append("\t\t\t*MESH_TVERT %d\t%.4f\t%.4f\t0.0000" % (i, u, v))
    lines += ["\t\t}", "\t\t*MESH_NUMTVFACES %d" % len(tris), "\t\t*MESH_TFACELIST {"]
    for i, (_, (a, b, c)) in enumerate(tris):
        lines.append("\t\t\t*MESH_TFACE %d\t%d\t%d\t%d" % (i, a, b, c))
    lines += ["\t\t}", "\t}", "}", ""]
    with open(path, "w", newline="\r\n") as f:
        f.write("\n".join(lines))


def write_mk(path, tris, normals):
    lines = ['"object" 0 0 %d' % len(VERTICES)]
    for i, (x, y, z) in enumerate(VERTICES):
        lines.append("%d %f %f %f %f %f %d" % (i, x, y, z, 0.0, 0.0, 0))
    lines.append("%d" % len(normals))
    for n in normals:
        lines.append("%f %f %f" % n)
    lines.append("%d" % len(tris))
    for i, ((a, b, c), _) in enumerate(tris):
        lines.append("%d %d  %d  %d  %d  %d  %d  %d" % (i, a, b, c, i // 2, i // 2, i // 2, 0))
    with open(path, "w", newline="\r") as f:
        f.write("\n".join(lines) + "\n")


def write_k3d(path, tris):
    # The engine centres the box that holds the mesh and the origin.
    lo = [min(0, min(v[k] for v in VERTICES)) for k in range(3)]
    hi = [max(0, max(v[k] for v in VERTICES)) for k in range(3)]
    pts = [tuple(v[k] - (lo[k] + hi[k]) / 2 for k in range(3)) for v in VERTICES]
    fn = [unit(cross(sub(pts[b], pts[a]), sub(pts[c], pts[a]))) for (a, b, c), _ in tris]
    vn = []
    for i in range(len(pts)):
        used = [fn[j] for j, (v, _) in enumerate(tris) if i in v]
        vn.append(tuple(f32(sum(n[k] for n in used) / len(used)) for k in range(3)))
    out = bytearray(b"k3d ")
    out += b"cube.png".ljust(260, b"\0")
    out += struct.pack("<II", len(pts), len(tris))
    for p, n in zip(pts, vn):
        out += struct.pack("<6f", *p, *n)
    for ((a, b, c), t), n in zip(tris, fn):
        out += struct.pack("<3i3f", a, b, c, *n)
        for k in t:
            u, v = TVERTS[k]
            out += struct.pack("<6f", u, 1.0 - v, 0, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(out)


def write_png(path, size=64):
    half = size // 2
    colours = {(0, 0): (255, 0, 0), (1, 0): (0, 255, 0), (0, 1): (0, 0, 255), (1, 1): (255, 255, 0)}
    raw = bytearray()
    for y in range(size):
        raw.append(0)
        for x in range(size):
            raw += bytes(colours[(x // half, y // half)]) + b"\xff"

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def main():
    os.makedirs(OUT, exist_ok=True)
    tris = faces()
    normals = [(-1.0, 0.0, 0.0), (1.0, 0.0, 0.0), (0.0, -1.0, 0.0), (0.0, 1.0, 0.0),
               (0.0, 0.0, -1.0), (0.0, 0.0, 1.0)]
    write_ase(os.path.join(OUT, "cube.ase"), tris)
    write_mk(os.path.join(OUT, "cube.mk"), tris, normals)
    write_k3d(os.path.join(OUT, "cube.k3d"), tris)
    write_png(os.path.join(OUT, "cube.png"))


if __name__ == "__main__":
    main()
