// Paths, clocks, waiting, folders and byte order of KMiscTools.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>

#include "KMiscTools.h"

namespace {

// A clock under the test's control: sleeping advances it.
class FakeClock : public KClock {
public:
  uint64_t now = 0;
  uint64_t slept = 0;
  uint64_t microseconds() override { return now; }
  void sleep(uint32_t ms) override {
    now += (uint64_t)ms * 1000;
    slept += ms;
  }
};

class MiscToolsTest : public ::testing::Test {
protected:
  void SetUp() override {
    strcpy(KMiscTools::currentAppPath, "/Apps/Game.app");
    strcpy(KMiscTools::currentFilePath, "/Apps");
    KMiscTools::setFileSource(true);
    KMiscTools::setClock(&clock);
  }
  void TearDown() override {
    KMiscTools::setClock(nullptr);
    KMiscTools::setEventDispatcher(nullptr);
    KMiscTools::setMessageBoxHandler(nullptr);
    KMiscTools::setOpener(nullptr);
  }
  FakeClock clock;
};

TEST_F(MiscToolsTest, MakeFilePathResolvesGameNames) {
  struct Case {
    bool inPackage;
    const char *name;
    const char *expected;
  } cases[] = {
      {true, "gfx\\wow.jpg", "/Apps/Game.app/Contents/Resources/gfx/wow.jpg"},
      {true, "\\gfx\\wow.jpg", "/Apps/Game.app/Contents/Resources/gfx/wow.jpg"},
      {true, "/tmp/x", "/tmp/x"},
      {true, "\\/tmp/x", "/tmp/x"},
      {true, "prefs", "/Apps/Game.app/Contents/Resources/prefs"},
      {false, "gfx\\wow.jpg", "/Apps/gfx/wow.jpg"},
      {false, "data\\sub\\eng.ini", "/Apps/data/sub/eng.ini"},
  };
  for (const Case &c : cases) {
    KMiscTools::setFileSource(c.inPackage);
    EXPECT_STREQ(KMiscTools::makeFilePath(c.name), c.expected) << c.name;
  }
}

TEST_F(MiscToolsTest, MakeFilePathTakesBackAPathItMade) {
  const char *path = KMiscTools::makeFilePath("gfx\\wow.jpg");
  EXPECT_EQ(KMiscTools::makeFilePath(path), path); // the same static buffer
  EXPECT_STREQ(KMiscTools::makeFilePath(path), "/Apps/Game.app/Contents/Resources/gfx/wow.jpg");
}

TEST_F(MiscToolsTest, MakeFilePathCutsLongPathsTo259Bytes) {
  std::string name(400, 'a');
  name[300] = '\\';
  const char *path = KMiscTools::makeFilePath(name.c_str());
  EXPECT_EQ(strlen(path), 259u);
  EXPECT_EQ(std::string(path).rfind("/Apps/Game.app/Contents/Resources/aaa", 0), 0u);
  EXPECT_EQ(strchr(path, '\\'), nullptr);
}

TEST_F(MiscToolsTest, CurrentPathFollowsFileSource) {
  EXPECT_STREQ(KMiscTools::getCurrentPath(), "/Apps/Game.app/Contents/Resources");
  KMiscTools::setFileSource(false);
  EXPECT_STREQ(KMiscTools::getCurrentPath(), "/Apps");
}

TEST(MiscToolsPaths, CleanPathTurnsColonsAndBackslashesIntoSlashes) {
  char path[] = "x:y\\z";
  KMiscTools::cleanPath(path);
  EXPECT_STREQ(path, "x/y/z");
}

TEST(MiscToolsInit, InitFindsTheFolderOfTheExecutable) {
  char saveApp[260], saveFile[260];
  strcpy(saveApp, KMiscTools::currentAppPath);
  strcpy(saveFile, KMiscTools::currentFilePath);
  KMiscTools::currentAppPath[0] = 0;
  KMiscTools::currentFilePath[0] = 0;
  KMiscTools::initMiscTools();
  char exe[4096];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
  ASSERT_GT(n, 0);
  exe[n] = 0;
  std::string e(exe);
  std::string app = e.substr(0, e.rfind('/'));
  EXPECT_EQ(KMiscTools::currentAppPath, app);
  EXPECT_EQ(KMiscTools::currentFilePath, app.substr(0, app.rfind('/')));
  // Later calls change nothing.
  strcpy(KMiscTools::currentAppPath, "/elsewhere");
  KMiscTools::initMiscTools();
  EXPECT_STREQ(KMiscTools::currentAppPath, "/elsewhere");
  strcpy(KMiscTools::currentAppPath, saveApp);
  strcpy(KMiscTools::currentFilePath, saveFile);
}

TEST_F(MiscToolsTest, MillisecondsUseOnlyTheLow32BitsOfTheMicrosecondCounter) {
  clock.now = 0xffffffffull - 999; // just before the 32-bit wrap
  EXPECT_EQ(KMiscTools::getMilliseconds(), 4294966u);
  clock.now = 0x100000000ull; // wrapped
  EXPECT_EQ(KMiscTools::getMilliseconds(), 0u);
  clock.now = 0x500000000ull + 123456789; // high bits are ignored
  EXPECT_EQ(KMiscTools::getMilliseconds(), 123456u);
  clock.now = 2000000; // two seconds
  EXPECT_EQ(KMiscTools::getTheTicks(), 120u);
}

TEST_F(MiscToolsTest, PauseWaitsTheRequestedTimeWithoutSpinning) {
  clock.now = 5000000;
  KMiscTools::pause(100, false);
  EXPECT_GE(clock.now - 5000000, 100000u);
  EXPECT_LE(clock.now - 5000000, 101000u);
  EXPECT_GE(clock.slept, 100u);
}

TEST_F(MiscToolsTest, PauseEndsAtOnceWhenTheCounterWraps) {
  clock.now = 0xffffffffull - 500; // the next millisecond wraps
  KMiscTools::pause(3000, false);
  EXPECT_LE(clock.slept, 2u);
}

static int g_dispatched = 0;
static void countDispatch() { g_dispatched++; }

TEST_F(MiscToolsTest, PauseDispatchesEventsOnlyWhenAsked) {
  KMiscTools::setEventDispatcher(countDispatch);
  g_dispatched = 0;
  KMiscTools::pause(10, false);
  EXPECT_EQ(g_dispatched, 0);
  KMiscTools::pause(10, true);
  EXPECT_GE(g_dispatched, 10);
  EXPECT_LE(g_dispatched, 12);
}

static std::string g_boxTitle, g_boxText;
static void recordBox(const char *title, const char *text) {
  g_boxTitle = title;
  g_boxText = text;
}

TEST_F(MiscToolsTest, MessageBoxGoesThroughTheHandlerWithTextsCutTo255Bytes) {
  KMiscTools::setMessageBoxHandler(recordBox);
  std::string longText(600, 'x');
  KMiscTools::messageBox("Error", longText.c_str());
  EXPECT_EQ(g_boxTitle, "Error");
  EXPECT_EQ(g_boxText, std::string(255, 'x'));
}

TEST(MiscToolsBytes, FlipsReverseByteOrder) {
  EXPECT_EQ(KMiscTools::flipUnsignedLong(0x11223344u), 0x44332211u);
  EXPECT_EQ(KMiscTools::flipLong((int32_t)0x80000001), (int32_t)0x01000080);
  EXPECT_EQ(KMiscTools::flipShort((short)0x0180), (short)-32767);
  EXPECT_EQ(KMiscTools::flipUnsignedShort(0xabcd), 0xcdab);
  EXPECT_EQ(KMiscTools::flipFloat(KMiscTools::flipFloat(1.5f)), 1.5f);
  float f = 1.0f; // 3f 80 00 00
  float flipped = KMiscTools::flipFloat(f);
  unsigned char bytes[4];
  memcpy(bytes, &flipped, 4);
  EXPECT_EQ(bytes[0], 0x3f);
  EXPECT_EQ(bytes[1], 0x80);
  EXPECT_EQ(KMiscTools::flipDouble(KMiscTools::flipDouble(-2.25)), -2.25);
}

TEST(MiscToolsTime, YearIsPlausible) {
  int32_t year = KMiscTools::getYear();
  EXPECT_GE(year, 2024);
  EXPECT_LT(year, 2200);
}

class TempFolder {
public:
  TempFolder() {
    char pattern[] = "/tmp/trivello-misc-XXXXXX";
    path = mkdtemp(pattern);
  }
  ~TempFolder() { std::system(("rm -rf '" + path + "'").c_str()); }
  void file(const std::string &name, const std::string &content = "x") { std::ofstream(path + "/" + name) << content; }
  std::string path;
};

static std::map<std::string, bool> g_listed;
static int g_stopAfter = 1000;
static bool collect(char *name, bool isFolder) {
  g_listed[name] = isFolder;
  return (int)g_listed.size() < g_stopAfter;
}

TEST(MiscToolsFolders, EnumerateFolderSkipsOnlyTheDotEntry) {
  TempFolder t;
  t.file("a.txt");
  t.file("b.ini");
  mkdir((t.path + "/sub").c_str(), 0755);
  g_listed.clear();
  g_stopAfter = 1000;
  KMiscTools::enumerateFolder((t.path + "/").c_str(), collect);
  EXPECT_EQ(g_listed.count("."), 0u);
  EXPECT_EQ(g_listed.count("a.txt"), 1u);
  EXPECT_EQ(g_listed.count("b.ini"), 1u);
  ASSERT_EQ(g_listed.count("sub"), 1u);
  EXPECT_TRUE(g_listed["sub"]);
  EXPECT_FALSE(g_listed["a.txt"]);

  // The "*.*" wildcard ending is cut off; a false answer stops the listing.
  g_listed.clear();
  g_stopAfter = 1;
  KMiscTools::enumerateFolder((t.path + "/*.*").c_str(), collect);
  EXPECT_EQ(g_listed.size(), 1u);

  // Nothing happens for null arguments or a missing folder.
  g_listed.clear();
  KMiscTools::enumerateFolder(nullptr, collect);
  KMiscTools::enumerateFolder(t.path.c_str(), nullptr);
  KMiscTools::enumerateFolder("/no/such/folder/", collect);
  EXPECT_TRUE(g_listed.empty());
}

TEST(MiscToolsFolders, UserAndPreferencesFoldersFollowTheEnvironment) {
  std::string oldHome = getenv("HOME") ? getenv("HOME") : "";
  const char *oldXdg = getenv("XDG_CONFIG_HOME");
  std::string savedXdg = oldXdg ? oldXdg : "";
  setenv("HOME", "/home/quiz", 1);
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_STREQ(KMiscTools::getUserFolder(), "/home/quiz");
  EXPECT_STREQ(KMiscTools::getPreferencesFolder(), "/home/quiz/.config");
  setenv("XDG_CONFIG_HOME", "/etc/xdg-test", 1);
  EXPECT_STREQ(KMiscTools::getPreferencesFolder(), "/etc/xdg-test");
  setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
  EXPECT_STREQ(KMiscTools::getPreferencesFolder(), "/home/quiz/.config");
  setenv("HOME", oldHome.c_str(), 1);
  if (oldXdg)
    setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
}

static std::string readFile(const std::string &path) {
  std::ifstream in(path);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(MiscToolsLaunch, UrlReachesTheOpenerAsOneArgumentWithoutAShell) {
  TempFolder t;
  std::string script = t.path + "/opener";
  std::ofstream(script) << "#!/bin/sh\nprintf '%s|%s\\n' \"$#\" \"$1\" > '" << t.path << "/args'\n";
  chmod(script.c_str(), 0755);
  KMiscTools::setOpener(script.c_str(), true); // the launch returns once the opener has run
  std::string url = "http://example.invalid/?a=1;touch " + t.path + "/pwned&b=$(id)";
  KMiscTools::launchURL(url.c_str(), false);
  EXPECT_EQ(readFile(t.path + "/args"), "1|" + url + "\n");
  EXPECT_NE(access((t.path + "/pwned").c_str(), F_OK), 0);

  // A document that does not exist is not opened; an existing one is.
  unlink((t.path + "/args").c_str());
  KMiscTools::launchFile((t.path + "/missing.txt").c_str(), false);
  EXPECT_NE(access((t.path + "/args").c_str(), F_OK), 0);
  t.file("doc.txt");
  KMiscTools::launchFile((t.path + "/doc.txt").c_str(), false);
  EXPECT_EQ(readFile(t.path + "/args"), "1|" + t.path + "/doc.txt\n");
  // A URL that would read as an option is not passed on.
  unlink((t.path + "/args").c_str());
  KMiscTools::launchURL("--help", false);
  EXPECT_NE(access((t.path + "/args").c_str(), F_OK), 0);
  KMiscTools::setOpener(nullptr);
}

} // namespace

// ---- KLog ------------------------------------------------------------------

namespace {

// A folder for the log file; afterwards the log is put back as the engine
// starts: no file, default switches, the file kept open.
class LogTest : public ::testing::Test {
protected:
  void TearDown() override {
    KLog::setLogFolder(nullptr);
    KLog::setFileType(kLogKeepFilesOpen);
    KLog::logInfo(true);
    KLog::logError(true);
    KLog::logFatal(true);
    KLog::logDebug(false);
    KMiscTools::setMessageBoxHandler(nullptr);
  }
  // What one message writes to standard error.
  static std::string stderrOf(KLogType type, const char *message) {
    testing::internal::CaptureStderr();
    KLog::logMessage(type, message);
    return testing::internal::GetCapturedStderr();
  }
  TempFolder folder;
  std::string logPath = folder.path + "/trivello.log";
};

void ignoreBox(const char *, const char *) {}

} // namespace

TEST_F(LogTest, EachTypeWritesOneLineToStderrAndTheFileWhenSwitchedOn) {
  struct Case {
    KLogType type;
    void (*enable)(bool);
    const char *line;
    bool onAtStart;
  } cases[] = {
      {kInfo, KLog::logInfo, "info: m\n", true},
      {kError, KLog::logError, "error: m\n", true},
      {kFatal, KLog::logFatal, "fatal: m\n", true},
      {kDebug, KLog::logDebug, "debug: m\n", false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.line);
    ASSERT_TRUE(KLog::setLogFolder(folder.path.c_str()));
    EXPECT_EQ(stderrOf(c.type, "m"), c.onAtStart ? c.line : "");
    c.enable(false);
    EXPECT_EQ(stderrOf(c.type, "m"), "");
    c.enable(true);
    EXPECT_EQ(stderrOf(c.type, "m"), c.line);
    KLog::setLogFolder(nullptr); // closes the file, so it can be read whole
    EXPECT_EQ(readFile(logPath), c.onAtStart ? std::string(c.line) + c.line : c.line);
    unlink(logPath.c_str());
    c.enable(c.onAtStart);
  }
}

TEST_F(LogTest, FileIsAppendedToUnderBothPoliciesAndOnlyWhileAFolderIsSet) {
  EXPECT_FALSE(KLog::setLogFolder((folder.path + "/missing").c_str()));
  EXPECT_STREQ(KLog::getLogPath(), "");
  EXPECT_EQ(stderrOf(kError, "still seen"), "error: still seen\n");
  for (KLogFileType policy : {kLogKeepFilesOpen, kLogOpenAndCloseFiles}) {
    SCOPED_TRACE(policy);
    KLog::setFileType(policy);
    folder.file("trivello.log", "earlier run\n");
    ASSERT_TRUE(KLog::setLogFolder(folder.path.c_str()));
    EXPECT_EQ(KLog::getLogPath(), logPath);
    EXPECT_EQ(stderrOf(kError, "two\nlines\r"), "error: two lines \n");
    KLog::logFormat(kError, "picture %s is %d wide", "a.png", -1);
    // Written through at once, also while the file stays open.
    EXPECT_EQ(readFile(logPath), "earlier run\nerror: two lines \nerror: picture a.png is -1 wide\n");
    KLog::setLogFolder("");
    KLog::logMessage(kError, "after");
    EXPECT_EQ(readFile(logPath), "earlier run\nerror: two lines \nerror: picture a.png is -1 wide\n");
  }
  // A log grown past its bound is started afresh; one at the bound is kept.
  for (long size : {KLog::kLogMaxBytes, KLog::kLogMaxBytes + 1}) {
    folder.file("trivello.log", std::string((size_t)size, 'x'));
    ASSERT_TRUE(KLog::setLogFolder(folder.path.c_str()));
    stderrOf(kError, "next run");
    KLog::setLogFolder("");
    std::string text = readFile(logPath);
    if (size > KLog::kLogMaxBytes)
      EXPECT_EQ(text, "error: next run\n");
    else
      EXPECT_EQ(text.size(), (size_t)size + strlen("error: next run\n"));
  }
}

TEST_F(LogTest, MessageBoxesAreLogged) {
  KMiscTools::setMessageBoxHandler(ignoreBox);
  testing::internal::CaptureStderr();
  KMiscTools::messageBox("OpenGL not installed", "openGL error");
  KMiscTools::messageBox("No Vertices", nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "info: message box: OpenGL not installed: openGL error\ninfo: message box: No Vertices: \n");
}
