// The application folder, paths, clocks, waiting, message boxes, folders, the
// opener, byte order and the log of KMiscTools.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "KMiscTools.h"
#include "support/ManualClock.h"
#include "support/MessageBoxRecorder.h"

using testsupport::ManualClock;

namespace {

// Without a folder set, the application folder is the running program's own
// and the file folder its parent.
TEST(ApplicationFolder, IsThatOfTheRunningProgram) {
  KMiscTools::currentFilePath[0] = 0;
  KMiscTools::initMiscTools();
  std::string binary = TRIVELLO_BINARY_DIR;
  EXPECT_EQ(std::string(KMiscTools::currentAppPath), binary);
  EXPECT_EQ(std::string(KMiscTools::currentFilePath), binary.substr(0, binary.rfind('/')));
}

std::string readFile(const std::string &path) {
  std::ifstream in(path);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A temporary folder; the engine's paths, clock, hooks and log are put back
// as the engine starts afterwards.
class MiscToolsTest : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/trivello-misc-XXXXXX";
    folder = mkdtemp(pattern);
    strcpy(KMiscTools::currentAppPath, "/Apps/Game.app");
    strcpy(KMiscTools::currentFilePath, "/Apps");
    KMiscTools::setFileSource(true);
    KMiscTools::setClock(&clock);
  }
  void TearDown() override {
    KMiscTools::setClock(nullptr);
    KMiscTools::setEventDispatcher(nullptr);
    KMiscTools::setOpener(nullptr);
    KLog::setLogFolder(nullptr);
    KLog::setFileType(kLogKeepFilesOpen);
    KLog::logInfo(true);
    KLog::logError(true);
    KLog::logFatal(true);
    KLog::logDebug(false);
    system(("rm -rf '" + folder + "'").c_str());
  }
  void file(const std::string &name, const std::string &content = "x") {
    std::ofstream(folder + "/" + name) << content;
  }
  // What one message writes to standard error.
  static std::string stderrOf(KLogType type, const char *message) {
    testing::internal::CaptureStderr();
    KLog::logMessage(type, message);
    return testing::internal::GetCapturedStderr();
  }
  ManualClock clock;
  std::string folder;
};

TEST_F(MiscToolsTest, GameNamesBecomePathsInThePackageOrBesideIt) {
  const std::string pkg = "/Apps/Game.app/Contents/Resources";
  const struct {
    bool inPackage;
    const char *name;
    std::string expected;
  } cases[] = {{true, "gfx\\wow.jpg", pkg + "/gfx/wow.jpg"},
               {true, "\\gfx\\wow.jpg", pkg + "/gfx/wow.jpg"},
               {true, "/tmp/x", "/tmp/x"},
               {true, "\\/tmp/x", "/tmp/x"},
               {true, "prefs", pkg + "/prefs"},
               {false, "gfx\\wow.jpg", "/Apps/gfx/wow.jpg"},
               {false, "data\\sub\\eng.ini", "/Apps/data/sub/eng.ini"}};
  for (const auto &c : cases) {
    KMiscTools::setFileSource(c.inPackage);
    EXPECT_EQ(KMiscTools::makeFilePath(c.name), c.expected) << c.name;
    EXPECT_EQ(KMiscTools::getCurrentPath(), c.inPackage ? pkg : "/Apps");
  }
  KMiscTools::setFileSource(true);
  // A path it made is taken back as it is, in the same static buffer.
  const char *path = KMiscTools::makeFilePath("gfx\\wow.jpg");
  EXPECT_EQ(KMiscTools::makeFilePath(path), path);
  EXPECT_EQ(path, pkg + "/gfx/wow.jpg");
  // Long paths are cut to 259 bytes.
  std::string name(400, 'a');
  name[300] = '\\';
  path = KMiscTools::makeFilePath(name.c_str());
  EXPECT_EQ(path, pkg + "/" + std::string(259 - pkg.size() - 1, 'a'));
  char built[] = "x:y\\z";
  KMiscTools::cleanPath(built);
  EXPECT_STREQ(built, "x/y/z");
}

// Milliseconds use only the low 32 bits of the microsecond counter; a pause
// sleeps (never spins) for its time, ends at once when the counter wraps, and
// dispatches events only when asked.
TEST_F(MiscToolsTest, TheClockWrapsAt32BitsAndPausesSleepTheirTime) {
  const std::pair<uint64_t, uint32_t> ms[] = {
      {0xffffffffull - 999, 4294966u}, {0x100000000ull, 0u}, {0x500000000ull + 123456789, 123456u}};
  for (const auto &c : ms) {
    clock.now = c.first;
    EXPECT_EQ(KMiscTools::getMilliseconds(), c.second) << c.first;
  }
  clock.now = 2000000;
  EXPECT_EQ(KMiscTools::getTheTicks(), 120u);
  EXPECT_GE(KMiscTools::getYear(), 2024);

  static int dispatched = 0;
  KMiscTools::setEventDispatcher([] { dispatched++; });
  clock.now = 5000000;
  KMiscTools::pause(100, false);
  EXPECT_GE(clock.now - 5000000, 100000u);
  EXPECT_LE(clock.now - 5000000, 101000u);
  EXPECT_EQ(dispatched, 0);
  KMiscTools::pause(10, true);
  EXPECT_GE(dispatched, 10);
  EXPECT_LE(dispatched, 12);
  clock.now = 0xffffffffull - 500; // the next millisecond wraps
  clock.sleptMs = 0;
  KMiscTools::pause(3000, false);
  EXPECT_LE(clock.sleptMs, 2u);
}

TEST_F(MiscToolsTest, MessageBoxesGoThroughTheHandlerCutTo255BytesAndAreLogged) {
  testsupport::MessageBoxRecorder boxes;
  testing::internal::CaptureStderr();
  KMiscTools::messageBox("Error", std::string(600, 'x').c_str());
  KMiscTools::messageBox("No Vertices", nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "info: message box: Error: " + std::string(255, 'x') + "\ninfo: message box: No Vertices: \n");
  ASSERT_EQ(boxes.messages().size(), 2u);
  EXPECT_EQ(boxes.messages()[0].second, std::string(255, 'x'));
}

TEST(MiscToolsBytes, FlipsReverseByteOrder) {
  EXPECT_EQ(KMiscTools::flipUnsignedLong(0x11223344u), 0x44332211u);
  EXPECT_EQ(KMiscTools::flipLong((int32_t)0x80000001), (int32_t)0x01000080);
  EXPECT_EQ(KMiscTools::flipShort((short)0x0180), (short)-32767);
  EXPECT_EQ(KMiscTools::flipUnsignedShort(0xabcd), 0xcdab);
  float flipped = KMiscTools::flipFloat(1.0f);
  EXPECT_EQ(memcmp(&flipped, "\x3f\x80\x00\x00", 4), 0);
  EXPECT_EQ(KMiscTools::flipFloat(flipped), 1.0f);
  EXPECT_EQ(KMiscTools::flipDouble(KMiscTools::flipDouble(-2.25)), -2.25);
}

std::map<std::string, bool> g_listed;
size_t g_stopAfter = 1000;
bool collect(char *name, bool isFolder) {
  g_listed[name] = isFolder;
  return g_listed.size() < g_stopAfter;
}

TEST_F(MiscToolsTest, EnumerateFolderSkipsOnlyTheDotEntryAndStopsWhenAsked) {
  file("a.txt");
  mkdir((folder + "/sub").c_str(), 0755);
  KMiscTools::enumerateFolder((folder + "/").c_str(), collect);
  EXPECT_EQ(g_listed, (std::map<std::string, bool>{{"..", true}, {"a.txt", false}, {"sub", true}}));
  // The "*.*" wildcard ending is cut off; a false answer stops the listing.
  g_listed.clear();
  g_stopAfter = 1;
  KMiscTools::enumerateFolder((folder + "/*.*").c_str(), collect);
  EXPECT_EQ(g_listed.size(), 1u);
  // Nothing happens for null arguments or a missing folder.
  g_listed.clear();
  KMiscTools::enumerateFolder(nullptr, collect);
  KMiscTools::enumerateFolder(folder.c_str(), nullptr);
  KMiscTools::enumerateFolder("/no/such/folder/", collect);
  EXPECT_TRUE(g_listed.empty());
}

// The opener gets a URL or an existing document as its one argument, without
// a shell; a missing document, or a URL that would read as an option, is not
// passed on.
TEST_F(MiscToolsTest, TheOpenerGetsOneArgumentWithoutAShell) {
  const std::string args = folder + "/args";
  std::ofstream(folder + "/opener") << "#!/bin/sh\nprintf '%s|%s\\n' \"$#\" \"$1\" > '" << args << "'\n";
  chmod((folder + "/opener").c_str(), 0755);
  KMiscTools::setOpener((folder + "/opener").c_str(), true); // the launch returns once the opener has run
  file("doc.txt");
  const std::string url = "http://example.invalid/?a=1;touch " + folder + "/pwned&b=$(id)";
  const std::pair<std::string, bool> cases[] = {
      {url, true}, {folder + "/missing.txt", false}, {folder + "/doc.txt", true}, {"--help", false}};
  for (const auto &c : cases) {
    unlink(args.c_str());
    if (c.first[0] == '/')
      KMiscTools::launchFile(c.first.c_str(), false);
    else
      KMiscTools::launchURL(c.first.c_str(), false);
    EXPECT_EQ(readFile(args), c.second ? "1|" + c.first + "\n" : "") << c.first;
  }
  EXPECT_NE(access((folder + "/pwned").c_str(), F_OK), 0);
}

TEST_F(MiscToolsTest, EachLogTypeWritesOneLineToStderrAndTheFileWhenSwitchedOn) {
  const std::string logPath = folder + "/trivello.log";
  const struct {
    KLogType type;
    void (*enable)(bool);
    std::string line;
    bool onAtStart;
  } cases[] = {{kInfo, KLog::logInfo, "info: m\n", true},
               {kError, KLog::logError, "error: m\n", true},
               {kFatal, KLog::logFatal, "fatal: m\n", true},
               {kDebug, KLog::logDebug, "debug: m\n", false}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.line);
    ASSERT_TRUE(KLog::setLogFolder(folder.c_str()));
    EXPECT_EQ(stderrOf(c.type, "m"), c.onAtStart ? c.line : "");
    c.enable(false);
    EXPECT_EQ(stderrOf(c.type, "m"), "");
    c.enable(true);
    EXPECT_EQ(stderrOf(c.type, "m"), c.line);
    KLog::setLogFolder(nullptr); // closes the file, so it can be read whole
    EXPECT_EQ(readFile(logPath), c.onAtStart ? c.line + c.line : c.line);
    unlink(logPath.c_str());
    c.enable(c.onAtStart);
  }
}

TEST_F(MiscToolsTest, TheLogFileIsAppendedToUnderBothPoliciesAndOnlyWhileAFolderIsSet) {
  const std::string logPath = folder + "/trivello.log";
  EXPECT_FALSE(KLog::setLogFolder((folder + "/missing").c_str()));
  EXPECT_STREQ(KLog::getLogPath(), "");
  EXPECT_EQ(stderrOf(kError, "still seen"), "error: still seen\n");
  const std::string written = "earlier run\nerror: two lines \nerror: picture a.png is -1 wide\n";
  for (KLogFileType policy : {kLogKeepFilesOpen, kLogOpenAndCloseFiles}) {
    SCOPED_TRACE(policy);
    KLog::setFileType(policy);
    file("trivello.log", "earlier run\n");
    ASSERT_TRUE(KLog::setLogFolder(folder.c_str()));
    EXPECT_EQ(KLog::getLogPath(), logPath);
    EXPECT_EQ(stderrOf(kError, "two\nlines\r"), "error: two lines \n");
    KLog::logFormat(kError, "picture %s is %d wide", "a.png", -1);
    EXPECT_EQ(readFile(logPath), written); // written through at once, also while the file stays open
    KLog::setLogFolder("");
    KLog::logMessage(kError, "after");
    EXPECT_EQ(readFile(logPath), written);
  }
  // A log grown past its bound is started afresh; one at the bound is kept.
  for (long size : {KLog::kLogMaxBytes, KLog::kLogMaxBytes + 1}) {
    file("trivello.log", std::string((size_t)size, 'x'));
    ASSERT_TRUE(KLog::setLogFolder(folder.c_str()));
    stderrOf(kError, "next run");
    KLog::setLogFolder("");
    const std::string next = "error: next run\n";
    EXPECT_EQ(readFile(logPath), size > KLog::kLogMaxBytes ? next : std::string((size_t)size, 'x') + next);
  }
}

} // namespace
