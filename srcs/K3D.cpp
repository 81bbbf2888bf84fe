// K3D: textured triangle meshes. Reads three file formats (an ASCII scene
// export, a plain text mesh list, the engine's little-endian K3D file),
// centres the mesh, computes face and vertex normals, writes K3D files and
// draws with the OpenGL fixed pipeline (one white light, immediate mode).
// Depends on OpenGL, KResource (files are read plain or from registered tar
// archives), KGraphic/KGraphicGL (textures and the pictures' binding cache)
// and KMiscTools (messages, paths). Owns its point and face arrays and a
// texture picture it loaded itself; a picture set by the caller stays the
// caller's.
#include "K3D.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new> // std::nothrow

#include "KGraphicGL.h" // forgetBoundTexture after a mesh has bound its texture
#include "KMiscTools.h"
#include "KResource.h"

// ---- constants ---------------------------------------------------------------

#ifndef GL_TEXTURE_RECTANGLE_ARB
#define GL_TEXTURE_RECTANGLE_ARB 0x84F5
#endif

static const uint32_t kK3DTag = 0x2064336Bu; // "k3d " read as a little-endian int32
static const double kPi = 3.14159265358979323846;
static const long kHeaderSize = 272;
static const long kPointSize = 24;
static const long kFaceSize = 96;
static const size_t kNameSize = 260;
static const long kMaxLineLength = 255;
// The shortest text one entry of each list can take in an ASCII export
// ("*MESH_VERTEX " ...) or in a mesh list line ("0 0 0 0" and its line end):
// a count that would need more bytes than the file holds is refused before
// anything is allocated.
static const long kMinAseVertexBytes = 13;
static const long kMinAseFaceBytes = 10;
static const long kMinAseTVertBytes = 11;
static const long kMinMkLineBytes = 8;
static const char *kCountTooLarge = "Mesh counts exceed the file";

// ---- file-local helpers ------------------------------------------------------

// The whole file (plain or archive member) in a malloc'd buffer with a NUL
// after its last byte; null when it cannot be read.
static char *readWholeFile(const char *filename, long *size) {
  *size = 0;
  if (!filename)
    return nullptr;
  KResource res;
  if (res.open(filename, K_RES_READ) != K_RES_OK)
    return nullptr;
  int n = 0;
  if (res.seek(K_RES_END, 0) != K_RES_OK || res.tell(n) != K_RES_OK || n < 0 || res.seek(K_RES_BEGIN, 0) != K_RES_OK)
    return nullptr;
  char *data = (char *)malloc((size_t)n + 1);
  if (!data)
    return nullptr;
  if (n > 0 && res.read(data, (unsigned long)n) != K_RES_OK) {
    free(data);
    return nullptr;
  }
  data[n] = 0;
  *size = n;
  return data;
}

// A mesh text file read whole, or null after the "File not found" message.
static char *readTextFile(const char *filename, long *size) {
  char *data = readWholeFile(filename, size);
  if (!data)
    KMiscTools::messageBox("File not found", filename);
  return data;
}

// A text buffer and its length; every scan stays below `length`.
struct K3DText {
  const char *data;
  long length;
};

// The first position at or after `start` where the text holds `name`, or -1.
static long findChunk(const char *name, const K3DText &t, long start) {
  long n = (long)strlen(name);
  if (start < 0 || n == 0)
    return -1;
  for (long p = start; p + n <= t.length; p++)
    if (t.data[p] == name[0] && memcmp(t.data + p, name, (size_t)n) == 0)
      return p;
  return -1;
}

// The position just after `name` found at or after `start`, or -1.
static long afterChunk(const char *name, const K3DText &t, long start) {
  long p = findChunk(name, t, start);
  return p < 0 ? -1 : p + (long)strlen(name);
}

// Digits and minus signs, and points when allowPoint.
static bool isNumberChar(char c, bool allowPoint) {
  return (c >= '0' && c <= '9') || c == '-' || (allowPoint && c == '.');
}

// Skips to the first minus sign or digit at or after `pos` and copies the
// run of number characters there into `out` (cut to its size). Returns the
// position after the run, or -1 when no number follows.
static long takeNumber(const K3DText &t, long pos, bool allowPoint, char *out, size_t outSize) {
  if (pos < 0)
    return -1;
  while (pos < t.length && !(t.data[pos] == '-' || (t.data[pos] >= '0' && t.data[pos] <= '9')))
    pos++;
  if (pos >= t.length)
    return -1;
  size_t n = 0;
  while (pos < t.length && isNumberChar(t.data[pos], allowPoint)) {
    if (n + 1 < outSize)
      out[n++] = t.data[pos];
    pos++;
  }
  out[n] = 0;
  return pos;
}

// The next decimal number at or after `pos`; returns the position after it
// or -1.
static long extractNextFloatValue(const K3DText &t, long pos, float *value) {
  char buf[64];
  pos = takeNumber(t, pos, true, buf, sizeof buf);
  if (pos >= 0)
    *value = strtof(buf, nullptr);
  return pos;
}

// The next integer at or after `pos`; returns the position after it or -1.
static long extractNextLongValue(const K3DText &t, long pos, long *value) {
  char buf[32];
  pos = takeNumber(t, pos, false, buf, sizeof buf);
  if (pos >= 0)
    *value = strtol(buf, nullptr, 10);
  return pos;
}

// The integer that follows `name`, or -1 when the name or a number is missing.
static long extractLongValue(const char *name, const K3DText &t) {
  long value = -1;
  if (extractNextLongValue(t, afterChunk(name, t, 0), &value) < 0)
    return -1;
  return value;
}

// The text between the two double quotes after "*BITMAP"; false when there
// is none, it is not closed, or it does not fit `out`.
static bool extractString(const K3DText &t, char *out, size_t outSize) {
  long p = afterChunk("*BITMAP", t, 0);
  if (p < 0)
    return false;
  while (p < t.length && t.data[p] != '"')
    p++;
  long start = p + 1, end = start;
  while (end < t.length && t.data[end] != '"')
    end++;
  if (p >= t.length || end >= t.length || (size_t)(end - start) >= outSize)
    return false;
  memcpy(out, t.data + start, (size_t)(end - start));
  out[end - start] = 0;
  return true;
}

// Copies a NUL-terminated or fixed-size name into a 260-byte field, always
// terminated; false (and an empty field) when it does not fit.
static bool copyName(char *dest, const char *src, size_t srcMax) {
  size_t n = 0;
  while (n < srcMax && src[n])
    n++;
  if (n >= kNameSize) {
    dest[0] = 0;
    return false;
  }
  memcpy(dest, src, n);
  dest[n] = 0;
  return true;
}

// The last path component of `path` (after its last "\", ":" or "/").
static const char *lastComponent(const char *path) {
  const char *base = path;
  for (const char *p = path; *p; p++)
    if (*p == '\\' || *p == ':' || *p == '/')
      base = p + 1;
  return base;
}

// The texture's path: the model's folder joined with the last component of
// `name`, separators made uniform. False when the name is empty or the path
// does not fit a 260-byte name.
static bool texturePath(const char *modelPath, const char *name, char *out) {
  const char *base = lastComponent(name);
  if (!base[0])
    return false;
  int folderLength = (int)(lastComponent(modelPath) - modelPath);
  int n;
  if (folderLength > 0)
    n = snprintf(out, kNameSize, "%.*s/%s", folderLength - 1, modelPath, base);
  else
    n = snprintf(out, kNameSize, "%s", base);
  if (n < 0 || (size_t)n >= kNameSize)
    return false;
  KMiscTools::cleanPath(out);
  return true;
}

// Little-endian reading and writing of the K3D file's numbers, whatever the
// host's byte order.
static void putU32(unsigned char *p, uint32_t v) {
  p[0] = (unsigned char)v;
  p[1] = (unsigned char)(v >> 8);
  p[2] = (unsigned char)(v >> 16);
  p[3] = (unsigned char)(v >> 24);
}

// The little-endian uint32 at p.
static uint32_t getU32(const unsigned char *p) {
  return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

// A float's bits as a little-endian uint32.
static void putFloat(unsigned char *p, float f) {
  uint32_t v;
  memcpy(&v, &f, 4);
  putU32(p, v);
}

// The float whose bits are the little-endian uint32 at p.
static float getFloat(const unsigned char *p) {
  uint32_t v = getU32(p);
  float f;
  memcpy(&f, &v, 4);
  return f;
}

// `count` floats written little-endian one after the other.
static void putFloats(unsigned char *p, const float *f, int count) {
  for (int i = 0; i < count; i++)
    putFloat(p + 4 * i, f[i]);
}

// `count` little-endian floats read from p.
static void getFloats(const unsigned char *p, float *f, int count) {
  for (int i = 0; i < count; i++)
    f[i] = getFloat(p + 4 * i);
}

// One point: position and normal, six floats (24 bytes).
static void putPoint(unsigned char *p, const s3dPoint &pt) {
  const float f[6] = {pt.x, pt.y, pt.z, pt.nx, pt.ny, pt.nz};
  putFloats(p, f, 6);
}

// The point written by putPoint.
static void getPoint(const unsigned char *p, s3dPoint *pt) {
  float f[6];
  getFloats(p, f, 6);
  *pt = s3dPoint{f[0], f[1], f[2], f[3], f[4], f[5]};
}

// One face: three int32 corners, three floats of normal, three corner
// points of texture coordinates (96 bytes).
static void putFace(unsigned char *p, const sMeshFace &f) {
  putU32(p, (uint32_t)f.pt1);
  putU32(p + 4, (uint32_t)f.pt2);
  putU32(p + 8, (uint32_t)f.pt3);
  const float n[3] = {f.nx, f.ny, f.nz};
  putFloats(p + 12, n, 3);
  for (int k = 0; k < 3; k++)
    putPoint(p + 24 + 24 * k, f.texCoords[k]);
}

// The face written by putFace.
static void getFace(const unsigned char *p, sMeshFace *f) {
  f->pt1 = (int32_t)getU32(p);
  f->pt2 = (int32_t)getU32(p + 4);
  f->pt3 = (int32_t)getU32(p + 8);
  float n[3];
  getFloats(p + 12, n, 3);
  f->nx = n[0], f->ny = n[1], f->nz = n[2];
  for (int k = 0; k < 3; k++)
    getPoint(p + 24 + 24 * k, &f->texCoords[k]);
}

// The next non-empty line at or after *pos, copied into `line` (cut to its
// size); *pos moves past it and its line end (CR, LF or CRLF). False at the
// end of the text.
static bool nextLine(const K3DText &t, long *pos, char *line, size_t lineSize) {
  long p = *pos;
  while (p < t.length && (t.data[p] == '\r' || t.data[p] == '\n'))
    p++;
  if (p >= t.length)
    return false;
  size_t n = 0;
  while (p < t.length && t.data[p] != '\r' && t.data[p] != '\n') {
    if (n + 1 < lineSize)
      line[n++] = t.data[p];
    p++;
  }
  line[n] = 0;
  *pos = p;
  return true;
}

// The light model's view: viewport and 45-degree perspective over the
// stored screen size, depth test and smooth shading.
static void setUpView(float width, float height) {
  glViewport(0, 0, (GLsizei)width, (GLsizei)height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  const double zNear = 0.1, zFar = 100.0;
  double top = zNear * tan(22.5 * kPi / 180.0);
  double right = top * (double)width / (double)height;
  glFrustum(-right, right, -top, top, zNear, zFar);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glShadeModel(GL_SMOOTH);
  glClearColor(0, 0, 0, 1);
  glClearDepth(1.0);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
}

// Whether a picture can texture a mesh: only square power-of-two pictures
// of at least 4 pixels are 2D textures.
static bool isMeshTexture(KGraphic *picture) {
  if (!picture)
    return false;
  long w = (long)picture->getWidth(), h = (long)picture->getHeight();
  return w >= 4 && w == h && (w & (w - 1)) == 0;
}

// The unit normal of the triangle a, b, c; zero when it has no area.
static void triangleNormal(const s3dPoint &a, const s3dPoint &b, const s3dPoint &c, float *n) {
  float ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
  float vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
  float x = uy * vz - uz * vy, y = uz * vx - ux * vz, z = ux * vy - uy * vx;
  float len = sqrtf(x * x + y * y + z * z);
  if (!(len > 0) || !std::isfinite(len)) {
    n[0] = n[1] = n[2] = 0;
    return;
  }
  n[0] = x / len, n[1] = y / len, n[2] = z / len;
}

// ---- class-wide state --------------------------------------------------------

float K3D::_screenWidth = 0;
float K3D::_screenHeight = 0;
bool K3D::_useScreenRes = false;

// ---- construction ------------------------------------------------------------

// An empty mesh: no texture, no points or faces, flat, regular alpha.
K3D::K3D()
    : surf_texture(nullptr), _textureLoaded(false), _blend(false), _blendFactor(1.0f), _scaleX(1), _scaleY(1),
      _scaleZ(1), _eShadeMode(ESM_FLAT), _sourceAlpha(GL_SRC_ALPHA), _destAlpha(GL_ONE_MINUS_SRC_ALPHA),
      meshPtr(nullptr), meshFacesPtr(nullptr), _pointCount(0), _faceCount(0) {
  _textureFileName[0] = 0;
}

// Frees the mesh and a texture it loaded itself.
K3D::~K3D() { freeModel(); }

// ---- scene -------------------------------------------------------------------

// Remembers the screen size and sets up the 3D view.
void K3D::initK3D(long width, long height) {
  _screenWidth = (float)width;
  _screenHeight = (float)(height > 0 ? height : 1);
  setUpView(_screenWidth, _screenHeight);
}

// Starts a frame of meshes with one white light.
void K3D::beginScene(bool clearScene, bool useScreenResolution) {
  setUpView(_screenWidth, _screenHeight > 0 ? _screenHeight : 1);
  if (clearScene)
    glClear(GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  const GLfloat white[4] = {1, 1, 1, 1};
  const GLfloat position[4] = {1, 1, 1, 1};
  glLightfv(GL_LIGHT1, GL_AMBIENT, white);
  glLightfv(GL_LIGHT1, GL_DIFFUSE, white);
  glLightfv(GL_LIGHT1, GL_POSITION, position);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT1);
  _useScreenRes = useScreenResolution;
  if (useScreenResolution) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, _screenWidth, 0, _screenHeight, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
  }
}

// Ends the meshes of this frame.
void K3D::endScene() {
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  KGraphicGL::forgetBoundTexture();
}

// ---- loading -----------------------------------------------------------------

// Allocates zeroed arrays of `points` points and `faces` faces (either may
// be 0, left null). False, with nothing allocated, when memory is short.
bool K3D::allocate(long points, long faces) {
  s3dPoint *p = points > 0 ? (s3dPoint *)calloc((size_t)points, sizeof(s3dPoint)) : nullptr;
  sMeshFace *f = faces > 0 ? (sMeshFace *)calloc((size_t)faces, sizeof(sMeshFace)) : nullptr;
  if ((points > 0 && !p) || (faces > 0 && !f)) {
    free(p);
    free(f);
    return false;
  }
  if (p) {
    free(meshPtr);
    meshPtr = p;
  }
  if (f) {
    free(meshFacesPtr);
    meshFacesPtr = f;
  }
  return true;
}

// Reads an ASCII scene export.
bool K3D::load(const char *filename, float scaleFactor, bool loadTexture) {
  freeModel();
  long size = 0;
  char *data = readTextFile(filename, &size);
  if (!data)
    return false;
  K3DText t{data, size};
  bool ok = readAse(t, scaleFactor);
  if (ok) {
    char bitmap[1024];
    if (extractString(t, bitmap, sizeof bitmap)) {
      copyName(_textureFileName, lastComponent(bitmap), kNameSize);
      if (loadTexture)
        loadTextureBeside(filename, bitmap);
    }
  }
  free(data);
  if (!ok)
    freeModel();
  return ok;
}

// The counts, vertices, faces and texture coordinates of an ASCII export.
bool K3D::readAse(const K3DText &t, float scaleFactor) {
  long points = extractLongValue("*MESH_NUMVERTEX", t);
  if (points <= 0) {
    KMiscTools::messageBox("No Vertices", nullptr);
    return false;
  }
  long faces = extractLongValue("*MESH_NUMFACES ", t);
  if (faces <= 0) {
    KMiscTools::messageBox("No faces in this asc", nullptr);
    return false;
  }
  if (points > t.length / kMinAseVertexBytes || faces > t.length / kMinAseFaceBytes || !allocate(points, faces)) {
    KMiscTools::messageBox(kCountTooLarge, nullptr);
    return false;
  }
  _pointCount = (int32_t)readAseVertices(t, points, scaleFactor);
  if (_pointCount <= 0) {
    KMiscTools::messageBox("No Vertices", nullptr);
    return false;
  }
  centerObject();
  _faceCount = (int32_t)readAseFaces(t, faces);
  readAseTexCoords(t, faces);
  return finishMesh();
}

// Reads up to `count` "*MESH_VERTEX" entries; returns how many were whole.
long K3D::readAseVertices(const K3DText &t, long count, float scaleFactor) {
  long pos = afterChunk("*MESH_VERTEX_LIST", t, 0);
  for (long i = 0; i < count; i++) {
    long index;
    float v[3];
    pos = extractNextLongValue(t, afterChunk("*MESH_VERTEX ", t, pos), &index);
    for (int k = 0; k < 3; k++)
      pos = extractNextFloatValue(t, pos, &v[k]);
    if (pos < 0)
      return i;
    meshPtr[i].x = v[0] * scaleFactor;
    meshPtr[i].y = v[1] * scaleFactor;
    meshPtr[i].z = v[2] * scaleFactor;
  }
  return count;
}

// An index read from a file as an int32, or -1 when it cannot be one.
static int32_t fileIndex(long value) { return (value < 0 || value > INT32_MAX) ? -1 : (int32_t)value; }

// Reads up to `count` "*MESH_FACE" entries; returns how many were whole.
long K3D::readAseFaces(const K3DText &t, long count) {
  long pos = afterChunk("*MESH_FACE_LIST", t, 0);
  if (pos < 0) {
    KMiscTools::messageBox("no faces node found! (*MESH_FACE_LIST)", nullptr);
    pos = 0;
  }
  for (long i = 0; i < count; i++) {
    long index, v[3];
    pos = extractNextLongValue(t, afterChunk("*MESH_FACE", t, pos), &index);
    for (int k = 0; k < 3; k++)
      pos = extractNextLongValue(t, pos, &v[k]);
    if (pos < 0)
      return i;
    meshFacesPtr[i].pt1 = fileIndex(v[0]);
    meshFacesPtr[i].pt2 = fileIndex(v[1]);
    meshFacesPtr[i].pt3 = fileIndex(v[2]);
  }
  return count;
}

// Reads the texture vertex list into a temporary table; returns the table
// (null when there is none) and the number of whole entries in *count.
static sTextureCoord *readAseTexVertices(const K3DText &t, long *count) {
  long n = extractLongValue("*MESH_NUMTVERTEX", t);
  *count = 0;
  if (n <= 0 || n > t.length / kMinAseTVertBytes)
    return nullptr;
  sTextureCoord *uv = (sTextureCoord *)calloc((size_t)n, sizeof(sTextureCoord));
  if (!uv)
    return nullptr;
  long pos = afterChunk("*MESH_TVERTLIST", t, 0);
  long read = 0;
  while (pos >= 0 && read < n) {
    long index;
    pos = extractNextLongValue(t, afterChunk("*MESH_TVERT", t, pos), &index);
    pos = extractNextFloatValue(t, pos, &uv[read].u);
    pos = extractNextFloatValue(t, pos, &uv[read].v);
    if (pos >= 0)
      read++;
  }
  *count = read;
  return uv;
}

// Gives the faces read so far their corners' texture coordinates (u, 1 - v);
// corners naming a texture vertex outside the list keep (0, 0).
void K3D::readAseTexCoords(const K3DText &t, long fileFaces) {
  long uvCount = 0;
  sTextureCoord *uv = readAseTexVertices(t, &uvCount);
  if (!uv)
    return;
  if (extractLongValue("*MESH_NUMTVFACES ", t) != fileFaces)
    KMiscTools::messageBox("Texture mapping count doesn't match polygon count", nullptr);
  long pos = afterChunk("*MESH_TFACELIST", t, 0);
  for (long i = 0; pos >= 0 && i < _faceCount; i++) {
    long index, tv[3];
    pos = extractNextLongValue(t, afterChunk("*MESH_TFACE", t, pos), &index);
    for (int k = 0; k < 3; k++)
      pos = extractNextLongValue(t, pos, &tv[k]);
    if (pos < 0)
      break;
    for (int k = 0; k < 3; k++) {
      if (tv[k] < 0 || tv[k] >= uvCount)
        continue;
      meshFacesPtr[i].texCoords[k].x = uv[tv[k]].u;
      meshFacesPtr[i].texCoords[k].y = 1.0f - uv[tv[k]].v;
    }
  }
  free(uv);
}

// Drops faces with a corner outside the vertex array, then computes the
// normals. False, with the no-faces message, when no face is left.
bool K3D::finishMesh() {
  if (!keepValidFaces()) {
    KMiscTools::messageBox("No faces in this asc", nullptr);
    return false;
  }
  makeFaceNormals();
  makeGouraud();
  return true;
}

// Moves the position past the end of the current line.
static long endOfLine(const K3DText &t, long pos) {
  while (pos >= 0 && pos < t.length && t.data[pos] != '\r' && t.data[pos] != '\n')
    pos++;
  return pos;
}

// The integer at the start of the next non-empty line, or -1.
static long countLine(const K3DText &t, long *pos) {
  char line[kMaxLineLength + 1];
  long value = -1;
  if (!nextLine(t, pos, line, sizeof line) || sscanf(line, "%ld", &value) != 1)
    return -1;
  return value;
}

// Reads the plain text mesh list.
bool K3D::loadMk(const char *filename, float scaleFactor, bool loadTexture) {
  freeModel();
  (void)loadTexture; // this format names no texture
  long size = 0;
  char *data = readTextFile(filename, &size);
  if (!data)
    return false;
  K3DText t{data, size};
  bool ok = readMk(t, scaleFactor);
  free(data);
  if (!ok)
    freeModel();
  return ok;
}

// The vertex lines, the skipped normal lines and the face lines of a mesh list.
bool K3D::readMk(const K3DText &t, float scaleFactor) {
  long points = -1;
  long pos = extractNextLongValue(t, afterChunk("object\" 0 0", t, 0), &points);
  if (pos < 0 || points <= 0) {
    KMiscTools::messageBox("No Vertices", nullptr);
    return false;
  }
  if (points > t.length / kMinMkLineBytes || !allocate(points, 0)) {
    KMiscTools::messageBox(kCountTooLarge, nullptr);
    return false;
  }
  pos = endOfLine(t, pos);
  char line[kMaxLineLength + 1];
  long read = 0;
  for (; read < points && nextLine(t, &pos, line, sizeof line); read++) {
    int index;
    float x, y, z;
    if (sscanf(line, "%d %f %f %f", &index, &x, &y, &z) != 4)
      break;
    meshPtr[read] = s3dPoint{x * scaleFactor, y * scaleFactor, z * scaleFactor, 0, 0, 0};
  }
  _pointCount = (int32_t)read;
  if (read <= 0) {
    KMiscTools::messageBox("No Vertices", nullptr);
    return false;
  }
  centerObject();
  long normals = countLine(t, &pos);
  for (long i = 0; i < normals && nextLine(t, &pos, line, sizeof line); i++) {
  }
  return readMkFaces(t, pos);
}

// The face count line and the face lines of a mesh list.
bool K3D::readMkFaces(const K3DText &t, long pos) {
  long faces = countLine(t, &pos);
  if (faces <= 0) {
    KMiscTools::messageBox("No faces in this asc", nullptr);
    return false;
  }
  if (faces > t.length / kMinMkLineBytes || !allocate(0, faces)) {
    KMiscTools::messageBox(kCountTooLarge, nullptr);
    return false;
  }
  char line[kMaxLineLength + 1];
  long read = 0;
  for (; read < faces && nextLine(t, &pos, line, sizeof line); read++) {
    long index, a, b, c;
    if (sscanf(line, "%ld %ld %ld %ld", &index, &a, &b, &c) != 4)
      break;
    meshFacesPtr[read].pt1 = fileIndex(a);
    meshFacesPtr[read].pt2 = fileIndex(b);
    meshFacesPtr[read].pt3 = fileIndex(c);
  }
  _faceCount = (int32_t)read;
  return finishMesh();
}

// Reads a K3D file.
bool K3D::loadK3D(const char *filename, bool loadTexture) {
  freeModel();
  long size = 0;
  char *data = readWholeFile(filename, &size);
  if (!data)
    return false;
  bool ok = readK3D((const unsigned char *)data, size);
  free(data);
  if (!ok) {
    freeModel();
    return false;
  }
  if (loadTexture && _textureFileName[0])
    loadTextureBeside(filename, _textureFileName);
  return true;
}

// The header, points and faces of a K3D file held in memory. The counts
// must be above 0 and the file must hold the arrays they announce.
bool K3D::readK3D(const unsigned char *d, long size) {
  if (size < kHeaderSize)
    return false;
  uint32_t points = getU32(d + 264), faces = getU32(d + 268);
  if (points == 0 || faces == 0 || points > INT32_MAX || faces > INT32_MAX)
    return false;
  uint64_t need = (uint64_t)kHeaderSize + (uint64_t)kPointSize * points + (uint64_t)kFaceSize * faces;
  if (need > (uint64_t)size || !allocate((long)points, (long)faces)) {
    KMiscTools::messageBox(kCountTooLarge, nullptr);
    return false;
  }
  copyName(_textureFileName, (const char *)d + 4, kNameSize);
  const unsigned char *p = d + kHeaderSize;
  for (uint32_t i = 0; i < points; i++, p += kPointSize)
    getPoint(p, &meshPtr[i]);
  for (uint32_t i = 0; i < faces; i++, p += kFaceSize)
    getFace(p, &meshFacesPtr[i]);
  _pointCount = (int32_t)points;
  _faceCount = (int32_t)faces;
  if (!keepValidFaces()) {
    KMiscTools::messageBox("No faces in this asc", nullptr);
    return false;
  }
  return true;
}

// Writes the K3D file: header, points, faces, every number little-endian.
bool K3D::saveK3D(const char *filename) {
  if (_faceCount <= 0 || !meshFacesPtr || !filename)
    return false;
  FILE *f = fopen(filename, "wb");
  if (!f)
    return false;
  unsigned char header[kHeaderSize] = {0};
  putU32(header, kK3DTag);
  memcpy(header + 4, _textureFileName, strnlen(_textureFileName, kNameSize - 1));
  putU32(header + 264, (uint32_t)_pointCount);
  putU32(header + 268, (uint32_t)_faceCount);
  bool ok = fwrite(header, 1, sizeof header, f) == sizeof header;
  unsigned char record[kFaceSize];
  for (long i = 0; ok && i < _pointCount; i++) {
    putPoint(record, meshPtr[i]);
    ok = fwrite(record, 1, kPointSize, f) == (size_t)kPointSize;
  }
  for (long i = 0; ok && i < _faceCount; i++) {
    putFace(record, meshFacesPtr[i]);
    ok = fwrite(record, 1, kFaceSize, f) == (size_t)kFaceSize;
  }
  bool closed = fclose(f) == 0;
  return ok && closed;
}

// Loads the texture named `name` from the model's folder; on failure the
// mesh stays untextured.
void K3D::loadTextureBeside(const char *modelPath, const char *name) {
  char path[kNameSize];
  if (!texturePath(modelPath, name, path)) {
    KMiscTools::messageBox("Could not load texture", name);
    return;
  }
  KGraphicGL *picture = new (std::nothrow) KGraphicGL();
  if (!picture || !picture->loadPicture(path, true, true)) {
    delete picture;
    KMiscTools::messageBox("Could not load texture", path);
    return;
  }
  surf_texture = picture;
  _textureLoaded = true;
}

// ---- geometry ----------------------------------------------------------------

// Moves the mesh so that the centre of its bounding box (which always
// contains the origin) is the origin.
void K3D::centerObject() {
  float lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
  for (long i = 0; i < _pointCount; i++) {
    const float v[3] = {meshPtr[i].x, meshPtr[i].y, meshPtr[i].z};
    for (int k = 0; k < 3; k++) {
      lo[k] = v[k] < lo[k] ? v[k] : lo[k];
      hi[k] = v[k] > hi[k] ? v[k] : hi[k];
    }
  }
  float cx = (lo[0] + hi[0]) / 2, cy = (lo[1] + hi[1]) / 2, cz = (lo[2] + hi[2]) / 2;
  for (long i = 0; i < _pointCount; i++) {
    meshPtr[i].x -= cx;
    meshPtr[i].y -= cy;
    meshPtr[i].z -= cz;
  }
}

// Keeps only the faces whose three corners are vertices of the mesh.
bool K3D::keepValidFaces() {
  long kept = 0;
  for (long i = 0; i < _faceCount; i++) {
    const sMeshFace &f = meshFacesPtr[i];
    if (f.pt1 >= 0 && f.pt1 < _pointCount && f.pt2 >= 0 && f.pt2 < _pointCount && f.pt3 >= 0 && f.pt3 < _pointCount)
      meshFacesPtr[kept++] = f;
  }
  _faceCount = (int32_t)kept;
  return kept > 0;
}

// Each face's unit normal, (p2 - p1) x (p3 - p1); zero for a face without area.
void K3D::makeFaceNormals() {
  for (long i = 0; i < _faceCount; i++) {
    sMeshFace &f = meshFacesPtr[i];
    float n[3];
    triangleNormal(meshPtr[f.pt1], meshPtr[f.pt2], meshPtr[f.pt3], n);
    f.nx = n[0], f.ny = n[1], f.nz = n[2];
  }
}

// Vertex normals in one pass over the faces: the plain average of the
// normals of the faces using the vertex, faces without area left out. A
// vertex no face uses takes the last face's normal.
void K3D::makeGouraud() {
  if (_faceCount < 1 || _pointCount < 1)
    return;
  int32_t *uses = (int32_t *)calloc((size_t)_pointCount, sizeof(int32_t));
  for (long i = 0; i < _pointCount; i++)
    meshPtr[i].nx = meshPtr[i].ny = meshPtr[i].nz = 0;
  for (long i = 0; uses && i < _faceCount; i++) {
    const sMeshFace &f = meshFacesPtr[i];
    if (f.nx == 0 && f.ny == 0 && f.nz == 0)
      continue;
    const int32_t corners[3] = {f.pt1, f.pt2, f.pt3};
    for (int32_t c : corners) {
      meshPtr[c].nx += f.nx;
      meshPtr[c].ny += f.ny;
      meshPtr[c].nz += f.nz;
      uses[c]++;
    }
  }
  const sMeshFace &last = meshFacesPtr[_faceCount - 1];
  for (long i = 0; i < _pointCount; i++) {
    s3dPoint &p = meshPtr[i];
    long n = uses ? uses[i] : 0;
    if (n > 0) {
      p.nx /= (float)n, p.ny /= (float)n, p.nz /= (float)n;
    } else {
      p.nx = last.nx, p.ny = last.ny, p.nz = last.nz;
    }
  }
  free(uses);
}

// ---- drawing -----------------------------------------------------------------

// Draws in the current shade mode.
void K3D::display(float x, float y, float z, float rx, float ry, float rz) {
  if (_eShadeMode == ESM_GOURAUD)
    displayGouraud(x, y, z, rx, ry, rz);
  else
    displayFlat(x, y, z, rx, ry, rz);
}

// Draws with one normal per face.
void K3D::displayFlat(float x, float y, float z, float rx, float ry, float rz) { draw(x, y, z, rx, ry, rz, false); }

// Draws with one normal per vertex.
void K3D::displayGouraud(float x, float y, float z, float rx, float ry, float rz) { draw(x, y, z, rx, ry, rz, true); }

// Places the mesh: identity, translation (screen y turned upward in screen
// mode), scale, then the turns about x, y and z.
void K3D::placeModel(float x, float y, float z, float rx, float ry, float rz) {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  if (_useScreenRes)
    y = _screenHeight - y;
  glTranslatef(x, y, z);
  if (_scaleX != 1 || _scaleY != 1 || _scaleZ != 1)
    glScalef(_scaleX, _scaleY, _scaleZ);
  if (rx != 0)
    glRotatef(rx, 1, 0, 0);
  if (ry != 0)
    glRotatef(ry, 0, 1, 0);
  if (rz != 0)
    glRotatef(rz, 0, 0, 1);
}

// One triangle per face, with face or vertex normals. A scaled mesh has its
// normals made unit again by OpenGL so that the light stays right. The
// pictures' binding cache is forgotten afterwards: the texture targets were
// switched here without it.
void K3D::draw(float x, float y, float z, float rx, float ry, float rz, bool perVertex) {
  if (!meshPtr || !meshFacesPtr || _faceCount <= 0)
    return;
  placeModel(x, y, z, rx, ry, rz);
  bool scaled = _scaleX != 1 || _scaleY != 1 || _scaleZ != 1;
  if (scaled)
    glEnable(GL_NORMALIZE);
  if (_blend) {
    glEnable(GL_BLEND);
    glBlendFunc(_sourceAlpha, _destAlpha);
  } else {
    glDisable(GL_BLEND);
  }
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_TEXTURE_RECTANGLE_ARB);
  if (isMeshTexture(surf_texture))
    surf_texture->selectTexture();
  glEnable(GL_COLOR_MATERIAL);
  glShadeModel(GL_SMOOTH);
  glColor4f(0.5f, 0.5f, 0.5f, _blendFactor);
  glBegin(GL_TRIANGLES);
  for (long i = 0; i < _faceCount; i++) {
    const sMeshFace &f = meshFacesPtr[i];
    const int32_t corners[3] = {f.pt1, f.pt2, f.pt3};
    if (!perVertex)
      glNormal3f(f.nx, f.ny, f.nz);
    for (int k = 0; k < 3; k++) {
      const s3dPoint &p = meshPtr[corners[k]];
      if (perVertex)
        glNormal3f(p.nx, p.ny, p.nz);
      glTexCoord2f(f.texCoords[k].x, f.texCoords[k].y);
      glVertex3f(p.x, p.y, p.z);
    }
  }
  glEnd();
  glColor4f(1, 1, 1, 1);
  if (scaled)
    glDisable(GL_NORMALIZE);
  KGraphicGL::forgetBoundTexture();
}

// ---- state -------------------------------------------------------------------

// Sets the scale applied when drawing.
void K3D::scale(float x, float y, float z) {
  _scaleX = x;
  _scaleY = y;
  _scaleZ = z;
}

// Flat or Gouraud for display.
void K3D::setShadeMode(EShadeMode mode) { _eShadeMode = mode; }

// Regular (source alpha, one minus source alpha) or additive blending.
void K3D::setAlphaMode(bool regular) {
  _sourceAlpha = GL_SRC_ALPHA;
  _destAlpha = regular ? GL_ONE_MINUS_SRC_ALPHA : GL_ONE;
}

// Blending on or off, and the alpha of the drawing colour.
void K3D::enableBlending(bool allowBlend, float blendFactor) {
  _blend = allowBlend;
  _blendFactor = blendFactor;
}

// Deletes a texture the mesh loaded itself, then uses the caller's picture.
// Handing the mesh its own texture again changes nothing.
void K3D::setTexture(KGraphic *texturePtr) {
  if (texturePtr == surf_texture)
    return;
  dropTexture();
  surf_texture = texturePtr;
}

// Whether the face uses the vertex as a corner.
bool K3D::isTouching(long pointIndex, long faceIndex) {
  if (faceIndex < 0 || faceIndex >= _faceCount || !meshFacesPtr)
    return false;
  const sMeshFace &f = meshFacesPtr[faceIndex];
  return f.pt1 == pointIndex || f.pt2 == pointIndex || f.pt3 == pointIndex;
}

// Forgets the texture, deleting it only when the mesh created it.
void K3D::dropTexture() {
  if (_textureLoaded)
    delete surf_texture;
  surf_texture = nullptr;
  _textureLoaded = false;
}

// Frees points, faces and a texture the mesh loaded; counts 0. A picture set by the caller stays in use.
void K3D::freeModel() {
  free(meshPtr);
  free(meshFacesPtr);
  meshPtr = nullptr;
  meshFacesPtr = nullptr;
  _pointCount = _faceCount = 0;
  if (_textureLoaded)
    dropTexture();
}
