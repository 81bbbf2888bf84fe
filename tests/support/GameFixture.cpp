// GameFixture (see GameFixture.h).
#include "support/GameFixture.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "KMiscTools.h"
#include "KNUX.h"
#include "KText.h"
#include "KWindow.h"
#include "access.h"
#include "entry.h"
#include "fonttables.h"
#include "globals.h"
#include "pads.h"
#include "play.h"
#include "players.h"
#include "prefs.h"
#include "questions.h"
#include "screens.h"
#include "toolkit.h"
#include "speech.h"

namespace testsupport {

namespace {
GameFixture *g_current = nullptr;
bool g_mousePressed = false;
std::vector<EKeyboardLayout> g_keysDown;

// Fills each table (or record) with zero bytes.
template <class... Tables> void Zero(Tables &...tables) { (memset(&tables, 0, sizeof tables), ...); }

void RecordSound(KSound *sound) {
  if (g_current)
    g_current->sounds_push(sound);
}
} // namespace

void ResetGameGlobals() {
  // Every counter and flag that starts at 0, then the tables, then the rest.
  CUR_BUT = PRV_BUT = ACT_BUT = ButtDown = mx = my = StartGame = Finish = Timer = IntroTimer = UPTXT = AllAnswered = 0;
  lastchar = MAX_QUESTIONS = MAX_PUZZLES = CUR_QUE = QuestionType = PuzzleType = Time = StartLevel = WellDone = 0;
  Incorrect = OutofTime = GetReady = Getr = LevelComplete = Points = Clicked = Jolly = StartJolly = JollyTimer = 0;
  RandomHelp = Max_Players = Cur_Player = ShowScores = ShowHighscores = bufferPosition = SubmitScore = Submitted = 0;
  CleanUp = OnlineWait = TopTenOffline = 0;
  Getz = 0;
  Zero(IMG, SND, GUIButton, Question, QuestionAsked, Blocks, ABlocks, OkShow, Player, OnlineScore, ManagerName,
       LocalScore, GV);
  CUR_SCR = 6;
  QuestionM = 150;
  ShowNotice(nullptr);
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

QuestionSpec Ask(const std::string &id, int solution, const std::string &photo) {
  QuestionSpec q{id, "Question " + id, {"Answer 1", "Answer 2", "Answer 3", "Answer 4"}, solution, photo};
  return q;
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

std::string GameFixture::readResource(const std::string &name) {
  std::ifstream in(resDir + "/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
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

void GameFixture::loadQuestions(int perLevel, int puzzles, int solution, const std::vector<std::string> &categories) {
  std::vector<QuestionSpec> qs, ps;
  for (const char *level : {"E-", "M-", "H-"})
    for (int i = 0; i < perLevel; i++)
      qs.push_back(Ask(level + categories[i % categories.size()], solution));
  for (int i = 0; i < puzzles; i++)
    ps.push_back(Ask("Puzzl", solution, i % 2 ? "italy" : "france"));
  writeResource("data/eng.ini", QuestionFile(qs, ps));
  ReadQuestions();
  srand(1);
}

void GameFixture::playOnGameScreen(int players) {
  StartNewGame(players);
  GoToScreen(SCREEN_GAME);
}

void GameFixture::startGame(int players, int skill) {
  const int playerButtons[7][2] = {{0, 0}, {280, 242}, {513, 242}, {283, 332}, {516, 332}, {282, 421}, {518, 422}};
  clickAt(393, 235); // New game
  ASSERT_EQ(CUR_SCR, SCREEN_PLAYERS);
  clickAt(playerButtons[players][0], playerButtons[players][1]);
  ASSERT_EQ(CUR_SCR, SCREEN_SKILL);
  for (int i = 0; i < players; i++)
    clickAt(392, 236 + 46 * skill);
  ASSERT_EQ(CUR_SCR, SCREEN_LEVEL_START);
  clickAt(400, 300);
  ASSERT_EQ(CUR_SCR, SCREEN_GAME);
  moveTo(5, 5);
}

bool GameFixture::frame() { return CUR_SCR == SCREEN_LAUNCHER ? LauncherFrame() : GameFrame(); }

void GameFixture::frames(int n) {
  for (int i = 0; i < n; i++)
    if (!frame())
      return;
}

void GameFixture::pressAt(int x, int y) {
  mouseX = x;
  mouseY = y;
  g_mousePressed = true;
  KInput::injectMouse(true, x, y, true);
}

void GameFixture::clickAt(int x, int y) {
  pressAt(x, y);
  frame();
}

void GameFixture::moveTo(int x, int y) {
  mouseX = x;
  mouseY = y;
  KInput::injectMouse(true, x, y, false);
}

void GameFixture::holdKey(EKeyboardLayout key) {
  KInput::injectKey(key, true);
  g_keysDown.push_back(key);
}

void GameFixture::tapKey(EKeyboardLayout key) {
  holdKey(key);
  frame();
  KInput::injectKey(key, false);
}

long StateValue(const std::string &name) {
  struct Var {
    Var(int16_t *v) : shortValue(v) {}
    Var(int32_t *v) : longValue(v) {}
    int16_t *shortValue = nullptr;
    int32_t *longValue = nullptr;
  };
  static const std::map<std::string, Var> globals = {{"screen", &CUR_SCR},
                                                     {"button", &CUR_BUT},
                                                     {"WellDone", &WellDone},
                                                     {"Incorrect", &Incorrect},
                                                     {"OutofTime", &OutofTime},
                                                     {"GetReady", &GetReady},
                                                     {"StartLevel", &StartLevel},
                                                     {"Jolly", &Jolly},
                                                     {"StartJolly", &StartJolly},
                                                     {"player", &Cur_Player},
                                                     {"players", &Max_Players},
                                                     {"ShowScores", &ShowScores},
                                                     {"Finish", &Finish},
                                                     {"Clicked", &Clicked},
                                                     {"Points", &Points},
                                                     {"Time", &Time},
                                                     {"focus", &PadFocus},
                                                     {"highlight", &PadHighlight},
                                                     {"logo", &IMG[SLOT_TITLE].frame},
                                                     {"logoDelay", &QuestionM},
                                                     {"credit", &UPTXT},
                                                     {"music", &GV.musicVolume},
                                                     {"effects", &GV.sfxVolume},
                                                     {"windowed", &GV.windowed},
                                                     {"online", &GV.submitOnline},
                                                     {"showCorrect", &GV.showCorrect},
                                                     {"jollyFrame", &IMG[SLOT_JOLLY].frame},
                                                     {"OnlineWait", &OnlineWait},
                                                     {"SubmitScore", &SubmitScore}};
  auto found = globals.find(name);
  if (found != globals.end())
    return found->second.shortValue ? *found->second.shortValue : *found->second.longValue;
  if (name == "shown")
    return OkShow[0] + OkShow[1] + OkShow[2] + OkShow[3];
  if (name == "clickSounds" || name == "overSounds")
    return g_current->played(name == "clickSounds" ? snd_Click : snd_Over);
  // A player's field: the name ends with the player's index.
  int i = name.back() - '0';
  if (i >= 0 && i < MAX_PLAYER_RECORDS) {
    const Player_t &p = Player[i];
    const std::map<std::string, long> fields = {
        {"lives", p.lives}, {"score", p.score},     {"question", p.questionNumber}, {"level", p.level},
        {"skill", p.skill}, {"answers", p.answers}, {"pad", PadOfPlayer[i]}};
    auto value = fields.find(name.substr(0, name.size() - 1));
    if (value != fields.end())
      return value->second;
  }
  ADD_FAILURE() << "no state named " << name;
  return 0;
}

void GameFixture::expectState(const std::string &state) {
  std::istringstream in(state);
  std::string pair;
  while (in >> pair) {
    size_t eq = pair.find('=');
    EXPECT_EQ(StateValue(pair.substr(0, eq)), std::stol(pair.substr(eq + 1))) << pair;
  }
}

bool GameFixture::act(const std::vector<std::string> &w) {
  static const std::map<std::string, EKeyboardLayout> keys = {
      {"A", K_VK_A},         {"B", K_VK_B},           {"C", K_VK_C},          {"D", K_VK_D}, {"J", K_VK_J},
      {"R", K_VK_R},         {"1", K_VK_1},           {"2", K_VK_2},          {"3", K_VK_3}, {"4", K_VK_4},
      {"SPACE", K_VK_SPACE}, {"RETURN", K_VK_RETURN}, {"ESCAPE", K_VK_ESCAPE}};
  auto number = [&](size_t i) { return i < w.size() ? std::stoi(w[i]) : 1; };
  if (w.empty())
    return true;
  if (w[0] == "frame" || w[0] == "frames")
    frames(number(1));
  else if (w[0] == "wait" || w[0] == "advance")
    clock.advanceMs(number(1));
  else if (w[0] == "click")
    clickAt(number(1), number(2));
  else if (w[0] == "box")
    clickBox(number(1));
  else if (w[0] == "move")
    moveTo(number(1), number(2));
  else if (w[0] == "key")
    tapKey(keys.at(w[1]));
  else if (w[0] == "hold")
    KInput::injectKey(keys.at(w[1]), true);
  else if (w[0] == "release")
    KInput::injectKey(keys.at(w[1]), false);
  else
    return false;
  if (w[0] == "wait" || w[0] == "move" || w[0] == "hold")
    frame();
  return true;
}

void GameFixture::play(const std::vector<std::string> &steps) {
  for (const std::string &step : steps) {
    SCOPED_TRACE("step \"" + step + "\"");
    size_t arrow = step.find("=>");
    std::istringstream in(step.substr(0, arrow));
    std::vector<std::string> words{std::istream_iterator<std::string>(in), {}};
    clearSounds();
    if (!act(words))
      ADD_FAILURE() << "no such action";
    if (arrow != std::string::npos)
      expectState(step.substr(arrow + 2));
  }
}

int GameFixture::played(KSound *sound) const { return (int)std::count(sounds.begin(), sounds.end(), sound); }

} // namespace testsupport
