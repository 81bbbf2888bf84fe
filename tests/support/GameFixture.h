// GameFixture: the game's globals reset to their start values, a temporary
// application folder whose resources are the built game's (pictures, sounds,
// photos; the question file is the test's own), a fake clock, injected mouse
// and keys, and a record of the sounds the screens play.
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

class GameFixture : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // The temporary application folder and its resource folder.
  std::string appDir, resDir;
  // Writes a file below the resource folder ("data/eng.ini").
  void writeResource(const std::string &name, const std::string &content);
  // Opens the 800x600 game window with both fonts, pointers and samples, the
  // way the program's start does, but on the title screen without loading
  // questions (tests load their own).
  void openGameWindow();
  // One frame of the game loop (true while it goes on).
  bool frame();
  // `n` frames, or until the loop ends.
  void frames(int n);
  // A left click at (x, y): the press is seen by the next frame, and the
  // release comes while the game waits for it.
  void clickAt(int x, int y);
  // Moves the injected pointer without pressing.
  void moveTo(int x, int y);
  // Holds a key for one frame.
  void tapKey(EKeyboardLayout key);
  // How often `sound` was played since the last clearSounds().
  int played(KSound *sound) const;
  void clearSounds() { sounds.clear(); }

public:
  void sounds_push(KSound *sound) { sounds.push_back(sound); }

protected:
  ManualClock clock;
  MessageBoxRecorder boxes;
  std::vector<KSound *> sounds;
  int mouseX = 0, mouseY = 0;
};

} // namespace testsupport

#endif
