// GLWindowFixture: see GLWindowFixture.h.
#include "support/GLWindowFixture.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "KMiscTools.h"

namespace testsupport {

KWindowGL *GLWindowFixture::window = nullptr;
MessageBoxRecorder *GLWindowFixture::recorder = nullptr;
std::string GLWindowFixture::dir;

std::string readFile(const std::string &path) {
  std::string out;
  FILE *f = fopen(path.c_str(), "rb");
  char buf[4096];
  for (size_t n; f && (n = fread(buf, 1, sizeof buf, f)) > 0;)
    out.append(buf, n);
  if (f)
    fclose(f);
  return out;
}

ResourceFolder::ResourceFolder(const std::string &folder) {
  strcpy(_path, KMiscTools::currentFilePath);
  strcpy(_app, KMiscTools::currentAppPath);
  _package = KMiscTools::_inPackage;
  snprintf(KMiscTools::currentFilePath, 260, "%s", folder.c_str());
  snprintf(KMiscTools::currentAppPath, 260, "%s/app", folder.c_str());
  KMiscTools::_inPackage = false;
}

ResourceFolder::~ResourceFolder() {
  strcpy(KMiscTools::currentFilePath, _path);
  strcpy(KMiscTools::currentAppPath, _app);
  KMiscTools::_inPackage = _package;
}

void GLWindowFixture::openWindow(int w, int h, bool use3D, const char *title) {
  recorder = new MessageBoxRecorder();
  window = new KWindowGL(use3D);
  ASSERT_TRUE(window->createGameWindow(w, h, 16, true, title));
  // Capitals in the folder's name: names below the resource folder keep them.
  char tmpl[] = "/tmp/Trivello-Test-XXXXXX";
  dir = mkdtemp(tmpl) ? tmpl : "/tmp";
}

void GLWindowFixture::TearDownTestSuite() {
  delete window;
  window = nullptr;
  delete recorder;
  recorder = nullptr;
  if (system(("rm -rf '" + dir + "'").c_str()) != 0)
    fprintf(stderr, "could not remove %s\n", dir.c_str());
}

PixelReader GLWindowFixture::capture() {
  PixelReader r((int)window->getWindowWidth(), (int)window->getWindowHeight());
  r.capture();
  return r;
}

std::string GLWindowFixture::write(const std::string &name, const std::string &bytes) {
  std::string path = dir + "/" + name;
  FILE *f = fopen(path.c_str(), "wb");
  EXPECT_TRUE(f != nullptr) << path;
  if (f) {
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
  }
  return path;
}

} // namespace testsupport
