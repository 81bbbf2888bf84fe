// Where "prefs" and screenshots go: beside a writable resource folder, in the
// user's XDG folders for a read-only one.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>

#include "KMiscTools.h"
#include "support/ScratchFolder.h"
#include "userfiles.h"

namespace {

bool IsFolder(const std::string &path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Sets a variable to `value` (below `root` when it starts with '/'), or unsets it for null.
void SetVariable(const char *name, const char *value, const std::string &root) {
  if (!value)
    unsetenv(name);
  else
    setenv(name, value[0] == '/' ? (root + value).c_str() : value, 1);
}

TEST(UserFiles, TheUserFolderIsUsedOnlyForAResourceFolderThatCannotBeWritten) {
  testsupport::ScratchFolder root;
  ASSERT_EQ(system(("mkdir -p '" + root / "res" + "'").c_str()), 0);
  // Whether the resource folder is writable, the user's folder (null: none), the choice.
  std::tuple<bool, const char *, const char *> cases[] = {
      {true, "/cfg", "/res"},                         // a build folder keeps its files
      {false, "/cfg", "/cfg/trivello"},               // an installed copy uses the user's folder
      {false, "/new/deeper", "/new/deeper/trivello"}, // missing parents are made
      {false, nullptr, "/res"},                       // nowhere better: the old place
      {false, "relative/cfg", "/res"},                // a relative base is refused
  };
  for (const auto &[writable, base, expected] : cases) {
    std::string folder = base && base[0] == '/' ? root.path + base : base ? base : "";
    std::string got = ChooseUserFolder(root / "res", writable, base ? folder.c_str() : nullptr);
    EXPECT_EQ(got, root.path + expected) << expected;
    EXPECT_TRUE(IsFolder(got)) << got;
  }
  struct stat st;
  ASSERT_EQ(stat((root / "cfg/trivello").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u) << "private to the user";
}

// Each test sets every folder and variable it reads.
TEST(UserFiles, PrefsAndScreenshotsGoBesideAWritableResourceFolderElseToTheXdgFolders) {
  testsupport::ScratchFolder root;
  ASSERT_EQ(system(("mkdir -p '" + root / "Trivello/Contents/Resources" + "'").c_str()), 0);
  setenv("HOME", (root / "home").c_str(), 1);
  // "Installed" has no resource folder, so the game cannot write there (the
  // installed read-only copy is driven end to end by the install test).
  // The application, XDG_CONFIG_HOME and XDG_DATA_HOME (null: unset), where prefs and screenshots go.
  std::tuple<const char *, const char *, const char *, const char *, const char *> cases[] = {
      {"Installed", "/xc", "/xd", "/xc/trivello/prefs", "/xd/trivello"},
      {"Installed", nullptr, nullptr, "/home/.config/trivello/prefs", "/home/.local/share/trivello"},
      {"Installed", "relative", "relative", "/home/.config/trivello/prefs", "/home/.local/share/trivello"},
      {"Trivello", "/wc", "/wd", "/Trivello/Contents/Resources/prefs", "/Trivello/Contents/Resources"},
  };
  for (const auto &[app, config, data, prefs, shots] : cases) {
    snprintf(KMiscTools::currentAppPath, sizeof KMiscTools::currentAppPath, "%s", (root / app).c_str());
    snprintf(KMiscTools::currentFilePath, sizeof KMiscTools::currentFilePath, "%s", root.path.c_str());
    KMiscTools::_inPackage = true;
    SetVariable("XDG_CONFIG_HOME", config, root.path);
    SetVariable("XDG_DATA_HOME", data, root.path);
    EXPECT_EQ(std::string(PrefsPath()), root.path + prefs);
    EXPECT_EQ(std::string(ScreenshotFolder()), root.path + shots);
    EXPECT_TRUE(IsFolder(root.path + shots));
  }
  EXPECT_FALSE(IsFolder(root / "wc/trivello")) << "a writable resource folder makes no user folder";
}

} // namespace
