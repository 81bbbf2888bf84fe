// The whole program run in-process: the launcher, the game window and every
// way out, driven frame by frame with the fake clock and injected input.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <functional>

#include "KWindow.h"
#include "entry.h"
#include "globals.h"
#include "screens.h"
#include "support/GameFixture.h"
#include "support/PixelReader.h"

using namespace testsupport;

namespace {

// What the test does after each presented frame (frame count from 1).
std::function<void(int)> g_script;
int g_frames = 0;
bool g_sawGameWindow = false, g_fullScreen = false;

void OnFrame() {
  g_frames++;
  if (gameWindow) {
    g_sawGameWindow = true;
    g_fullScreen = gameWindow->getWindowHandle() == nullptr;
  }
  if (g_script)
    g_script(g_frames);
}

class EntryTest : public GameFixture {
protected:
  void SetUp() override {
    GameFixture::SetUp();
    g_frameObserver = OnFrame;
    writeResource("data/eng.ini", QuestionFile({Ask("E-Sci")}, {}));
  }
  void TearDown() override {
    g_script = nullptr;
    GameFixture::TearDown();
  }
  // Runs the whole program with `script`; every way out ends with nothing held.
  void run(std::function<void(int)> script) {
    g_frames = 0;
    g_sawGameWindow = g_fullScreen = false;
    g_script = script;
    ResetGameGlobals();
    EXPECT_EQ(TrivelloMain(), 0);
    for (void *held : {(void *)launchWindow, (void *)gameWindow, (void *)ktext_font, (void *)ktext_small,
                       (void *)surf_Pointer, (void *)surf_PointerS})
      EXPECT_EQ(held, nullptr);
    for (KSound *s : {snd_Click, snd_Over, snd_Clap, snd_Clear, snd_Swirl, snd_Pop, snd_Set, snd_Move, snd_Levelup})
      EXPECT_EQ(s, nullptr);
    for (int i = 0; i < MAX_SOUNDS; i++)
      EXPECT_EQ(SND[i], nullptr) << i;
    for (int i = 0; i < MAX_IMAGES; i++)
      EXPECT_EQ(IMG[i].picture, nullptr) << i;
  }
};

TEST_F(EntryTest, WithoutPrefsTheGameOpensFullScreenInEnglishWithTexturesTicked) {
  run([this](int n) {
    if (n == 2)
      pressAt(199, 282); // Start
    if (CUR_SCR == SCREEN_TITLE && n > 2) {
      EXPECT_EQ(MAX_QUESTIONS, 1) << "the English file was read";
      holdKey(K_VK_ESCAPE);
    }
  });
  EXPECT_TRUE(g_sawGameWindow);
  EXPECT_TRUE(g_fullScreen);
  EXPECT_EQ(GV.language, 0);
  EXPECT_EQ(GV.rendererChoice, 0);
}

TEST_F(EntryTest, LauncherChoicesAreSavedAndTheTitleQuitEndsTheGame) {
  writeResource("prefs", std::string("\0\0\0\0\0\0\0\0\0\0\0\1", 12) + std::string(68, '\0'));
  int quitAt = -1;
  run([&](int n) {
    if (n == 2)
      pressAt(163, 243); // Italiano
    if (n == 4)
      pressAt(78, 183); // the texture box
    if (n == 6)
      pressAt(199, 282); // Start
    if (CUR_SCR == SCREEN_TITLE && quitAt < 0) {
      quitAt = n;
      pressAt(393, 512); // Quit
    }
  });
  EXPECT_TRUE(g_sawGameWindow);
  EXPECT_FALSE(g_fullScreen);
  EXPECT_EQ(g_frames, quitAt + 1) << "Quit ends the loop after one more frame";
  std::string bytes = readResource("prefs");
  ASSERT_EQ(bytes.size(), 80u);
  EXPECT_EQ((uint8_t)bytes[17], 1) << "Italian";
  EXPECT_EQ((uint8_t)bytes[15], 1) << "textures unticked";
  EXPECT_EQ((uint8_t)bytes[11], 1) << "windowed kept";
}

TEST_F(EntryTest, LauncherDrawsTheTicksOfThePrefsWhateverTheirValues) {
  // Whether bright green check-mark pixels lie near a launcher button.
  auto ticked = [](const PixelReader &px, int bx, int by) {
    int n = 0;
    for (int y = by - 8; y < by + 12; y++)
      for (int x = bx - 2; x < bx + 18; x++) {
        Rgba c = px.at(x, y);
        n += c.g > 150 && c.r < 150 && c.b < 150;
      }
    return n > 10;
  };
  struct Case {
    int16_t language;
    int32_t renderer;
    bool tex, eng, ita, esp;
  } cases[] = {
      {0, 0, true, true, false, false},   {2, 1, false, false, false, true},   {1, 7, false, false, true, false},
      {-3, 0, true, false, false, false}, {300, 0, true, false, false, false},
  };
  StartUp();
  ASSERT_TRUE(OpenLauncher());
  PixelReader px(400, 300);
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
  // A run that only opens and leaves the launcher (by Escape, or by closing
  // its window) writes the volumes back as read and never opens the game.
  for (bool escape : {true, false}) {
    SCOPED_TRACE(escape ? "Escape" : "window closed");
    writeResource("prefs", std::string("\0\x0a\0\x14", 4) + std::string(76, '\0'));
    run([&](int n) {
      if (n == 3 && escape)
        holdKey(K_VK_ESCAPE);
      if (n == 2 && !escape)
        launchWindow->setQuit(true);
    });
    EXPECT_FALSE(g_sawGameWindow);
    EXPECT_EQ(Finish, escape ? 1 : 0);
    std::string bytes = readResource("prefs");
    ASSERT_EQ(bytes.size(), 80u);
    EXPECT_EQ((uint8_t)bytes[1], 10);
    EXPECT_EQ((uint8_t)bytes[3], 20);
  }
}

TEST_F(EntryTest, OnlyKeyEventsChangeTheTypedCharacter) {
  // (event, character, whether the window goes on with it, lastchar after it)
  struct Case {
    int32_t type;
    int character;
    bool goesOn;
    int after;
  } cases[] = {
      {K_EVENT_KEYDOWN, 0, true, 0},       // a key press clears what was typed
      {K_EVENT_KEYCHAR, 'q', false, 'q'},  // a character is kept
      {K_EVENT_MOUSEMOVE, 0, true, 'q'},   // a mouse move keeps it
      {K_EVENT_KEYCHAR, 13, false, 0},     // Return never reaches it
      {K_EVENT_KEYCHAR, 0xE8, false, 0xE8} // Latin-1 letters do
  };
  lastchar = 'x';
  for (const Case &c : cases) {
    KEvent e{};
    e.type = c.type;
    e.character = (char)c.character;
    EXPECT_EQ(ourOwnEventCallback(&e), c.goesOn) << c.type;
    EXPECT_EQ((unsigned char)lastchar, c.after) << c.type;
  }
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
