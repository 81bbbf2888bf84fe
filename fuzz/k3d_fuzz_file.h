// Shared by the K3D fuzz targets: the loaders read files by name, so each
// input is written to one temporary file per process first. Messages are
// swallowed so that no dialog is shown.
#ifndef K3D_FUZZ_FILE_H
#define K3D_FUZZ_FILE_H

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "K3D.h"
#include "KMiscTools.h"

static void k3dFuzzQuiet(const char *, const char *) {}

static std::string &k3dFuzzPath() {
  static std::string path;
  return path;
}

static void k3dFuzzRemove() { unlink(k3dFuzzPath().c_str()); }

// The path of this process's input file, holding `data`; empty on failure.
static std::string k3dFuzzWrite(const uint8_t *data, size_t size) {
  std::string &path = k3dFuzzPath();
  if (path.empty()) {
    KMiscTools::setMessageBoxHandler(&k3dFuzzQuiet);
    // Digits only: names inside the resource folder are opened lower-cased.
    path = "/tmp/k3d_fuzz_" + std::to_string((long)getpid());
    atexit(&k3dFuzzRemove);
  }
  FILE *f = fopen(path.c_str(), "wb");
  if (!f)
    return std::string();
  bool ok = fwrite(data, 1, size, f) == size;
  ok = fclose(f) == 0 && ok;
  return ok ? path : std::string();
}

// Every face of a loaded mesh names vertices of the mesh.
static void k3dFuzzCheck(const K3D &mesh) {
  for (int32_t i = 0; i < mesh._faceCount; i++) {
    const sMeshFace &f = mesh.meshFacesPtr[i];
    for (int32_t p : {f.pt1, f.pt2, f.pt3})
      if (p < 0 || p >= mesh._pointCount)
        __builtin_trap();
  }
  if (memchr(mesh._textureFileName, 0, sizeof mesh._textureFileName) == nullptr)
    __builtin_trap();
}

#endif
