// Fuzzes the mesh loader for plain text mesh lists: whatever the bytes, the load fails or
// leaves a mesh whose faces name its own vertices, with no read or write
// outside the file's buffer or the mesh's arrays and no huge allocation.
#include "k3d_fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::string path = k3dFuzzWrite(data, size);
  if (path.empty())
    return 0;
  K3D mesh;
  if (mesh.loadMk(path.c_str(), 1.0f, false))
    k3dFuzzCheck(mesh);
  return 0;
}
