// The lines each screen writes in the player's language, read back from the
// glyphs the game's own fonts draw: a line in the wrong language, or a letter
// the font lacks (which the text would skip), shows as a different string.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "KText.h"
#include "fonttables.h"
#include "globals.h"
#include "menus.h"
#include "play.h"
#include "players.h"
#include "support/GameFixture.h"
#include "support/NullGraphic.h"

namespace {

// A font picture that keeps each glyph blit: its source corner and where it went.
class GlyphRecorder : public testsupport::NullGraphic {
public:
  struct Blit {
    float srcX, srcY;
    short x, y;
  };
  std::vector<Blit> blits;
  void blitAlphaRect(float x1, float y1, float, float, short x, short y, bool, bool) override {
    blits.push_back({x1, y1, x, y});
  }
  // The text drawn at row `y` with `table`'s font, glyphs ordered left to
  // right; `inside` is false when a glyph lies outside the 800-pixel screen.
  std::string lineAt(const KFont *table, short y, bool &inside) {
    std::sort(blits.begin(), blits.end(), [](const Blit &a, const Blit &b) { return a.x < b.x; });
    std::string text;
    inside = true;
    for (const Blit &b : blits)
      for (const KFont *g = table; g->_c != 0 && b.y == y; g++)
        if (g->_x1 == b.srcX && g->_y1 == b.srcY) {
          text += g->_c;
          inside = inside && b.x >= 0 && b.x + g->_w <= 800;
          break;
        }
    return text;
  }
};

TEST(LanguagesTest, EachLanguageReadsItsOwnLinesWithEveryLetterDrawn) {
  testsupport::ResetGameGlobals();
  GlyphRecorder *bigPen = new GlyphRecorder, *smallPen = new GlyphRecorder; // owned by the fonts
  KText big, small;
  big.setKGraphic(bigPen);
  big.setFontTable(fontTable);
  small.setKGraphic(smallPen);
  small.setFontTable(fontTable2);
  ktext_font = &big;
  ktext_small = &small;
  auto title = [](int16_t button) {
    return [button] {
      CUR_BUT = button;
      DrawTitleScreen();
    };
  };
  auto hint = [](int16_t which) {
    return [which] {
      Max_Players = 1;
      Player[0].lives = 3;
      GetReady = 1;
      Getr = 0;
      Getz = 1.0f;
      RandomHelp = which;
      DrawGameScreen();
    };
  };
  // One line of each screen and hint (the others are drawn beside it by the
  // same helper), and the lines with the accented letters the others lack;
  // Latin-1 as the fonts hold it.
  struct Case {
    const char *what;
    std::function<void()> draw;
    bool bigFont;
    short y;
    const char *english, *italian, *spanish;
  } cases[] = {
      {"title, new game", title(1), true, 150, "Click Here To Start A New Game", "Clicca qui per una nuova partita",
       "Haz clic aqu\xED para empezar una partida"},
      {"title, top ten", title(2), true, 175, "(Internet Connection Required To View Them)",
       "(Connessione a Internet necessaria)", "(Necesitas conexi\xF3n a Internet)"},
      {"players, first line", DrawPlayersScreen, true, 530, "Choose the number of human players that will play",
       "Scegli il numero di giocatori che parteciperanno", "Elige el n\xFAmero de jugadores que van a tomar"},
      {"players", DrawPlayersScreen, true, 550, "the game. The one who make more points will be the",
       "al gioco. Quello che far\xE0 maggior punti sar\xE0 il", "parte en la partida. \xA1Quien consiga m\xE1s puntos"},
      {"skill", DrawSkillScreen, true, 570, "in questions related to your skill", "relative allo skill scelto",
       "de la categor\xED"
       "a que has elegido"},
      {"hint 1", hint(1), false, 385, "hint: get an extra life every 10.000 points",
       "tip: ottieni vita extra ogni 10.000 punti", "consejo: cada 10.000 puntos ganas una vida extra"},
      {"hint 2", hint(2), false, 375, "hint: click the J to use the jolly", "tip: clicca la J per usare il jolly",
       "consejo: pulsa la J para usar el comod\xEDn"},
      {"hint 3", hint(3), false, 395, "more points of each correct answer", "livello di difficolt\xE0 raggiunto",
       "m\xE1s puntos vale cada respuesta correcta"},
  };
  for (const Case &c : cases) {
    const char *expected[3] = {c.english, c.italian, c.spanish};
    for (int16_t language = 0; language <= 2; language++) {
      SCOPED_TRACE(testing::Message() << c.what << ", language " << language);
      GV.language = language;
      bigPen->blits.clear();
      smallPen->blits.clear();
      c.draw();
      bool inside = false;
      GlyphRecorder *pen = c.bigFont ? bigPen : smallPen;
      EXPECT_EQ(pen->lineAt(c.bigFont ? fontTable : fontTable2, c.y, inside), expected[language]);
      EXPECT_TRUE(inside) << "the line runs off the screen";
    }
  }
  ktext_font = ktext_small = nullptr;
}

} // namespace
