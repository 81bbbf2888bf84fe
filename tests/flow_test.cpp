// The menu screens in a window: hover sounds, clicks, the options screen's
// bars and toggles, the title's logo and credit lines, and the pictures the
// views over the title stand on.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "KText.h"
#include "KWindow.h"
#include "globals.h"
#include "images.h"
#include "menus.h"
#include "players.h"
#include "screens.h"
#include "support/GameFixture.h"
#include "support/PixelReader.h"

using namespace testsupport;

namespace {

using FlowTest = GameFixture;

TEST_F(FlowTest, MusicChangesOnlyBetweenTheMenusAndTheGameAndAnUnknownScreenIsOnlyCleared) {
  openGameWindow();
  KSound *music = SND[MUSIC_TITLE];
  ASSERT_NE(music, nullptr);
  GoToScreen(SCREEN_OPTIONS);
  GoToScreen(SCREEN_TITLE);
  EXPECT_EQ(SND[MUSIC_TITLE], music) << "the title music is not started again";
  GoToScreen(SCREEN_GAME);
  EXPECT_EQ(SND[MUSIC_TITLE], nullptr);
  EXPECT_NE(SND[MUSIC_GAME], nullptr);
  GoToScreen(7);
  for (int b = 1; b < MAX_BUTTONS; b++)
    EXPECT_LE(GUIButton[b].state, 0) << b;
  for (int s = 1; s < MAX_IMAGES; s++)
    EXPECT_EQ(IMG[s].picture, nullptr) << s;
}

// A hover sound only when another button is reached (the fourth place is
// artwork, not a button), and none while a view covers the title.
TEST_F(FlowTest, HoverSoundOnlyWhenAnotherButtonIsReached) {
  openGameWindow();
  play({"move 393 300 => button=2 overSounds=1", "move 393 300 => button=2 overSounds=0",
        "move 393 370 => button=3 overSounds=1", "move 700 300 => button=0 overSounds=0",
        "move 393 370 => button=3 overSounds=0", "move 393 440 => button=0 overSounds=0",
        "move 393 300 => button=2 overSounds=1"});
  ShowScores = 1;
  play({"move 393 370 => overSounds=0"});
}

// Title buttons play two clicks and Quit one; the options screen's volume
// bars follow the pointer (100 only by bringing a value back into range, and
// a volume click plays no click), its toggles are saved by OK only, and OK
// writes the whole record.
TEST_F(FlowTest, TitleButtonsOptionsBarsAndTogglesAndTheSavedRecord) {
  openGameWindow();
  GV.windowed = 1;
  GV.reserved28[10] = 0x5a;
  KInput::injectMouse(true, 700, 300, true); // a press off every button, dragged onto Options
  play({"frame => screen=1", "click 393 374 => screen=8 clickSounds=2", "click 325 375 => music=0",
        "click 325 400 => effects=0 clickSounds=0", "click 330 375 => music=0", "click 330 400 => effects=0",
        "click 440 375 => music=49", "click 440 400 => effects=49", "click 441 375 => music=50",
        "click 441 400 => effects=50", "click 550 375 => music=99", "click 550 400 => effects=99"});
  GV.musicVolume = 300;
  play({"move 400 375 => music=100", "click 185 235 => windowed=0", "click 185 235 => windowed=1",
        "click 185 280 => online=1", "click 185 325 => showCorrect=1"});
  KInput::injectKey(K_VK_ESCAPE, true);
  EXPECT_FALSE(frame()) << "Escape quits from any screen";
  KInput::injectKey(K_VK_ESCAPE, false);
  EXPECT_EQ(readResource("prefs"), "") << "quitting with Escape saves nothing";
  play({"click 400 453 => screen=1"}); // OK
  std::string bytes = readResource("prefs");
  ASSERT_EQ(bytes.size(), 80u);
  EXPECT_EQ((uint8_t)bytes[1], 99);  // effects
  EXPECT_EQ((uint8_t)bytes[3], 100); // music
  EXPECT_EQ((uint8_t)bytes[11], 1);  // windowed
  EXPECT_EQ((uint8_t)bytes[23], 1);  // online
  EXPECT_EQ((uint8_t)bytes[27], 1);  // show correct
  EXPECT_EQ((uint8_t)bytes[38], 0x5a) << "reserved bytes are written back as held";
  play({"click 393 512 => clickSounds=1 Finish=1"}); // Quit
  EXPECT_FALSE(frame()) << "the game loop ends before the next frame";
}

// Back on the players screen leads to the title; skills are chosen player by
// player, and back on the players count they are chosen again for the new number.
TEST_F(FlowTest, SkillChoiceGoesPlayerByPlayerThenToTheLevelStart) {
  openGameWindow();
  play({"click 393 235 => screen=2 clickSounds=2", "click 90 120 => screen=1", "click 393 235",
        "click 516 332 => players=4", "click 392 236 => screen=4 player=1", "click 392 282 => screen=4 player=2",
        "click 392 328 => screen=4 player=3", "click 90 120 => screen=2", "click 513 242 => skill0=-1", "click 392 328",
        "click 392 466 => screen=5 player=0 skill0=2 skill1=5"});
}

// The logo rests about 2.15 s, runs forward, rests 2 s and runs back; the
// credit lines change every 5 s, the engine logo once in every 30 s.
TEST_F(FlowTest, LogoAndCreditLinesRunOnTheirClocks) {
  openGameWindow();
  play({"wait 151 => logo=0 logoDelay=2000", "wait 1990 => logo=0", "wait 20 => logo=1", "wait 251 => logo=2",
        "wait 251 => logo=3", "wait 251 => logo=4", "wait 251 => logo=5", "wait 251 => logo=6 logoDelay=2000",
        "wait 2001 => logo=5 logoDelay=260"});
  int shownLogo = 0;
  for (int i = 0; i < 12; i++) {
    play({"wait 5001"});
    shownLogo += UPTXT == 0;
  }
  EXPECT_EQ(shownLogo, 2);
  for (int line = 1; line <= 4; line++) {
    ASSERT_NE(CreditLine(line), nullptr);
    EXPECT_LE(ktext_font->getStringWidth(CreditLine(line), 0), 790) << CreditLine(line);
  }
  EXPECT_EQ(CreditLine(0), nullptr);
  EXPECT_EQ(CreditLine(5), nullptr);
}

// The results table, the top ten and the options screen cover the title's
// menu with the patch drawn at (255, 206). Where that patch shows, it must
// continue the background around it: a board's rim or edge there shows as a
// seam between the colours just inside and just outside the patch. The title
// covers its empty fourth button place with a piece of that patch, which must
// look like what the title picture has there (no hole in a board).
TEST_F(FlowTest, TheTablesAndTheOptionsStandOnBareBackgroundWhereTheTitleMenuWas) {
  openGameWindow();
  PixelReader px(800, 600), picture(800, 600);
  // The summed colour difference between 3 pixels inside from (x, y) along
  // (dx, dy) and the 3 pixels outside, facing them.
  auto seam = [&](int x, int y, int dx, int dy) {
    int diff = 0;
    for (int c = 0; c < 3; c++) {
      int in = 0, out = 0;
      for (int i = 0; i < 3; i++) {
        Rgba a = px.at(x + dx * i, y + dy * i), b = px.at(x - dx * (i + 1), y - dy * (i + 1));
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
        seams += seam(x, y, e.dx, e.dy) > 45;
      EXPECT_LE(seams * 100, points * 3) << "edge at (" << e.x1 << ", " << e.y1 << "): " << seams << " of " << points
                                         << " points show a seam";
    }
  }
  gameWindow->setWorldView(0, 0, 0, 1.0f, true);
  BlitIMG(SLOT_BACKGROUND, 0, 0, 800, 600, 0, 0);
  picture.capture();
  CUR_BUT = 0;
  UPTXT = 5; // no credit line
  DrawTitleScreen();
  px.capture();
  int differing = 0;
  for (int y = 408; y < 473; y++)
    for (int x = 255; x < 529; x++)
      differing += !near(picture.at(x, y), px.at(x, y), 24);
  EXPECT_LE(differing, 274 * 65 / 100) << "the title's cover over its fourth button place";
}

} // namespace
