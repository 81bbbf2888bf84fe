// K3D: a small textured triangle mesh. Loads an ASCII scene export, a plain
// text mesh list or the engine's own K3D file, centres it, computes face and
// vertex normals, saves K3D files, and draws with one white light in
// perspective or in screen pixels, flat or Gouraud, optionally textured and
// blended. Meshes draw into the window's OpenGL context, between
// beginScene and endScene.
//
// Depth: only a window created with depth (KNUX::createKWindow(..., true))
// has a depth buffer; in any other window the depth test has nothing to test
// against and faces simply draw in the order of the file.
//
// Textures: a mesh texture must be a square power-of-two picture (at least
// 4 pixels), which the engine keeps as a 2D texture; any other picture is
// ignored and the mesh draws untextured.
#ifndef K3D_H
#define K3D_H

#include <cstdint>

class KGraphic;
struct K3DText; // a file's text while it is parsed

// A vertex position and its vertex normal. Also used for a corner's texture
// coordinates, where only x (u) and y (v) matter.
struct s3dPoint {
  float x, y, z;
  float nx, ny, nz;
};

// One triangle: three vertex indices, the face normal and one texture
// coordinate per corner.
struct sMeshFace {
  int32_t pt1, pt2, pt3;
  float nx, ny, nz;
  s3dPoint texCoords[3];
};

struct sTextureCoord {
  float u, v;
};

struct vect_t {
  float X, Y, Z;
};

// The first 272 bytes of a K3D file (numbers little-endian on disk).
struct sK3DHeader {
  int32_t tag; // the bytes "k3d "
  char textureFilename[260];
  uint32_t _pointCount;
  uint32_t _faceCount;
};

static_assert(sizeof(s3dPoint) == 24, "a K3D point is six floats");
static_assert(sizeof(sMeshFace) == 96, "a K3D face is 96 bytes");
static_assert(sizeof(sK3DHeader) == 272, "the K3D header is 272 bytes");

enum EShadeMode { ESM_FLAT = 0, ESM_GOURAUD = 1 };

class K3D {
public:
  K3D();
  virtual ~K3D();
  K3D(const K3D &) = delete;
  K3D &operator=(const K3D &) = delete;

  // Remembers the screen size and sets up the 3D view: viewport, a 45-degree
  // perspective (near 0.1, far 100), smooth shading, depth test. A height of
  // 0 is taken as 1.
  static void initK3D(long width, long height);
  // Starts a frame of meshes: the view of initK3D again, the depth buffer
  // cleared when asked, one white light. With useScreenResolution the view
  // is orthographic in screen pixels (origin top-left for display's x, y).
  static void beginScene(bool clearScene, bool useScreenResolution);
  // Ends the meshes: depth test and lighting off, and the pictures' texture
  // binding forgotten so the next 2D blit binds its own texture. The 3D
  // projection stays: call the window's setWorldView before drawing 2D.
  static void endScene();

  // ASCII scene export ("*MESH_NUMVERTEX" ...). Positions are multiplied by
  // scaleFactor; the texture named by "*BITMAP" is loaded beside the file
  // when loadTexture.
  bool load(const char *filename, float scaleFactor, bool loadTexture);
  // Plain text mesh list (vertex lines, normal lines, face lines).
  bool loadMk(const char *filename, float scaleFactor, bool loadTexture);
  // The engine's binary K3D file.
  bool loadK3D(const char *filename, bool loadTexture);
  // Writes the mesh as a K3D file; false when there are no faces or any
  // write or the close fails.
  bool saveK3D(const char *filename);

  // Draws at (x, y, z) turned rx, ry, rz degrees about x, y, z, in the
  // current shade mode.
  void display(float x, float y, float z, float rx, float ry, float rz);
  // Draws with one normal per face.
  void displayFlat(float x, float y, float z, float rx, float ry, float rz);
  // Draws with one normal per vertex (smooth light across faces).
  void displayGouraud(float x, float y, float z, float rx, float ry, float rz);

  void scale(float x, float y, float z);
  void setShadeMode(EShadeMode mode);
  // Source factor source alpha; destination one minus source alpha when
  // regular, one (additive) otherwise.
  void setAlphaMode(bool regular);
  // Blending on or off; blendFactor is the alpha of the drawing colour.
  void enableBlending(bool allowBlend, float blendFactor);
  // Uses the caller's picture as texture (not owned; null for none). A
  // texture the mesh loaded itself is deleted first.
  void setTexture(KGraphic *texturePtr);
  // Whether the face uses the vertex as one of its corners (false for
  // indices outside the mesh).
  bool isTouching(long pointIndex, long faceIndex);
  // Frees points, faces and a texture the mesh loaded itself (a picture
  // set by the caller stays in use).
  void freeModel();

  KGraphic *surf_texture; // texture picture, may be null
  bool _textureLoaded;    // the mesh created surf_texture and deletes it
  bool _blend;
  float _blendFactor;
  float _scaleX, _scaleY, _scaleZ;
  char _textureFileName[260]; // texture name stored in K3D files, NUL-terminated
  EShadeMode _eShadeMode;
  uint32_t _sourceAlpha, _destAlpha; // blend factors
  s3dPoint *meshPtr;                 // _pointCount points
  sMeshFace *meshFacesPtr;           // _faceCount faces
  int32_t _pointCount, _faceCount;

  static float _screenWidth, _screenHeight;
  static bool _useScreenRes;

private:
  bool allocate(long points, long faces);
  bool readAse(const K3DText &t, float scaleFactor);
  long readAseVertices(const K3DText &t, long count, float scaleFactor);
  long readAseFaces(const K3DText &t, long count);
  void readAseTexCoords(const K3DText &t, long fileFaces);
  bool readMk(const K3DText &t, float scaleFactor);
  bool readMkFaces(const K3DText &t, long pos);
  bool readK3D(const unsigned char *data, long size);
  bool finishMesh();
  void loadTextureBeside(const char *modelPath, const char *name);
  void centerObject();
  bool keepValidFaces();
  void makeFaceNormals();
  void makeGouraud();
  void placeModel(float x, float y, float z, float rx, float ry, float rz);
  void draw(float x, float y, float z, float rx, float ry, float rz, bool perVertex);
  void dropTexture();
};

#endif
