// GameFixture (see GameFixture.h).
#include "support/GameFixture.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "KMiscTools.h"
#include "KNUX.h"
#include "KText.h"
#include "KWindow.h"
#include "access.h"
#include "entry.h"
#include "fonttables.h"
#include "globals.h"
#include "prefs.h"
#include "screens.h"
#include "toolkit.h"
#include "speech.h"

namespace testsupport {

namespace {
GameFixture *g_current = nullptr;
bool g_mousePressed = false;
std::vector<EKeyboardLayout> g_keysDown;

void RecordSound(KSound *sound) {
  if (g_current)
    g_current->sounds_push(sound);
}
} // namespace

void ResetGameGlobals() {
  CUR_SCR = 6;
  CUR_BUT = PRV_BUT = ACT_BUT = 0;
  ButtDown = 0;
  mx = my = 0;
  StartGame = Finish = 0;
  Timer = IntroTimer = 0;
  QuestionM = 150;
  UPTXT = 0;
  AllAnswered = 0;
  lastchar = 0;
  ShowNotice(nullptr);
  memset(IMG, 0, sizeof(IMG));
  memset(SND, 0, sizeof(SND));
  memset(GUIButton, 0, sizeof(GUIButton));
  memset(Question, 0, sizeof(Question));
  MAX_QUESTIONS = MAX_PUZZLES = 0;
  memset(QuestionAsked, 0, sizeof(QuestionAsked));
  CUR_QUE = QuestionType = PuzzleType = 0;
  memset(Blocks, 0, sizeof(Blocks));
  memset(ABlocks, 0, sizeof(ABlocks));
  Time = 0;
  StartLevel = WellDone = Incorrect = OutofTime = GetReady = 0;
  Getr = 0;
  Getz = 0;
  LevelComplete = 0;
  Points = Clicked = 0;
  memset(OkShow, 0, sizeof(OkShow));
  Jolly = StartJolly = JollyTimer = 0;
  RandomHelp = 0;
  memset(Player, 0, sizeof(Player));
  Max_Players = Cur_Player = 0;
  ShowScores = ShowHighscores = 0;
  memset(OnlineScore, 0, sizeof(OnlineScore));
  memset(ManagerName, 0, sizeof(ManagerName));
  bufferPosition = 0;
  SubmitScore = Submitted = CleanUp = 0;
  OnlineWait = TopTenOffline = 0;
  memset(LocalScore, 0, sizeof(LocalScore));
  memset(&GV, 0, sizeof(GV));
  AO = AccessOptions();
  SetSpeechBusyProbe(nullptr);
}

std::string QuestionFile(const std::vector<QuestionSpec> &questions, const std::vector<QuestionSpec> &puzzles) {
  std::string s = "[GENERAL]\nMaxQuestions=" + std::to_string(questions.size()) +
                  "\nMaxPuzzles=" + std::to_string(puzzles.size()) + "\n";
  int n = 1;
  auto add = [&](const QuestionSpec &q) {
    s += "\n[" + std::to_string(n++) + "]\nID=" + q.id + "\nText=" + q.text;
    for (int i = 0; i < 4; i++)
      s += "\nAnswer" + std::to_string(i + 1) + "=" + q.answers[i];
    s += "\nSolution=" + std::to_string(q.solution) + "\nPhoto=" + q.photo + "\n";
  };
  for (const QuestionSpec &q : questions)
    add(q);
  for (const QuestionSpec &q : puzzles)
    add(q);
  return s;
}

void GameFixture::SetUp() {
  ResetGameGlobals();
  KInput::clearInjectedInput();
  g_mousePressed = false;
  g_keysDown.clear();
  g_current = this;
  g_soundObserver = RecordSound;
  clock.now = 1000000000ull; // 1 000 000 ms after the clock's start
  KMiscTools::setClock(&clock);
  // Whatever the code waits for (a release of the button or of a key), the
  // test's hand lets go while it waits.
  clock.onSleep = [](uint32_t) {
    if (g_mousePressed) {
      g_mousePressed = false;
      KInput::injectMouse(true, g_current->mouseX, g_current->mouseY, false);
    }
    for (EKeyboardLayout k : g_keysDown)
      KInput::injectKey(k, false);
    g_keysDown.clear();
  };
  KInput::injectMouse(true, 0, 0, false);

  const char *tmp = getenv("TMPDIR");
  appDir = std::string(tmp && *tmp ? tmp : "/tmp") + "/trivello-game-" + std::to_string(getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
  std::replace(appDir.begin() + appDir.rfind("trivello-game"), appDir.end(), '/', '_');
  resDir = appDir + "/Contents/Resources";
  std::string built = std::string(TRIVELLO_BINARY_DIR) + "/Trivello/Contents/Resources";
  std::string cmd = "rm -rf '" + appDir + "' && mkdir -p '" + resDir + "/data' && ln -s '" + built + "/gfx' '" +
                    resDir + "/gfx' && ln -s '" + built + "/snd' '" + resDir + "/snd' && ln -s '" + built +
                    "/photos' '" + resDir + "/photos'";
  ASSERT_EQ(system(cmd.c_str()), 0);
  snprintf(KMiscTools::currentAppPath, sizeof(KMiscTools::currentAppPath), "%s", appDir.c_str());
  std::string parent = appDir.substr(0, appDir.rfind('/'));
  snprintf(KMiscTools::currentFilePath, sizeof(KMiscTools::currentFilePath), "%s", parent.c_str());
  KMiscTools::setFileSource(true);
}

void GameFixture::TearDown() {
  ReleaseEverything();
  g_soundObserver = nullptr;
  g_frameObserver = nullptr;
  g_current = nullptr;
  KInput::clearInjectedInput();
  clock.onSleep = nullptr;
  KMiscTools::setClock(nullptr);
  system(("rm -rf '" + appDir + "'").c_str());
}

void GameFixture::writeResource(const std::string &name, const std::string &content) {
  std::ofstream out(resDir + "/" + name, std::ios::binary);
  out << content;
}

void GameFixture::openGameWindow() {
  GV.sfxVolume = kDefaultSfxVolume; // as a start without "prefs" leaves them
  GV.musicVolume = kDefaultMusicVolume;
  LoadSounds();
  gameWindow = KNUX::createKWindow(K_OPENGL, false);
  ASSERT_TRUE(gameWindow->createGameWindow(800, 600, 16, true, "Trivello test"));
  GoToScreen(SCREEN_TITLE);
  LoadPointer();
  gameWindow->setNUXCallBack(ourOwnEventCallback);
  ktext_small = new KText(KMiscTools::makeFilePath("gfx\\letters02.png"), fontTable2);
  ktext_font = new KText(KMiscTools::makeFilePath("gfx\\letters01.tga"), fontTable);
}

bool GameFixture::frame() { return CUR_SCR == SCREEN_LAUNCHER ? LauncherFrame() : GameFrame(); }

void GameFixture::frames(int n) {
  for (int i = 0; i < n; i++)
    if (!frame())
      return;
}

void GameFixture::clickAt(int x, int y) {
  mouseX = x;
  mouseY = y;
  g_mousePressed = true;
  KInput::injectMouse(true, x, y, true);
  frame();
}

void GameFixture::moveTo(int x, int y) {
  mouseX = x;
  mouseY = y;
  KInput::injectMouse(true, x, y, false);
}

void GameFixture::tapKey(EKeyboardLayout key) {
  KInput::injectKey(key, true);
  g_keysDown.push_back(key);
  frame();
  KInput::injectKey(key, false);
}

int GameFixture::played(KSound *sound) const { return (int)std::count(sounds.begin(), sounds.end(), sound); }

} // namespace testsupport
