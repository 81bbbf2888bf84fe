// GameFixture: the game's globals reset to their start values, a temporary
// application folder whose resources are the built game's (pictures, sounds,
// photos; the question file is the test's own), a fake clock, injected mouse
// and keys, a record of the sounds the screens play, and the steps most
// screen tests share (a question file, a game started through the screens).
#ifndef TESTSUPPORT_GAMEFIXTURE_H
#define TESTSUPPORT_GAMEFIXTURE_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KInput.h"
#include "support/ManualClock.h"
#include "support/MessageBoxRecorder.h"

class KSound;

namespace testsupport {

// Puts every game global back to its value at program start (engine
// objects must have been deleted first).
void ResetGameGlobals();

// A question file: `questions` ordinary records then `puzzles` puzzles.
struct QuestionSpec {
  std::string id, text, answers[4];
  int solution;
  std::string photo = "0";
};
std::string QuestionFile(const std::vector<QuestionSpec> &questions, const std::vector<QuestionSpec> &puzzles);
// A record with the text "Question <id>" and the answers "Answer 1" to "Answer 4".
QuestionSpec Ask(const std::string &id, int solution = 1, const std::string &photo = "0");

// Pointer positions inside the answer boxes 1 to 4 (index 0 unused).
const int kBoxCentre[5][2] = {{0, 0}, {183, 480}, {603, 480}, {183, 553}, {603, 553}};

// A scripted scene: steps "ACTION => STATE", what the player does, then what
// the game's state must be (either part may be left out).
//   ACTION: "frame", "frames N", "wait MS" (the clock moves on, then a
//   frame), "advance MS" (the clock only), "click X Y", "box N" (a click in
//   answer box N), "move X Y" (the pointer, then a frame), "key K" (held for
//   one frame), "hold K" (pressed, then a frame), "release K"; K is a letter,
//   a digit, SPACE, RETURN or ESCAPE.
//   STATE: "name=value ..." with the names screen, button, WellDone,
//   Incorrect, OutofTime, GetReady, StartLevel, Jolly, StartJolly, player
//   (Cur_Player), players (Max_Players), ShowScores, Finish, Clicked, Points,
//   Time, shown (answer boxes shown), jollyFrame, OnlineWait, SubmitScore, focus and highlight (the pads'), and per
//   player i: livesI, scoreI, questionI, levelI, skillI, answersI, padI; on
//   the title logo (its frame), logoDelay and credit (the credit line); the
//   settings music, effects, windowed, online and showCorrect; and
//   clickSounds and overSounds, the sounds the step played.
// The value of one of those names.
long StateValue(const std::string &name);

class GameFixture : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // The temporary application folder and its resource folder.
  std::string appDir, resDir;
  // Writes a file below the resource folder ("data/eng.ini"), or reads one.
  void writeResource(const std::string &name, const std::string &content);
  std::string readResource(const std::string &name);
  // Opens the 800x600 game window with both fonts, pointers and samples, the
  // way the program's start does, but on the title screen without loading
  // questions (tests load their own).
  void openGameWindow();
  // Writes and reads "data/eng.ini" with `perLevel` questions of each level
  // (the categories in turn) and `puzzles` flag puzzles, then seeds rand()
  // so the draws repeat.
  void loadQuestions(int perLevel, int puzzles, int solution = 1,
                     const std::vector<std::string> &categories = {"Lett", "Sci", "Sp", "Geo", "St", "Att"});
  // A game of `players` started without the menus, on the game screen with
  // its first question due.
  void playOnGameScreen(int players = 1);
  // From the title through the menus: `players` players, each choosing
  // `skill`, up to the game screen.
  void startGame(int players, int skill);
  // One frame of the game loop (true while it goes on).
  bool frame();
  // `n` frames, or until the loop ends.
  void frames(int n);
  // A left click at (x, y): the press is seen by the next frame, and the
  // release comes while the game waits for it. pressAt only presses.
  void clickAt(int x, int y);
  void pressAt(int x, int y);
  void clickBox(int box) { clickAt(kBoxCentre[box][0], kBoxCentre[box][1]); }
  // Moves the injected pointer without pressing.
  void moveTo(int x, int y);
  // Holds a key for one frame. holdKey only presses it; it is let go while
  // the code waits.
  void tapKey(EKeyboardLayout key);
  void holdKey(EKeyboardLayout key);
  // Runs the steps in order; each failure names its step.
  void play(const std::vector<std::string> &steps);
  // Does one action; false for an action it does not know (a fixture adds its own).
  virtual bool act(const std::vector<std::string> &words);
  void expectState(const std::string &state);
  void clearSounds() { sounds.clear(); }

public:
  // How often `sound` was played since the last clearSounds().
  int played(KSound *sound) const;
  void sounds_push(KSound *sound) { sounds.push_back(sound); }

protected:
  ManualClock clock;
  MessageBoxRecorder boxes;
  std::vector<KSound *> sounds;
  int mouseX = 0, mouseY = 0;
};

} // namespace testsupport

#endif
