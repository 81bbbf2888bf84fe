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
};

// ISO 8859-1 bytes from UTF-8 source text (the test's expectations read as written).
std::string latin1(const char *utf8) {
  std::string out;
  for (const unsigned char *p = (const unsigned char *)utf8; *p; p++) {
    if (*p >= 0xC0 && p[1]) {
      out += (char)(((*p & 0x03) << 6) | (p[1] & 0x3F));
      p++;
    } else {
      out += (char)*p;
    }
  }
  return out;
}

class LanguagesTest : public ::testing::Test {
protected:
  void SetUp() override {
    testsupport::ResetGameGlobals();
    big.setKGraphic(bigPen);
    big.setFontTable(fontTable);
    small.setKGraphic(smallPen);
    small.setFontTable(fontTable2);
    ktext_font = &big;
    ktext_small = &small;
  }
  void TearDown() override { ktext_font = ktext_small = nullptr; }

  // The text drawn at row `y` with `table`'s font, glyphs ordered left to right;
  // `inside` is false when a glyph lies outside the 800-pixel screen.
  std::string lineAt(const GlyphRecorder &pen, const KFont *table, short y, bool &inside) const {
    std::vector<GlyphRecorder::Blit> row;
    for (const GlyphRecorder::Blit &b : pen.blits)
      if (b.y == y)
        row.push_back(b);
    std::sort(row.begin(), row.end(), [](const auto &a, const auto &b) { return a.x < b.x; });
    std::string text;
    inside = true;
    for (const GlyphRecorder::Blit &b : row)
      for (const KFont *g = table; g->_c != 0; g++)
        if (g->_x1 == b.srcX && g->_y1 == b.srcY) {
          text += g->_c;
          inside = inside && b.x >= 0 && b.x + g->_w <= 800;
          break;
        }
    return text;
  }

  GlyphRecorder *bigPen = new GlyphRecorder, *smallPen = new GlyphRecorder; // owned by the fonts
  KText big, small;
};

TEST_F(LanguagesTest, EachLanguageReadsItsOwnLinesWithEveryLetterDrawn) {
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
  struct Case {
    const char *what;
    std::function<void()> draw;
    bool bigFont;
    short y;
    const char *english, *italian, *spanish;
  } cases[] = {
      {"title, new game", title(1), true, 150, "Click Here To Start A New Game", "Clicca qui per una nuova partita",
       "Haz clic aquí para empezar una partida"},
      {"title, top ten", title(2), true, 175, "(Internet Connection Required To View Them)",
       "(Connessione a Internet necessaria)", "(Necesitas conexión a Internet)"},
      {"players, first line", DrawPlayersScreen, true, 530, "Choose the number of human players that will play",
       "Scegli il numero di giocatori che parteciperanno", "Elige el número de jugadores que van a tomar"},
      {"players, second line", DrawPlayersScreen, true, 550, "the game. The one who make more points will be the",
       "al gioco. Quello che farà maggior punti sarà il", "parte en la partida. ¡Quien consiga más puntos"},
      {"players, third line", DrawPlayersScreen, true, 570, "winner of the competition!", "vincitore del torneo!",
       "será el ganador del torneo!"},
      {"skill, first line", DrawSkillScreen, true, 550, "You'll get double points for correct answers",
       "Otterrai il doppio dei punti per le domande", "Ganarás el doble de puntos con las preguntas"},
      {"skill, second line", DrawSkillScreen, true, 570, "in questions related to your skill",
       "relative allo skill scelto", "de la categoría que has elegido"},
      {"hint 1", hint(1), false, 385, "hint: get an extra life every 10.000 points",
       "tip: ottieni vita extra ogni 10.000 punti", "consejo: cada 10.000 puntos ganas una vida extra"},
      {"hint 2, first line", hint(2), false, 375, "hint: click the J to use the jolly",
       "tip: clicca la J per usare il jolly", "consejo: pulsa la J para usar el comodín"},
      {"hint 2, second line", hint(2), false, 395, "it will eliminate 2 wrong answers for you",
       "che elimina 2 risposte sbagliate", "que elimina 2 respuestas incorrectas"},
      {"hint 3, first line", hint(3), false, 375, "hint: every level of difficulty gives you",
       "tip: i punti ottenuti aumentano in base al", "consejo: cuanto más alto es el nivel de dificultad,"},
      {"hint 3, second line", hint(3), false, 395, "more points of each correct answer",
       "livello di difficoltà raggiunto", "más puntos vale cada respuesta correcta"},
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
      std::string drawn = lineAt(c.bigFont ? *bigPen : *smallPen, c.bigFont ? fontTable : fontTable2, c.y, inside);
      EXPECT_EQ(drawn, latin1(expected[language]));
      EXPECT_TRUE(inside) << "the line runs off the screen";
    }
  }
}

} // namespace
