// The menu screens in a window: set-up per screen, hover sounds, clicks,
// the options screen's bars and toggles, the title's logo and credit lines.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>

#include "KText.h"
#include "KWindow.h"
#include "clock.h"
#include "entry.h"
#include "flow.h"
#include "globals.h"
#include "images.h"
#include "menus.h"
#include "players.h"
#include "screens.h"
#include "support/GameFixture.h"
#include "support/PixelReader.h"

using testsupport::GameFixture;

namespace {

class FlowTest : public GameFixture {
protected:
  std::string prefsPath() { return resDir + "/prefs"; }
  std::string readPrefs() {
    std::ifstream in(prefsPath(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

TEST_F(FlowTest, EachScreenSetsUpItsButtonsPicturesAndMusic) {
  openGameWindow();
  struct Case {
    int16_t screen, actBut;
    std::set<int> buttons, slots;
    bool titleMusic, gameMusic;
  } cases[] = {
      {SCREEN_TITLE, 6, {1, 2, 3, 5}, {0, 1, 2, 3}, true, false},
      {SCREEN_PLAYERS, 8, {1, 2, 3, 4, 5, 6, 7}, {0, 2}, true, false},
      {SCREEN_SKILL, 8, {1, 2, 3, 4, 5, 6, 7}, {0, 8}, true, false},
      {SCREEN_GAME, 6, {1, 2, 3, 4, 5}, {0, 4, 5, 10}, false, true},
      {SCREEN_LEVEL_START, 0, {}, {0, 9}, false, true},
      {SCREEN_TITLE, 6, {1, 2, 3, 5}, {0, 1, 2, 3}, true, false},
      {SCREEN_OPTIONS, 12, {1, 2, 3, 4, 5}, {0, 11}, true, false}, // 5: MORE, the playing-help page
      {7, 6, {}, {0}, true, false},                                // no such screen: only cleared
  };
  for (const Case &c : cases) {
    GoToScreen(c.screen);
    if (c.screen != 7) {
      EXPECT_EQ(ACT_BUT, c.actBut) << c.screen;
    }
    for (int b = 1; b < MAX_BUTTONS; b++)
      EXPECT_EQ(GUIButton[b].state > 0, c.buttons.count(b) == 1) << "screen " << c.screen << " button " << b;
    for (int s = 0; s < 12; s++)
      EXPECT_EQ(IMG[s].picture != nullptr, c.slots.count(s) == 1) << "screen " << c.screen << " slot " << s;
    EXPECT_EQ(SND[MUSIC_TITLE] != nullptr, c.titleMusic) << c.screen;
    EXPECT_EQ(SND[MUSIC_GAME] != nullptr, c.gameMusic) << c.screen;
  }
  EXPECT_EQ(IMG[SLOT_TITLE].frameWidth, 61);
}

TEST_F(FlowTest, TitleMusicIsNotRestartedByTheTitleAgain) {
  openGameWindow();
  KSound *music = SND[MUSIC_TITLE];
  ASSERT_NE(music, nullptr);
  GoToScreen(SCREEN_OPTIONS);
  GoToScreen(SCREEN_TITLE);
  EXPECT_EQ(SND[MUSIC_TITLE], music);
}

TEST_F(FlowTest, HoverSoundOnlyWhenAnotherButtonIsReached) {
  openGameWindow();
  struct Step {
    int x, y, button, overSounds;
  } steps[] = {
      {393, 300, 2, 1}, // onto button 2
      {393, 300, 2, 0}, // staying there
      {393, 370, 3, 1}, // onto button 3
      {700, 300, 0, 0}, // off every button
      {393, 370, 3, 0}, // back onto the same one
      {393, 440, 0, 0}, // the fourth place is artwork, not a button
      {393, 300, 2, 1},
  };
  for (const Step &s : steps) {
    clearSounds();
    moveTo(s.x, s.y);
    frame();
    EXPECT_EQ(CUR_BUT, s.button) << s.x << "," << s.y;
    EXPECT_EQ(played(snd_Over), s.overSounds) << s.x << "," << s.y;
  }
  // No hover sound while a view covers the title.
  ShowScores = 1;
  clearSounds();
  moveTo(393, 370);
  frame();
  EXPECT_EQ(played(snd_Over), 0);
}

TEST_F(FlowTest, TitleQuitPlaysOneClickAndOtherButtonsTwo) {
  openGameWindow();
  clickAt(393, 374); // options
  EXPECT_EQ(played(snd_Click), 2);
  EXPECT_EQ(CUR_SCR, SCREEN_OPTIONS);
  clickAt(400, 453); // OK
  ASSERT_EQ(CUR_SCR, SCREEN_TITLE);
  clearSounds();
  clickAt(393, 235); // new game
  EXPECT_EQ(played(snd_Click), 2);
  EXPECT_EQ(CUR_SCR, SCREEN_PLAYERS);
  clickAt(90, 120); // back
  ASSERT_EQ(CUR_SCR, SCREEN_TITLE);
  clearSounds();
  clickAt(393, 512); // quit
  EXPECT_EQ(played(snd_Click), 1);
  EXPECT_EQ(Finish, 1);
  EXPECT_FALSE(frame()) << "the game loop ends before the next frame";
}

TEST_F(FlowTest, APressDraggedOntoAButtonClicksIt) {
  openGameWindow();
  KInput::injectMouse(true, 700, 300, true);
  frame();
  EXPECT_EQ(CUR_SCR, SCREEN_TITLE);
  clickAt(393, 374);
  EXPECT_EQ(CUR_SCR, SCREEN_OPTIONS);
}

TEST_F(FlowTest, VolumeBarsFollowThePointerAndNeverReach100ByClick) {
  openGameWindow();
  GoToScreen(SCREEN_OPTIONS);
  struct Case {
    int x;
    int16_t volume;
  } cases[] = {{325, 0}, {330, 0}, {440, 49}, {441, 50}, {550, 99}};
  for (const Case &c : cases) {
    clickAt(c.x, 375); // music bar
    EXPECT_EQ(GV.musicVolume, c.volume) << c.x;
    clickAt(c.x, 400); // effects bar
    EXPECT_EQ(GV.sfxVolume, c.volume) << c.x;
  }
  EXPECT_EQ(played(snd_Click), 0) << "a volume click plays no click";
  // Out-of-range values are brought back when the pointer rests on a bar.
  GV.musicVolume = 300;
  moveTo(400, 375);
  frame();
  EXPECT_EQ(GV.musicVolume, 100);
}

TEST_F(FlowTest, WindowModeToggleIsSavedByOkOnlyAndOkWritesTheWholeRecord) {
  openGameWindow();
  GV.windowed = 1;
  GV.reserved28[10] = 0x5a;
  clickAt(393, 374); // options
  clickAt(185, 235); // window mode
  EXPECT_EQ(GV.windowed, 0);
  clickAt(185, 235);
  EXPECT_EQ(GV.windowed, 1);
  clickAt(185, 280); // online
  clickAt(185, 325); // show correct
  EXPECT_EQ(GV.submitOnline, 1);
  EXPECT_EQ(GV.showCorrect, 1);
  KInput::injectKey(K_VK_ESCAPE, true);
  EXPECT_FALSE(frame()) << "Escape quits from any screen";
  KInput::injectKey(K_VK_ESCAPE, false);
  struct stat st;
  EXPECT_NE(stat(prefsPath().c_str(), &st), 0) << "quitting with Escape saves nothing";
  clickAt(400, 453); // OK
  EXPECT_EQ(CUR_SCR, SCREEN_TITLE);
  std::string bytes = readPrefs();
  ASSERT_EQ(bytes.size(), 80u);
  EXPECT_EQ((uint8_t)bytes[1], 90); // effects
  EXPECT_EQ((uint8_t)bytes[3], 60); // music
  EXPECT_EQ((uint8_t)bytes[11], 1); // windowed
  EXPECT_EQ((uint8_t)bytes[23], 1); // online
  EXPECT_EQ((uint8_t)bytes[27], 1); // show correct
  EXPECT_EQ((uint8_t)bytes[38], 0x5a) << "reserved bytes are written back as held";
}

TEST_F(FlowTest, LogoRestsTwoSecondsThenRunsForwardAndBack) {
  openGameWindow();
  int16_t &f = IMG[SLOT_TITLE].frame;
  clock.advanceMs(151);
  frame(); // the first step sets the pause
  EXPECT_EQ(f, 0);
  EXPECT_EQ(QuestionM, 2000);
  clock.advanceMs(1990);
  frame();
  EXPECT_EQ(f, 0) << "still resting about 2.15 s after the start";
  clock.advanceMs(20);
  frame();
  EXPECT_EQ(f, 1);
  for (int i = 2; i <= 6; i++) {
    clock.advanceMs(251);
    frame();
    EXPECT_EQ(f, i);
  }
  EXPECT_EQ(QuestionM, 2000);
  clock.advanceMs(2001);
  frame();
  EXPECT_EQ(f, 5);
  EXPECT_EQ(QuestionM, 260);
}

TEST_F(FlowTest, CreditLinesChangeEveryFiveSecondsAndFitTheScreen) {
  openGameWindow();
  int shownLogo = 0;
  for (int i = 0; i < 12; i++) {
    clock.advanceMs(5001);
    frame();
    if (UPTXT == 0)
      shownLogo++;
  }
  EXPECT_EQ(shownLogo, 2) << "the engine logo once in every 30 s";
  for (int line = 1; line <= 4; line++) {
    ASSERT_NE(CreditLine(line), nullptr);
    EXPECT_LE(ktext_font->getStringWidth(CreditLine(line), 0), 790) << CreditLine(line);
  }
  EXPECT_EQ(CreditLine(0), nullptr);
  EXPECT_EQ(CreditLine(5), nullptr);
}

TEST_F(FlowTest, SkillChoiceGoesPlayerByPlayerThenToTheLevelStart) {
  openGameWindow();
  clickAt(393, 235); // new game
  clickAt(516, 332); // four players
  ASSERT_EQ(Max_Players, 4);
  for (int i = 0; i < 3; i++) {
    clickAt(392, 236 + 46 * i);
    EXPECT_EQ(CUR_SCR, SCREEN_SKILL);
    EXPECT_EQ(Cur_Player, i + 1);
  }
  clickAt(90, 120); // back to the players count
  EXPECT_EQ(CUR_SCR, SCREEN_PLAYERS);
  clickAt(513, 242); // two players: the skills are chosen again
  EXPECT_EQ(Player[0].skill, -1);
  clickAt(392, 236 + 46 * 2);
  clickAt(392, 236 + 46 * 5);
  EXPECT_EQ(CUR_SCR, SCREEN_LEVEL_START);
  EXPECT_EQ(Cur_Player, 0);
  EXPECT_EQ(Player[0].skill, 2);
  EXPECT_EQ(Player[1].skill, 5);
}

// The results table, the top ten and the options screen cover the title's
// menu with the patch drawn at (255, 206). Where that patch shows, it must
// continue the background around it: a board's rim or edge there shows as a
// seam between the colours just inside and just outside the patch.
TEST_F(FlowTest, TheTablesAndTheOptionsStandOnBareBackgroundWhereTheTitleMenuWas) {
  openGameWindow();
  testsupport::PixelReader px(800, 600);
  // The summed colour difference between 3 pixels inside from (x, y) along
  // (dx, dy) and the 3 pixels outside, facing them.
  auto seam = [&](int x, int y, int dx, int dy) {
    int diff = 0;
    for (int c = 0; c < 3; c++) {
      int in = 0, out = 0;
      for (int i = 0; i < 3; i++) {
        testsupport::Rgba a = px.at(x + dx * i, y + dy * i), b = px.at(x - dx * (i + 1), y - dy * (i + 1));
        in += c == 0 ? a.r : c == 1 ? a.g : a.b;
        out += c == 0 ? b.r : c == 1 ? b.g : b.b;
      }
      diff += std::abs(in - out) / 3;
    }
    return diff;
  };
  struct Edge {
    int x1, y1, x2, y2, dx, dy; // the patch's edge pixels and the way inward
  };
  const Edge left{255, 210, 255, 538, 1, 0}, right{528, 210, 528, 538, -1, 0};
  const Edge top{260, 206, 523, 206, 0, 1}, bottom{260, 542, 523, 542, 0, -1};
  struct Case {
    const char *what;
    std::function<void()> draw;
    std::vector<Edge> edges;
  } cases[] = {
      {"results and top-ten frame", DrawResultsFrame, {left, right, top, bottom}},
      {"options below its panel", DrawOptionsScreen, {{255, 512, 255, 538, 1, 0}, {528, 512, 528, 538, -1, 0}, bottom}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    gameWindow->setWorldView(0, 0, 0, 1.0f, true);
    c.draw();
    px.capture();
    for (const Edge &e : c.edges) {
      int points = 0, seams = 0;
      for (int x = e.x1, y = e.y1; x <= e.x2 && y <= e.y2; x += e.dy != 0, y += e.dx != 0, points++)
        if (seam(x, y, e.dx, e.dy) > 45)
          seams++;
      EXPECT_LE(seams * 100, points * 3) << "edge at (" << e.x1 << ", " << e.y1 << "): " << seams << " of " << points
                                         << " points show a seam";
    }
  }
}

// The title covers its empty fourth button place with a piece of that patch,
// which must look like what the title picture has there (no hole in a board).
TEST_F(FlowTest, TheTitlesCoverOverTheFourthButtonPlaceMatchesThePictureBelow) {
  openGameWindow();
  testsupport::PixelReader picture(800, 600), title(800, 600);
  gameWindow->setWorldView(0, 0, 0, 1.0f, true);
  BlitIMG(SLOT_BACKGROUND, 0, 0, 800, 600, 0, 0);
  picture.capture();
  CUR_BUT = 0;
  UPTXT = 5; // no credit line
  DrawTitleScreen();
  title.capture();
  int differing = 0;
  for (int y = 408; y < 473; y++)
    for (int x = 255; x < 529; x++)
      if (!testsupport::near(picture.at(x, y), title.at(x, y), 24))
        differing++;
  EXPECT_LE(differing, 274 * 65 / 100);
}

} // namespace
