// GLWindowFixture: one real window for a whole test suite (Xvfb, Mesa), a
// recorder in place of the message box, a scratch folder and pixel capture.
// A suite derives from it and opens its window in SetUpTestSuite.
#ifndef TESTSUPPORT_GLWINDOWFIXTURE_H
#define TESTSUPPORT_GLWINDOWFIXTURE_H

#include <gtest/gtest.h>

#include <string>

#include "KWindowGL.h"
#include "support/MessageBoxRecorder.h"
#include "support/PixelReader.h"

namespace testsupport {

std::string readFile(const std::string &path);

// Points the resource folder (and the application folder below it) at a
// folder for the object's lifetime, outside any package.
class ResourceFolder {
public:
  explicit ResourceFolder(const std::string &folder);
  ~ResourceFolder();

private:
  char _path[260], _app[260];
  bool _package;
};

class GLWindowFixture : public ::testing::Test {
protected:
  // A window of w x h drawing pixels (with a depth buffer for 3D) and a
  // fresh scratch folder.
  static void openWindow(int w, int h, bool use3D, const char *title);
  static void TearDownTestSuite();
  void SetUp() override { recorder->clear(); }
  // The back buffer as it is now.
  static PixelReader capture();
  // Writes `bytes` to a file of the scratch folder and returns its path.
  static std::string write(const std::string &name, const std::string &bytes);

  static KWindowGL *window;
  static MessageBoxRecorder *recorder;
  static std::string dir;
};

} // namespace testsupport

#endif
