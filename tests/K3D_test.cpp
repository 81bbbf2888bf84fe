// Meshes: the loaders on small hand-written files and damaged cubes, the K3D
// file's layout and round trip, hostile files, and drawing in a real
// 400 x 300 window with a depth buffer (Xvfb, Mesa) read back by pixels.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "K3D.h"
#include "KGraphicGL.h"
#include "KNUX.h"
#include "support/GLWindowFixture.h"

using testsupport::PixelReader;
using testsupport::readFile;
using testsupport::Rgba;

namespace {

const int W = 400, H = 300;
const std::string kMeshDir = std::string(TRIVELLO_SOURCE_DIR) + "/tests/data/mesh/";
const Rgba kBlack{0, 0, 0, 255};

// A mesh list: vertex lines "i x y z 0 0 0", no normal lines, face lines
// "i a b c ...", joined with `eol`.
std::string mkText(const std::vector<std::vector<float>> &v, const std::vector<std::vector<long>> &f,
                   const std::string &eol = "\r") {
  std::string s = "\"object\" 0 0 " + std::to_string(v.size()) + eol;
  char line[160];
  for (size_t i = 0; i < v.size(); i++) {
    snprintf(line, sizeof line, "%zu %f %f %f 0 0 0", i, v[i][0], v[i][1], v[i][2]);
    s += line + eol;
  }
  s += "0" + eol + std::to_string(f.size()) + eol;
  for (size_t i = 0; i < f.size(); i++) {
    snprintf(line, sizeof line, "%zu %ld  %ld  %ld  0  0  0  0", i, f[i][0], f[i][1], f[i][2]);
    s += line + eol;
  }
  return s;
}

const std::string kFace = "*MESH_FACE 0: A: 0 B: 1 C: 2";

// A one-triangle ASCII export with the given extra text after the mesh.
std::string aseTriangle(const std::string &faceLine = kFace, const std::string &extra = "", int faces = 1) {
  return "*MESH_NUMVERTEX 3\n*MESH_NUMFACES " + std::to_string(faces) +
         "\n*MESH_VERTEX_LIST {\n"
         "*MESH_VERTEX 0\t0.0\t0.0\t0.0\n*MESH_VERTEX 1\t1.0\t0.0\t0.0\n"
         "*MESH_VERTEX 2\t0.0\t1.0\t0.0\n}\n*MESH_FACE_LIST {\n" +
         faceLine + "\n}\n" + extra;
}

// The tent: two faces sharing the edge x = 0, tilted toward -x and +x.
const std::vector<std::vector<float>> kTent = {{-1, 0, 0}, {0, -1, 1}, {0, 1, 1}, {1, 0, 0}};
const std::vector<std::vector<long>> kTentFaces = {{0, 1, 2}, {3, 2, 1}};
const std::string kTriangle = mkText({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});

class K3DTest : public testsupport::GLWindowFixture {
protected:
  static void SetUpTestSuite() {
    openWindow(W, H, true, "K3D test");
    // The scratch folder (capitals in its name) is the resource folder: what
    // the loaders see does not depend on where the build folder lies.
    resources = new testsupport::ResourceFolder(dir);
  }
  static void TearDownTestSuite() {
    delete resources;
    GLWindowFixture::TearDownTestSuite();
  }
  // A fresh frame: 3D view over the window, cleared to black (or blue) and far depth.
  static void startFrame(bool screenResolution, float blue = 0) {
    K3D::initK3D(W, H);
    glClearColor(0, 0, blue, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    K3D::beginScene(true, screenResolution);
  }
  static testsupport::ResourceFolder *resources;
};

testsupport::ResourceFolder *K3DTest::resources = nullptr;

// ---- loaders ------------------------------------------------------------------

// Every line end loads the same tent: face normals, vertex normals that
// average the faces using them, and which points touch which face.
TEST_F(K3DTest, TentLoadsWithEveryLineEndAndAveragesItsNormals) {
  const std::string cube = readFile(kMeshDir + "cube.ase");
  const float s = std::sqrt(0.5f);
  for (const std::string eol : {"\r", "\n", "\r\n"}) {
    K3D m;
    ASSERT_TRUE(m.loadMk(write("tent.mk", mkText(kTent, kTentFaces, eol)).c_str(), 1, false));
    ASSERT_EQ(m._pointCount, 4);
    ASSERT_EQ(m._faceCount, 2);
    EXPECT_NEAR(m.meshFacesPtr[0].nx, -s, 1e-6);
    EXPECT_NEAR(m.meshFacesPtr[0].nz, s, 1e-6);
    EXPECT_NEAR(m.meshFacesPtr[1].nx, s, 1e-6);
    // Shared vertices: the plain average, not renormalised; outer vertices:
    // their one face's normal.
    EXPECT_NEAR(m.meshPtr[1].nx, 0, 1e-6);
    EXPECT_NEAR(m.meshPtr[1].nz, s, 1e-6);
    EXPECT_NEAR(m.meshPtr[0].nx, -s, 1e-6);
    EXPECT_NEAR(m.meshPtr[3].nx, s, 1e-6);
    const long touching[][3] = {{0, 0, 1}, {2, 0, 1}, {3, 0, 0}, {3, 1, 1}, {0, 1, 0}, {0, 2, 0}, {0, -1, 0}};
    for (const auto &t : touching)
      EXPECT_EQ(m.isTouching(t[0], t[1]), t[2] != 0) << t[0] << "," << t[1];
    std::string text;
    for (char c : cube)
      text += c == '\n' ? eol : (c == '\r' ? std::string() : std::string(1, c));
    ASSERT_TRUE(m.load(write("eol.ase", text).c_str(), 1, false));
    EXPECT_EQ(m._faceCount, 12);
  }
}

TEST_F(K3DTest, DegenerateFaceHasZeroNormalAndStaysOutOfAverages) {
  // Face 1 is collinear (vertices 0, 1, 3 on the x axis) and shares vertex 0.
  K3D m;
  std::string text = mkText({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2, 0, 0}}, {{0, 1, 2}, {0, 1, 3}});
  ASSERT_TRUE(m.loadMk(write("flat.mk", text).c_str(), 1, false));
  ASSERT_EQ(m._faceCount, 2);
  EXPECT_EQ(m.meshFacesPtr[1].nx, 0.0f);
  EXPECT_EQ(m.meshFacesPtr[1].ny, 0.0f);
  EXPECT_EQ(m.meshFacesPtr[1].nz, 0.0f);
  EXPECT_EQ(m.meshPtr[0].nz, 1.0f); // not halved by the collinear face
  EXPECT_EQ(m.meshPtr[1].nz, 1.0f);
  for (int i = 0; i < m._pointCount; i++)
    EXPECT_FALSE(std::isnan(m.meshPtr[i].nx + m.meshPtr[i].ny + m.meshPtr[i].nz));
}

TEST_F(K3DTest, MissingFaceListAndTextureCountMismatchAreReportedButLoad) {
  std::string noList = "*MESH_NUMVERTEX 3\n*MESH_NUMFACES 1\n*MESH_VERTEX_LIST {\n*MESH_VERTEX 0 0 0 0\n"
                       "*MESH_VERTEX 1 1 0 0\n*MESH_VERTEX 2 0 1 0\n" +
                       kFace + "\n";
  K3D m;
  EXPECT_TRUE(m.load(write("nolist.ase", noList).c_str(), 1, false));
  EXPECT_EQ(recorder->count("no faces node found! (*MESH_FACE_LIST)"), 1);
  EXPECT_EQ(m._faceCount, 1);
  // A one-face mesh gets vertex normals too.
  EXPECT_EQ(m.meshPtr[2].nz, 1.0f);

  std::string uv = "*MESH_NUMTVERTEX 2\n*MESH_TVERTLIST {\n*MESH_TVERT 0\t0.25\t0.5\t0\n"
                   "*MESH_TVERT 1\t1\t1\t0\n}\n*MESH_NUMTVFACES 2\n*MESH_TFACELIST {\n"
                   "*MESH_TFACE 0\t1\t0\t7\n}\n";
  EXPECT_TRUE(m.load(write("uv.ase", aseTriangle(kFace, uv)).c_str(), 1, false));
  EXPECT_EQ(recorder->count("Texture mapping count doesn't match polygon count"), 1);
  const s3dPoint *tc = m.meshFacesPtr[0].texCoords;
  EXPECT_EQ(tc[0].x, 1.0f);
  EXPECT_EQ(tc[0].y, 0.0f);
  EXPECT_EQ(tc[1].x, 0.25f);
  EXPECT_EQ(tc[1].y, 0.5f);
  EXPECT_EQ(tc[2].x, 0.0f); // texture vertex 7 does not exist: the corner keeps (0, 0)
}

// The texture is the bitmap's last name component in the model's folder; an
// unclosed or overlong name means no texture.
TEST_F(K3DTest, TexturePathIsTheModelFolderAndTheBitmapName) {
  const std::string overlong(300, 'a');
  struct Case {
    std::string bitmap, message; // the message's text, empty: no message
  } cases[] = {
      {"\"C:\\maps\\none.png\"", dir + "/none.png"},
      {"\"none.png\"", dir + "/none.png"},
      {"\"x/y:none.png\"", dir + "/none.png"},
      {"\"cube.png", ""},
      {"\"" + overlong + "\"", overlong.substr(0, 255)}, // the message box cuts it
      {"\"" + std::string(280, 'a') + "/x.png\"", dir + "/x.png"},
  };
  for (const Case &c : cases) {
    recorder->clear();
    K3D m;
    ASSERT_TRUE(m.load(write("m.ase", aseTriangle(kFace, "*BITMAP " + c.bitmap)).c_str(), 1, true));
    ASSERT_EQ(recorder->messages().size(), c.message.empty() ? 0u : 1u) << c.bitmap;
    if (!c.message.empty()) {
      EXPECT_EQ(recorder->messages()[0].first, "Could not load texture");
      EXPECT_EQ(recorder->messages()[0].second, c.message);
    }
    EXPECT_EQ(m.surf_texture, nullptr);
    EXPECT_LT(strlen(m._textureFileName), 260u);
  }
  // The generated cube's texture lies beside it (the K3D file names it too).
  K3D bin;
  ASSERT_TRUE(bin.loadK3D((kMeshDir + "cube.k3d").c_str(), true));
  EXPECT_NE(bin.surf_texture, nullptr);
}

// ---- the K3D file ---------------------------------------------------------------

TEST_F(K3DTest, SaveWritesTheLayoutRoundTripsByteExactAndReportsFailures) {
  K3D a, empty;
  ASSERT_TRUE(a.load((kMeshDir + "cube.ase").c_str(), 1.0f, false));
  std::vector<sMeshFace> before(a.meshFacesPtr, a.meshFacesPtr + 12);
  std::string first = dir + "/first.k3d", second = dir + "/second.k3d";
  ASSERT_TRUE(a.saveK3D(first.c_str()));
  EXPECT_EQ(memcmp(before.data(), a.meshFacesPtr, sizeof(sMeshFace) * 12), 0); // unchanged
  std::string bytes = readFile(first);
  ASSERT_EQ(bytes.size(), 272u + 8 * 24 + 12 * 96);
  EXPECT_EQ(bytes.substr(0, 4), "k3d ");
  EXPECT_EQ(std::string(bytes.c_str() + 4), "cube.png");
  EXPECT_EQ(bytes.substr(264, 8), std::string("\x08\0\0\0\x0c\0\0\0", 8));
  // The first face's indices, little-endian, right after the points.
  const unsigned char *face0 = (const unsigned char *)bytes.data() + 272 + 8 * 24;
  EXPECT_EQ(face0[0], a.meshFacesPtr[0].pt1);
  EXPECT_EQ(face0[4], a.meshFacesPtr[0].pt2);

  K3D b;
  ASSERT_TRUE(b.loadK3D(first.c_str(), false));
  EXPECT_EQ(memcmp(a.meshPtr, b.meshPtr, sizeof(s3dPoint) * 8), 0);
  EXPECT_EQ(memcmp(a.meshFacesPtr, b.meshFacesPtr, sizeof(sMeshFace) * 12), 0);
  ASSERT_TRUE(b.saveK3D(second.c_str()));
  EXPECT_EQ(readFile(second), bytes);
  // The generated file agrees with the export the engine read.
  EXPECT_EQ(readFile(kMeshDir + "cube.k3d").substr(0, 272), bytes.substr(0, 272));

  EXPECT_FALSE(empty.saveK3D((dir + "/empty.k3d").c_str()));
  EXPECT_FALSE(a.saveK3D((dir + "/no/such/folder.k3d").c_str()));
  EXPECT_FALSE(a.saveK3D("/dev/full")); // writes or the close fail: disk full
}

// ---- bad files ----------------------------------------------------------------------

std::string k3dHeader(uint32_t points, uint32_t faces, const std::string &name = "") {
  std::string h = "k3d " + name;
  h.resize(264, '\0');
  for (uint32_t v : {points, faces})
    for (int i = 0; i < 4; i++)
      h += (char)(v >> (8 * i));
  return h;
}

// Loads a mesh file with the loader its extension names.
bool loadByName(K3D &m, const std::string &path, bool texture) {
  if (path.size() > 3 && path.compare(path.size() - 3, 3, ".mk") == 0)
    return m.loadMk(path.c_str(), 1, texture);
  if (path.size() > 4 && path.compare(path.size() - 4, 4, ".k3d") == 0)
    return m.loadK3D(path.c_str(), texture);
  return m.load(path.c_str(), 1, texture);
}

// Missing files, counts larger than the file or without entries, indices
// outside the arrays, cut or endless lines: the load fails (with its message
// where the row names one) or keeps only the sound faces.
TEST_F(K3DTest, BadFilesFailOrLoadOnlyTheirSoundFaces) {
  const std::string cube = readFile(kMeshDir + "cube.k3d");
  const std::string head = "*MESH_NUMVERTEX 3\n*MESH_NUMFACES 2\n*MESH_VERTEX_LIST {\n";
  const char *tooBig = "Mesh counts exceed the file", *noFaces = "No faces in this asc";
  std::string badIndex = cube, negative = cube;
  badIndex[272 + 8 * 24 + 96 * 3] = 8;          // face 3's first corner: vertex 8 of 0..7
  negative[272 + 8 * 24 + 96 * 5 + 7] = '\xff'; // face 5's second corner < 0
  std::string allBad = k3dHeader(1, 1) + std::string(24, '\0') + std::string(4, '\x05') + std::string(92, '\0');
  const struct {
    const char *name;  // the file, whose extension picks the loader
    std::string bytes; // empty: the file is missing
    int points, faces; // 0 faces: the load fails
    const char *title; // the message it gives, if checked
  } cases[] = {
      {"missing.ase", "", 0, 0, "File not found"},
      {"missing.mk", "", 0, 0, "File not found"},
      {"missing.k3d", "", 0, 0, nullptr},
      {"nov.ase", "*MESH_NUMFACES 1\n", 0, 0, "No Vertices"},
      {"nof.ase", "*MESH_NUMVERTEX 3\n*MESH_NUMFACES 0\n", 0, 0, noFaces},
      {"nov.mk", "\"object\" 0 0 0\r", 0, 0, "No Vertices"},
      {"nof.mk", "\"object\" 0 0 1\r0 1 2 3 0 0 0\r0\r0\r", 0, 0, noFaces},
      {"big.ase", "*MESH_NUMVERTEX 2000000000\n*MESH_NUMFACES 2000000000\n", 0, 0, tooBig},
      {"big.mk", "\"object\" 0 0 999999999\r0 1 2 3\r", 0, 0, tooBig},
      {"huge.k3d", k3dHeader(0xFFFFFFFFu, 0xFFFFFFFFu), 0, 0, nullptr},
      {"overflow.k3d", k3dHeader(0x0AAAAAABu, 0x02AAAAABu), 0, 0, tooBig},
      {"beyond.k3d", k3dHeader(8, 12) + std::string(100, '\0'), 0, 0, tooBig},
      {"short-header.k3d", cube.substr(0, 100), 0, 0, nullptr},
      {"zero-faces.k3d", k3dHeader(8, 0) + std::string(8 * 24, '\0'), 0, 0, nullptr},
      {"bad-index.k3d", badIndex, 8, 11, nullptr},
      {"negative-index.k3d", negative, 8, 11, nullptr},
      {"all-faces-bad.k3d", allBad, 0, 0, noFaces},
      {"name-without-nul.k3d", k3dHeader(8, 12, std::string(260, 'A')) + cube.substr(272), 8, 12, nullptr},
      {"bad-indices.ase", aseTriangle("*MESH_FACE 0: A: 0 B: 3 C: 2"), 0, 0, noFaces},
      {"huge-index.ase", aseTriangle("*MESH_FACE 0: A: 0 B: 4294967297 C: 2"), 0, 0, noFaces},
      {"truncated.ase", head + "*MESH_VERTEX 0 0 0 0\n*MESH_VERTEX 1 1 0 0\n*MESH_VERTEX 2 1", 0, 0, nullptr},
      {"ends-in-a-marker.ase", head + "*MESH_VERTEX ", 0, 0, nullptr},
      {"one-face-of-two.ase", aseTriangle(kFace + "\n*MESH_FACE 1: A: 9", "", 2), 3, 1, nullptr},
      {"bad-face.mk", mkText(kTent, {{0, 1, 2}, {0, 1, 99}, {-1, 0, 1}}), 4, 1, nullptr},
      {"truncated.mk", mkText(kTent, kTentFaces).substr(0, 60), 0, 0, nullptr},
      {"long-line.mk", "\"object\" 0 0 1\r" + std::string(5000, '7') + "\r", 0, 0, nullptr},
      {"last-line-without-end.mk", "\"object\" 0 0 3\r0 0 0 0\r1 1 0 0\r2 0 1 0\r0\r1\r0 0 1 2", 3, 1, nullptr},
  };
  for (const auto &c : cases) {
    recorder->clear();
    K3D m;
    std::string path = c.bytes.empty() ? dir + "/" + c.name : write(c.name, c.bytes);
    EXPECT_EQ(loadByName(m, path, true), c.faces > 0) << c.name;
    EXPECT_EQ(m._pointCount, c.points) << c.name;
    EXPECT_EQ(m._faceCount, c.faces) << c.name;
    EXPECT_EQ(m.meshPtr == nullptr, c.faces == 0) << c.name;
    EXPECT_LT(strlen(m._textureFileName), 260u) << c.name;
    EXPECT_EQ(m.surf_texture, nullptr) << c.name;
    EXPECT_TRUE(!c.title || recorder->count(c.title) == 1) << c.name;
  }
}

// Deterministic byte flips and cuts of the three cube files: every variant
// loads or fails without touching memory outside the arrays (checked when
// built with AddressSanitizer).
TEST_F(K3DTest, DamagedCubesNeverBreakTheLoaders) {
  uint32_t seed = 12345;
  auto next = [&seed]() { return seed = seed * 1103515245u + 12345u, seed >> 8; };
  for (const char *name : {"cube.ase", "cube.mk", "cube.k3d"}) {
    std::string original = readFile(kMeshDir + name);
    for (int round = 0; round < 200; round++) {
      std::string bytes = original;
      for (int flips = 1 + next() % 8; flips > 0; flips--)
        bytes[next() % bytes.size()] = (char)next();
      if (round % 4 == 0)
        bytes.resize(next() % bytes.size());
      K3D m;
      bool ok = loadByName(m, write(std::string("damaged") + (name + 4), bytes), false);
      for (int i = 0; ok && i < m._faceCount; i++)
        for (int32_t p : {m.meshFacesPtr[i].pt1, m.meshFacesPtr[i].pt2, m.meshFacesPtr[i].pt3})
          ASSERT_TRUE(p >= 0 && p < m._pointCount);
    }
  }
}

// ---- textures owned or lent -------------------------------------------------------

struct CountedPicture : KGraphicGL {
  static int deleted;
  ~CountedPicture() override { deleted++; }
};
int CountedPicture::deleted = 0;

TEST_F(K3DTest, MeshDeletesOnlyTheTextureItLoaded) {
  CountedPicture::deleted = 0;
  CountedPicture *mine = new CountedPicture();
  {
    K3D m;
    // Asked to load a texture that is missing: nothing is owned.
    ASSERT_TRUE(m.load(write("t.ase", aseTriangle(kFace, "*BITMAP \"missing.png\"")).c_str(), 1, true));
    m.setTexture(mine);
    m.freeModel();
    EXPECT_EQ(m.surf_texture, mine);
    ASSERT_TRUE(m.load((kMeshDir + "cube.ase").c_str(), 1, true)); // loads its own, beside it
    EXPECT_NE(m.surf_texture, mine);
    m.setTexture(m.surf_texture); // its own again: kept, still owned
    EXPECT_TRUE(m._textureLoaded);
    EXPECT_EQ(m.surf_texture->getWidth(), 64);
    m.setTexture(mine); // deletes its own, lends the caller's
    EXPECT_FALSE(m._textureLoaded);
  }
  EXPECT_EQ(CountedPicture::deleted, 0);
  delete mine;
}

// ---- drawing ----------------------------------------------------------------------

TEST_F(K3DTest, FactoryMeshAndZeroHeightProjectionAreUsable) {
  K3D *m = KNUX::createK3D();
  EXPECT_NE(m, nullptr);
  delete m;
  K3D::initK3D(W, 0);
  float matrix[16];
  glGetFloatv(GL_PROJECTION_MATRIX, matrix);
  for (float v : matrix)
    EXPECT_TRUE(std::isfinite(v));
}

// A lit triangle in screen coordinates, then blended half over blue with
// both alpha modes.
TEST_F(K3DTest, LitTriangleInScreenCoordinatesAndBlendingMixesWithWhatIsBehind) {
  K3D m;
  ASSERT_TRUE(m.loadMk(write("tri.mk", kTriangle).c_str(), 100, false));
  startFrame(true);
  m.display(200, 150, 0, 0, 0, 0);
  PixelReader r = capture();
  // Corners on screen: (150, 200), (250, 200), (150, 100); the lower-left half.
  Rgba inside = r.at(170, 180);
  EXPECT_GT(inside.r, 140);
  EXPECT_EQ(inside.r, inside.g);
  EXPECT_EQ(inside.g, inside.b);
  EXPECT_EQ(r.at(240, 110), kBlack);
  EXPECT_EQ(r.at(140, 180), kBlack);
  const float half = inside.r * 0.5f;
  for (bool regular : {true, false}) {
    startFrame(true, 1);
    m.enableBlending(true, 0.5f);
    m.setAlphaMode(regular);
    m.display(200, 150, 0, 0, 0, 0);
    Rgba p = capture().at(170, 180);
    EXPECT_NEAR(p.r, half, 3);
    EXPECT_NEAR(p.b, regular ? half + 127 : 255, 3); // mixed, or added
  }
  K3D::endScene();
}

TEST_F(K3DTest, PerspectiveShowsWhatLiesBeforeTheFarPlane) {
  K3D m;
  ASSERT_TRUE(m.loadMk(write("tri.mk", mkText({{-1, -1, 0}, {1, -1, 0}, {0, 1, 0}}, {{0, 1, 2}})).c_str(), 1, false));
  startFrame(false);
  m.display(0, 0, -5, 0, 0, 0);
  PixelReader near5 = capture();
  startFrame(false);
  m.display(0, 0, -150, 0, 0, 0);
  PixelReader far150 = capture();
  K3D::endScene();
  EXPECT_GT(near5.at(W / 2, H / 2).r, 100);
  // A 2-unit triangle 5 units away spans about 2 / (2 * 5 * tan 22.5) of the height.
  int rows = near5.countNear(W / 2, 0, W / 2 + 1, H, near5.at(W / 2, H / 2), 40);
  EXPECT_NEAR(rows, H * 2 / (10 * std::tan(22.5 * M_PI / 180)), 6);
  EXPECT_EQ(far150.countNear(0, 0, W, H, kBlack), W * H);
}

TEST_F(K3DTest, FlatAndGouraudShadingDiffer) {
  K3D m;
  ASSERT_TRUE(m.loadMk(write("tent.mk", mkText(kTent, kTentFaces)).c_str(), 100, false));
  // The light sits near the bottom-left corner: the left face (tilted to -x)
  // is lit, the right one only by the ambient light.
  startFrame(true);
  m.displayFlat(200, 150, 0, 0, 0, 0);
  PixelReader flat = capture();
  startFrame(true);
  m.setShadeMode(ESM_GOURAUD);
  m.display(200, 150, 0, 0, 0, 0);
  PixelReader smooth = capture();
  K3D::endScene();
  // Flat: the tone jumps at the shared edge, the left face much brighter.
  EXPECT_GT(flat.at(198, 150).r, flat.at(202, 150).r + 40);
  // Gouraud: no jump at the shared edge; the left face darkens toward it.
  EXPECT_NEAR(smooth.at(198, 150).r, smooth.at(202, 150).r, 8);
  EXPECT_GT(smooth.at(115, 150).r, smooth.at(198, 150).r + 40);
  EXPECT_GT(smooth.at(115, 150).r, flat.at(202, 150).r);
}

TEST_F(K3DTest, TexturedFaceShowsItsTextureAndBlitsBindTheirOwnAfterwards) {
  // A 2 x 2 square facing the viewer, texture corners (0,0) .. (1,1).
  std::string square = "*MESH_NUMVERTEX 4\n*MESH_NUMFACES 2\n*MESH_VERTEX_LIST {\n*MESH_VERTEX 0 -1 -1 0\n"
                       "*MESH_VERTEX 1 1 -1 0\n*MESH_VERTEX 2 1 1 0\n*MESH_VERTEX 3 -1 1 0\n}\n"
                       "*MESH_FACE_LIST {\n*MESH_FACE 0: A: 0 B: 1 C: 2\n*MESH_FACE 1: A: 0 B: 2 C: 3\n}\n"
                       "*MESH_NUMTVERTEX 4\n*MESH_TVERTLIST {\n*MESH_TVERT 0 0 0 0\n*MESH_TVERT 1 1 0 0\n"
                       "*MESH_TVERT 2 1 1 0\n*MESH_TVERT 3 0 1 0\n}\n*MESH_NUMTVFACES 2\n*MESH_TFACELIST {\n"
                       "*MESH_TFACE 0 0 1 2\n*MESH_TFACE 1 0 2 3\n}\n";
  K3D m;
  ASSERT_TRUE(m.load(write("square.ase", square).c_str(), 50, false));
  KGraphicGL texture, magenta, wide;
  ASSERT_TRUE(texture.loadPicture((kMeshDir + "cube.png").c_str(), true, true));
  std::vector<uint32_t> px(64 * 64, 0xFFFF00FFu);
  ASSERT_TRUE(magenta.makePictureFromArray(px.data(), 64, 64, true, false));
  ASSERT_TRUE(wide.makePictureFromArray(px.data(), 64, 32, true, false));

  startFrame(true);
  window->setWorldView(0, 0, 0, 1, false);
  magenta.blitRect(0, 0, 64, 64, 300, 20, false, false); // the binding cache now holds it
  K3D::beginScene(true, true);
  m.setTexture(&texture);
  m.display(100, 150, 0, 0, 0, 0); // square from (50, 100) to (150, 200)
  m.setTexture(&wide);             // not a square power of two: drawn untextured
  m.display(250, 150, 0, 0, 0, 0);
  K3D::endScene();
  window->setWorldView(0, 0, 0, 1, false);
  magenta.blitRect(0, 0, 64, 64, 300, 220, false, false);
  PixelReader r = capture();

  // Red top-left, green top-right, blue bottom-left, yellow bottom-right,
  // each darkened by the light.
  Rgba tl = r.at(70, 120), tr = r.at(130, 120), bl = r.at(70, 180), br = r.at(130, 180);
  EXPECT_TRUE(tl.r > 100 && tl.g < 20 && tl.b < 20);
  EXPECT_TRUE(tr.g > 100 && tr.r < 20 && tr.b < 20);
  EXPECT_TRUE(bl.b > 100 && bl.r < 20 && bl.g < 20);
  EXPECT_TRUE(br.r > 100 && br.g > 100 && br.b < 20);
  Rgba plain = r.at(250, 150);
  EXPECT_TRUE(plain.r > 100 && plain.r == plain.g && plain.g == plain.b);
  EXPECT_EQ(r.at(330, 250), (Rgba{255, 0, 255, 255}));
  m.setTexture(nullptr);
}

} // namespace
