// Where "prefs" and screenshots go: beside a writable resource folder, in the
// user's XDG folders for a read-only one.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "KMiscTools.h"
#include "userfiles.h"

namespace {

bool IsFolder(const std::string &path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

class UserFilesTest : public ::testing::Test {
protected:
  void SetUp() override {
    root = "/tmp/trivello-userfiles-" + std::to_string(getpid());
    system(("rm -rf " + root + " && mkdir -p " + root + "/res").c_str());
    strcpy(savedApp, KMiscTools::currentAppPath);
    strcpy(savedFile, KMiscTools::currentFilePath);
    savedPackage = KMiscTools::_inPackage;
    SaveEnv("HOME", savedHome);
    SaveEnv("XDG_CONFIG_HOME", savedConfig);
    SaveEnv("XDG_DATA_HOME", savedData);
  }
  void TearDown() override {
    strcpy(KMiscTools::currentAppPath, savedApp);
    strcpy(KMiscTools::currentFilePath, savedFile);
    KMiscTools::_inPackage = savedPackage;
    RestoreEnv("HOME", savedHome);
    RestoreEnv("XDG_CONFIG_HOME", savedConfig);
    RestoreEnv("XDG_DATA_HOME", savedData);
    system(("rm -rf " + root).c_str());
  }
  static void SaveEnv(const char *name, std::string &out) {
    const char *v = getenv(name);
    out = v ? std::string("=") + v : "";
  }
  static void RestoreEnv(const char *name, const std::string &saved) {
    if (saved.empty())
      unsetenv(name);
    else
      setenv(name, saved.c_str() + 1, 1);
  }
  // Points the engine at an application folder under the test's root.
  void UseApp(const std::string &app) {
    snprintf(KMiscTools::currentAppPath, 260, "%s", (root + "/" + app).c_str());
    snprintf(KMiscTools::currentFilePath, 260, "%s", root.c_str());
    KMiscTools::_inPackage = true;
  }
  std::string root, savedHome, savedConfig, savedData;
  char savedApp[260], savedFile[260];
  bool savedPackage;
};

TEST_F(UserFilesTest, ChoiceFollowsWhetherTheResourceFolderIsWritable) {
  struct Case {
    bool writable;
    const char *base;     // relative to root; null: no user folder
    const char *expected; // relative to root
  } cases[] = {
      {true, "cfg", "res"},                         // a build folder keeps its files
      {false, "cfg", "cfg/trivello"},               // an installed copy uses the user's folder
      {false, "new/deeper", "new/deeper/trivello"}, // missing parents are made
      {false, nullptr, "res"},                      // nowhere better: the old place
  };
  for (const Case &c : cases) {
    std::string base = c.base ? root + "/" + c.base : "";
    std::string got = ChooseUserFolder(root + "/res", c.writable, c.base ? base.c_str() : nullptr);
    EXPECT_EQ(got, root + "/" + c.expected) << c.expected;
    EXPECT_TRUE(IsFolder(got)) << got;
  }
}

TEST_F(UserFilesTest, UserFolderIsPrivateAndARelativeBaseIsRefused) {
  std::string got = ChooseUserFolder(root + "/res", false, (root + "/cfg").c_str());
  struct stat st;
  ASSERT_EQ(stat(got.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(ChooseUserFolder(root + "/res", false, "relative/cfg"), root + "/res");
}

TEST_F(UserFilesTest, WritableResourceFolderKeepsPrefsAndScreenshots) {
  system(("mkdir -p " + root + "/Trivello/Contents/Resources").c_str());
  UseApp("Trivello");
  setenv("XDG_CONFIG_HOME", (root + "/cfg").c_str(), 1);
  std::string res = root + "/Trivello/Contents/Resources";
  EXPECT_EQ(std::string(PrefsPath()), res + "/prefs");
  EXPECT_EQ(std::string(ScreenshotFolder()), res);
  EXPECT_FALSE(IsFolder(root + "/cfg/trivello"));
}

// A resource folder the game cannot write to (here one that is not there;
// the installed read-only copy is driven end to end by the install test).
TEST_F(UserFilesTest, UnwritableResourceFolderSendsFilesToTheXdgFolders) {
  UseApp("Installed");
  setenv("HOME", (root + "/home").c_str(), 1);
  struct Case {
    const char *config, *data; // null: unset
    const char *prefs, *shots;
  } cases[] = {
      {"/xc", "/xd", "/xc/trivello/prefs", "/xd/trivello"},
      {nullptr, nullptr, "/home/.config/trivello/prefs", "/home/.local/share/trivello"},
      {"relative", "relative", "/home/.config/trivello/prefs", "/home/.local/share/trivello"},
  };
  for (const Case &c : cases) {
    auto set = [&](const char *name, const char *v) {
      if (!v)
        unsetenv(name);
      else
        setenv(name, v[0] == '/' ? (root + v).c_str() : v, 1);
    };
    set("XDG_CONFIG_HOME", c.config);
    set("XDG_DATA_HOME", c.data);
    EXPECT_EQ(std::string(PrefsPath()), root + c.prefs);
    EXPECT_EQ(std::string(ScreenshotFolder()), root + c.shots);
    EXPECT_TRUE(IsFolder(root + c.shots));
  }
}

} // namespace
