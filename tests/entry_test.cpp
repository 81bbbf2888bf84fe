// The whole program run in-process: the launcher, the game window and every
// way out, driven frame by frame with the fake clock and injected input.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>

#include "KWindow.h"
#include "entry.h"
#include "globals.h"
#include "screens.h"
#include "support/GameFixture.h"
#include "support/PixelReader.h"

using testsupport::GameFixture;

namespace {

// What the test does after each presented frame (frame count from 1).
std::function<void(int)> g_script;
int g_frames = 0;
bool g_sawGameWindow = false;
bool g_gameWindowWasFullScreen = false;

void OnFrame() {
  g_frames++;
  if (gameWindow) {
    g_sawGameWindow = true;
    g_gameWindowWasFullScreen = gameWindow->getWindowHandle() == nullptr;
  }
  if (g_script)
    g_script(g_frames);
}

class EntryTest : public GameFixture {
protected:
  void SetUp() override {
    GameFixture::SetUp();
    g_frames = 0;
    g_sawGameWindow = g_gameWindowWasFullScreen = false;
    g_frameObserver = OnFrame;
    writeResource("data/eng.ini", testsupport::QuestionFile({{"E-Sci", "Q?", {"a", "b", "c", "d"}, 1}}, {}));
  }
  void TearDown() override {
    g_script = nullptr;
    GameFixture::TearDown();
  }
  std::string readPrefs() {
    std::ifstream in(resDir + "/prefs", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Presses the button at (x, y) for the next frame; released while waited for.
  void clickLater(int x, int y) {
    mouseX = x;
    mouseY = y;
    KInput::injectMouse(true, x, y, true);
    pressed() = true;
  }
  static bool &pressed();
  // The fake clock lets go of a pressed button while the program waits.
  void releaseMouseWhileWaiting() {
    clock.onSleep = [this](uint32_t) {
      if (pressed()) {
        pressed() = false;
        KInput::injectMouse(true, mouseX, mouseY, false);
      }
    };
  }
  // Holds Escape for the next frame; let go while the program waits.
  void escapeLater() { KInput::injectKey(K_VK_ESCAPE, true); }

  void expectEverythingReleased() {
    EXPECT_EQ(launchWindow, nullptr);
    EXPECT_EQ(gameWindow, nullptr);
    EXPECT_EQ(ktext_font, nullptr);
    EXPECT_EQ(ktext_small, nullptr);
    EXPECT_EQ(surf_Pointer, nullptr);
    EXPECT_EQ(surf_PointerS, nullptr);
    for (KSound *s : {snd_Click, snd_Over, snd_Clap, snd_Clear, snd_Swirl, snd_Pop, snd_Set, snd_Move, snd_Levelup})
      EXPECT_EQ(s, nullptr);
    for (int i = 0; i < MAX_SOUNDS; i++)
      EXPECT_EQ(SND[i], nullptr) << i;
    for (int i = 0; i < MAX_IMAGES; i++)
      EXPECT_EQ(IMG[i].picture, nullptr) << i;
  }
};

bool &EntryTest::pressed() {
  static bool p = false;
  return p;
}

TEST_F(EntryTest, EscapeInTheLauncherSavesThePrefsAndNeverOpensTheGame) {
  g_script = [this](int n) {
    if (n == 3)
      escapeLater();
  };
  // The fake clock lets go of Escape while the launcher waits for its release.
  clock.onSleep = [](uint32_t) { KInput::injectKey(K_VK_ESCAPE, false); };
  EXPECT_EQ(TrivelloMain(), 0);
  EXPECT_FALSE(g_sawGameWindow);
  EXPECT_EQ(Finish, 1);
  std::string bytes = readPrefs();
  ASSERT_EQ(bytes.size(), 80u);
  EXPECT_EQ((uint8_t)bytes[1], 90);
  EXPECT_EQ((uint8_t)bytes[3], 60);
  expectEverythingReleased();
}

TEST_F(EntryTest, ClosingTheLauncherWindowSavesThePrefsAndEnds) {
  g_script = [](int n) {
    if (n == 2)
      launchWindow->setQuit(true);
  };
  EXPECT_EQ(TrivelloMain(), 0);
  EXPECT_FALSE(g_sawGameWindow);
  EXPECT_EQ(readPrefs().size(), 80u);
  expectEverythingReleased();
}

TEST_F(EntryTest, WithoutPrefsTheGameOpensFullScreenInEnglishWithTexturesTicked) {
  g_script = [this](int n) {
    if (n == 2)
      clickLater(199, 282); // Start
    if (CUR_SCR == SCREEN_TITLE && n > 2) {
      EXPECT_EQ(MAX_QUESTIONS, 1) << "the English file was read";
      escapeLater();
    }
  };
  releaseMouseWhileWaiting();
  EXPECT_EQ(TrivelloMain(), 0);
  EXPECT_TRUE(g_sawGameWindow);
  EXPECT_TRUE(g_gameWindowWasFullScreen);
  EXPECT_EQ(GV.language, 0);
  EXPECT_EQ(GV.rendererChoice, 0);
  expectEverythingReleased();
}

TEST_F(EntryTest, LauncherChoicesAreSavedAndTheTitleQuitEndsTheGame) {
  GV.windowed = 1;
  writeResource("prefs", std::string("\0\0\0\0\0\0\0\0\0\0\0\1", 12) + std::string(68, '\0'));
  int quitAt = -1;
  g_script = [&](int n) {
    if (n == 2)
      clickLater(163, 243); // Italiano
    if (n == 4)
      clickLater(78, 183); // the texture box
    if (n == 6)
      clickLater(199, 282); // Start
    if (CUR_SCR == SCREEN_TITLE && quitAt < 0) {
      quitAt = n;
      clickLater(393, 512); // Quit
    }
  };
  releaseMouseWhileWaiting();
  ASSERT_EQ(TrivelloMain(), 0);
  EXPECT_TRUE(g_sawGameWindow);
  EXPECT_FALSE(g_gameWindowWasFullScreen);
  EXPECT_EQ(g_frames, quitAt + 1) << "Quit ends the loop after one more frame";
  std::string bytes = readPrefs();
  ASSERT_EQ(bytes.size(), 80u);
  EXPECT_EQ((uint8_t)bytes[17], 1) << "Italian";
  EXPECT_EQ((uint8_t)bytes[15], 1) << "textures unticked";
  EXPECT_EQ((uint8_t)bytes[11], 1) << "windowed kept";
  expectEverythingReleased();
}

TEST_F(EntryTest, LauncherDrawsTheTicksOfThePrefsWhateverTheirValues) {
  // Counts bright green check-mark pixels near a launcher button.
  auto ticked = [](const testsupport::PixelReader &px, int bx, int by) {
    int n = 0;
    for (int y = by - 8; y < by + 12; y++)
      for (int x = bx - 2; x < bx + 18; x++) {
        testsupport::Rgba c = px.at(x, y);
        if (c.g > 150 && c.r < 150 && c.b < 150)
          n++;
      }
    return n > 10;
  };
  struct Case {
    int16_t language;
    int32_t renderer;
    bool tex, eng, ita, esp;
  } cases[] = {{0, 0, true, true, false, false},
               {2, 1, false, false, false, true},
               {1, 7, false, false, true, false},
               {-3, 0, true, false, false, false},
               {300, 0, true, false, false, false}};
  StartUp();
  ASSERT_TRUE(OpenLauncher());
  testsupport::PixelReader px(400, 300);
  for (const Case &c : cases) {
    GV.language = c.language;
    GV.rendererChoice = c.renderer;
    launchWindow->setWorldView(0, 0, 0, 1.0f, true);
    SCR_DRAW();
    px.capture();
    EXPECT_EQ(ticked(px, 70, 175), c.tex) << c.language << "/" << c.renderer;
    EXPECT_EQ(ticked(px, 30, 235), c.eng) << c.language;
    EXPECT_EQ(ticked(px, 155, 235), c.ita) << c.language;
    EXPECT_EQ(ticked(px, 280, 235), c.esp) << c.language;
  }
}

TEST_F(EntryTest, SavedVolumesStandAtStartAndDefaultsFillOnlyWhatTheFileLacks) {
  struct Case {
    const char *what;
    bool file;
    std::string bytes;
    int16_t sfx, music;
  } cases[] = {
      {"no file", false, "", 90, 60},
      {"both muted", true, std::string(80, '\0'), 0, 0},
      {"own volumes", true, std::string("\0\x19\0\x64", 4) + std::string(76, '\0'), 25, 100},
      {"one byte: no volume whole", true, std::string(1, '\0'), 90, 60},
      {"three bytes: effects only", true, std::string("\0\x28\0", 3), 40, 60},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    memset(&GV, 0, sizeof(GV));
    unlink((resDir + "/prefs").c_str());
    if (c.file)
      writeResource("prefs", c.bytes);
    StartUp();
    EXPECT_EQ(GV.sfxVolume, c.sfx);
    EXPECT_EQ(GV.musicVolume, c.music);
    EXPECT_EQ(GV.language, 0);
    FreeSounds();
  }
  // A run that only opens and leaves the launcher writes the volumes back as read.
  writeResource("prefs", std::string("\0\x0a\0\x14", 4) + std::string(76, '\0'));
  g_script = [this](int n) {
    if (n == 3)
      escapeLater();
  };
  clock.onSleep = [](uint32_t) { KInput::injectKey(K_VK_ESCAPE, false); };
  memset(&GV, 0, sizeof(GV));
  EXPECT_EQ(TrivelloMain(), 0);
  std::string bytes = readPrefs();
  ASSERT_EQ(bytes.size(), 80u);
  EXPECT_EQ((uint8_t)bytes[1], 10);
  EXPECT_EQ((uint8_t)bytes[3], 20);
}

TEST_F(EntryTest, OnlyKeyEventsChangeTheTypedCharacter) {
  KEvent e{};
  e.type = K_EVENT_KEYDOWN;
  lastchar = 'x';
  EXPECT_TRUE(ourOwnEventCallback(&e)) << "a key press goes on to its character";
  EXPECT_EQ(lastchar, 0);
  e.type = K_EVENT_KEYCHAR;
  e.character = 'q';
  EXPECT_FALSE(ourOwnEventCallback(&e));
  EXPECT_EQ(lastchar, 'q');
  e.type = K_EVENT_MOUSEMOVE;
  EXPECT_TRUE(ourOwnEventCallback(&e));
  EXPECT_EQ(lastchar, 'q') << "a mouse move keeps the typed character";
  e.type = K_EVENT_KEYCHAR;
  e.character = 13;
  ourOwnEventCallback(&e);
  EXPECT_EQ(lastchar, 0) << "Return never reaches the typed character";
  e.character = (char)0xE8;
  ourOwnEventCallback(&e);
  EXPECT_EQ((unsigned char)lastchar, 0xE8);
  EXPECT_FALSE(ourOwnEventCallback(nullptr));
}

TEST_F(EntryTest, WaitingForTheButtonEndsWhenTheWindowCloses) {
  openGameWindow();
  KInput::injectMouse(true, 10, 10, true);
  int sleeps = 0;
  clock.onSleep = [&](uint32_t) {
    if (++sleeps == 5)
      gameWindow->setQuit(true);
  };
  waitForMouseButton(gameWindow);
  EXPECT_EQ(sleeps, 5) << "it sleeps between polls and stops once the window is closing";
  gameWindow->setQuit(false);
}

} // namespace
