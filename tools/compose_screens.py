#!/usr/bin/python3
"""Composes the game's screens from the pictures in assets/gfx/, copying the
same rectangles to the same places as the game does, so the artwork can be
checked by eye. Writes PNGs into build-art/screens/ (not part of the game).

Usage: tools/compose_screens.py [ASSETS_DIR] [OUTPUT_DIR]

Texts are drawn with the game's own bitmap fonts when game/fonttables.cpp and
the font pictures are present, otherwise with a DejaVu stand-in of similar
size. The sample questions, names and scores are made up for the preview.
"""

import math
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, ".."))
sys.path.insert(0, HERE)

from PIL import Image, ImageDraw, ImageFont  # noqa: E402

import picture_regions as R  # noqa: E402

GFX = os.path.join(ROOT, "assets", "gfx")
PHOTOS = os.path.join(ROOT, "assets", "photos")


# ---- fonts ------------------------------------------------------------------

class BitmapFont:
    """A KText stand-in: glyph rectangles from the game's table, blitted with alpha."""

    def __init__(self, picture, table):
        self.pic = picture.convert("RGBA")
        self.table = table  # {code: (x1, y1, x2, y2, w, h)}

    def width(self, txt, kerning=0):
        return sum(self.table[ord(c)][4] + kerning for c in txt if ord(c) in self.table)

    def draw_left(self, canvas, txt, x, y, kerning=0):
        for c in txt:
            g = self.table.get(ord(c))
            if g is None:
                continue
            x1, y1, x2, y2, w, _h = g
            canvas.alpha_composite(self.pic.crop((x1, y1, x2 + 1, y2 + 1)), (int(x), int(y)))
            x += w + kerning


class TrueTypeFont:
    """Fallback when the bitmap fonts are not there."""

    def __init__(self, path, size):
        self.f = ImageFont.truetype(path, size)

    def width(self, txt, kerning=0):
        return int(self.f.getlength(txt)) + kerning * len(txt)

    def draw_left(self, canvas, txt, x, y, kerning=0):
        ImageDraw.Draw(canvas).text((x, y), txt, font=self.f, fill=(255, 255, 255, 255))


def parse_tables(path):
    src = open(path, encoding="latin-1").read()
    tables = {}
    for name in ("fontTable", "fontTable2"):
        m = re.search(r"KFont\s+%s\s*\[\d*\]\s*=\s*\{(.*?)\n\};" % name, src, re.S)
        if not m:
            return None
        t = {}
        for e in re.finditer(r"\{\s*('(?:\\.|[^'])'|\(char\)0x[0-9A-Fa-f]+|0)\s*,\s*(-?\d+)\s*,\s*(-?\d+)\s*,"
                             r"\s*(-?\d+)\s*,\s*(-?\d+)\s*,\s*(-?\d+)\s*,\s*(-?\d+)\s*\}", m.group(1)):
            c = e.group(1)
            if c.startswith("'"):
                body = c[1:-1]
                code = ord(body[1]) if body.startswith("\\") else ord(body)
            elif c.startswith("(char)"):
                code = int(c[6:], 16)
            else:
                continue
            if code and code not in t:
                t[code] = tuple(int(e.group(i)) for i in range(2, 8))
        tables[name] = t
    return tables


def load_fonts(assets):
    tables = None
    path = os.path.join(ROOT, "game", "fonttables.cpp")
    if os.path.exists(path):
        tables = parse_tables(path)
    big_pic = os.path.join(assets, "letters01.tga")
    small_pic = os.path.join(assets, "letters02.png")
    if tables and os.path.exists(big_pic) and os.path.exists(small_pic):
        return (BitmapFont(Image.open(big_pic), tables["fontTable"]),
                BitmapFont(Image.open(small_pic), tables["fontTable2"]))
    dj = "/usr/share/fonts/truetype/dejavu/"
    return TrueTypeFont(dj + "DejaVuSans-Bold.ttf", 15), TrueTypeFont(dj + "DejaVuSans.ttf", 13)


# ---- a tiny stand-in for the engine's blits ------------------------------------

class Screen:
    def __init__(self, w, h, big, small):
        self.c = Image.new("RGBA", (w, h), (0, 0, 0, 255))
        self.big, self.small = big, small

    def blit(self, pic, rect, x, y):
        """blitRect: opaque copy."""
        part = pic.crop(rect).convert("RGB").convert("RGBA")
        self.c.alpha_composite(part, (int(x), int(y))) if x >= 0 and y >= 0 else self._paste_clip(part, x, y)

    def _paste_clip(self, part, x, y):
        layer = Image.new("RGBA", self.c.size, (0, 0, 0, 0))
        layer.paste(part, (int(x), int(y)))
        self.c.alpha_composite(layer)

    def blit_alpha(self, pic, rect, x, y, blend=1.0, angle=0.0, zoom=1.0):
        """blitAlphaRect / blitAlphaRectFx about the rectangle's centre."""
        if zoom == 0 or blend <= 0:
            return
        part = pic.crop(rect).convert("RGBA")
        w, h = part.size
        if blend < 1.0:
            a = part.getchannel("A").point(lambda v: int(v * blend + 0.5))
            part.putalpha(a)
        cx, cy = x + w / 2.0, y + h / 2.0
        if zoom != 1.0:
            part = part.resize((max(1, int(round(w * zoom))), max(1, int(round(h * zoom)))), Image.BILINEAR)
        if angle:
            part = part.rotate(angle, resample=Image.BILINEAR, expand=True)
        layer = Image.new("RGBA", self.c.size, (0, 0, 0, 0))
        layer.paste(part, (int(round(cx - part.size[0] / 2)), int(round(cy - part.size[1] / 2))))
        self.c.alpha_composite(layer)

    def rect(self, x1, y1, x2, y2, colour):
        ImageDraw.Draw(self.c).rectangle((min(x1, x2), min(y1, y2), max(x1, x2) - 1, max(y1, y2) - 1),
                                         fill=colour + (255,))

    def text(self, font, txt, x, y, kerning=0):
        font.draw_left(self.c, txt, x, y, kerning)

    def centred(self, font, txt, x1, x2, y, kerning=0):
        w = font.width(txt, kerning)
        if w > 0:
            font.draw_left(self.c, txt, x1 + int(((x2 - x1) - w) / 2), y, kerning)

    def right(self, font, txt, x, y, kerning=0):
        font.draw_left(self.c, txt, x - font.width(txt, kerning), y, kerning)

    def pointer(self, pics, x, y, hot):
        self.blit_alpha(pics["pointer_s.tga"], (0, 0, 32, 32), x + 2, y + 2, 0.5)
        self.blit_alpha(pics["pointer2.tga" if hot else "pointer.tga"], (0, 0, 32, 32), x, y)


def frame_rect(f, fw, fh, width):
    per = width // fw
    row, col = (divmod(f, per) if f > 0 else (0, 0))
    return (fw * col, fh * row, fw * (col + 1), fh * (row + 1))


# ---- the screens -------------------------------------------------------------------

CREDITS = ["Game design and questions: the Trivello team", "Graphics: Trivello art scripts",
           "Programming: Trivello on the NUX engine", "Thanks for playing!"]


def title(s, P, hover=0, logo_frame=0, uptxt=1, view=None):
    back = P["back.jpg"]
    s.blit(back, (0, 0, 800, 600), 0, 0)
    s.blit_alpha(P["titolo.tga"], frame_rect(logo_frame, 61, 70, 183), 255, 11)
    lines = {1: ["Click Here To Start A New Game"],
             2: ["View Online Highscores", "(Internet Connection Required To View Them)"],
             3: ["Setup Game Options"], 5: ["Quit The Game"]}
    for k, line in enumerate(lines.get(hover, [])):
        s.centred(s.big, line, 0, 800, 150 + 25 * k)
    if uptxt == 0:
        nux = P["nux.tga"]
        s.blit_alpha(nux, (0, 0) + nux.size, 370, 560)
    elif 1 <= uptxt <= 4:
        s.centred(s.big, CREDITS[uptxt - 1], 0, 800, 565)
    s.blit(back, R.MENU_PANEL_SLICE, *R.MENU_PANEL_SLICE_POS)
    if view == "results":
        s.blit(back, (0, 0, 800, 600), 0, 0)
        s.blit(back, R.MENU_PANEL, *R.MENU_PANEL_POS)
        s.blit_alpha(P["titolo.tga"], frame_rect(logo_frame, 61, 70, 183), 255, 11)
        s.centred(s.big, "Results for Multiplayer Game", 0, 800, 140)
        s.centred(s.big, "Press Mouse Button To Finish", 0, 800, 557)
        s.text(s.big, "Rank", 100, 190)
        s.centred(s.big, "Answers", 310, 420, 190)
        s.centred(s.big, "Level", 450, 580, 190)
        s.centred(s.big, "Score", 600, 700, 190)
        rows = [("Player 2", 31, 2, 16500), ("Player 4", 27, 1, 12050), ("Player 1", 22, 1, 8800),
                ("Player 3", 12, 0, 4350), ("Player 5", 9, 0, 1200), ("Player 6", 3, 0, 0)]
        for i, (name, ans, lvl, score) in enumerate(rows):
            y = 230 + 32 * i
            s.right(s.big, "%d)" % (i + 1), 120, y)
            s.text(s.big, name, 130, y)
            s.centred(s.big, "%d" % ans, 310, 420, y)
            s.right(s.big, "%d" % score, 690, y)
            s.centred(s.big, ["Easy", "Average", "Hard"][lvl], 450, 580, y)
        return
    if view == "topten":
        s.blit(back, (0, 0, 800, 600), 0, 0)
        s.blit(back, R.MENU_PANEL, *R.MENU_PANEL_POS)
        s.blit_alpha(P["titolo.tga"], frame_rect(logo_frame, 61, 70, 183), 255, 11)
        s.centred(s.big, "Top Ten Highscores", 0, 800, 140)
        s.centred(s.big, "Press Mouse Button To Go Back", 0, 800, 557)
        names = ["Quizmaster", "Anna", "Marco B.", "Lucia", "Giorgio", "Elena", "Pablo"]
        for i in range(10):
            y = 200 + 32 * i
            s.right(s.big, "%d)" % (i + 1), 200, y)
            s.text(s.big, names[i] if i < len(names) else "", 210, y)
            s.right(s.big, "%d" % (max(0, 42000 - 5200 * i) if i < len(names) else 0), 640, y)
        return
    for n, y1, y2, x, y in R.TITLE_BUTTONS:
        if n == hover:
            s.blit(P["bottoni.tga"], (0, y1, 258, y2), x, y)


def players(s, P, hover=0, logo_frame=6):
    back = P["back.jpg"]
    s.blit(back, (0, 0, 800, 600), 0, 0)
    s.blit(back, R.PLAYERS_HEADER, *R.PLAYERS_HEADER_POS)
    s.blit(back, R.MENU_PANEL, *R.MENU_PANEL_POS)
    s.blit_alpha(P["titolo.tga"], frame_rect(logo_frame, 61, 70, 183), 255, 11)
    for n, sx, sy, w, h, x, y in R.PLAYER_BUTTONS:
        s.blit_alpha(back, (sx, sy, sx + w, sy + h), x, y, 0.7)
    for k, line in enumerate(["Choose the number of human players that will play",
                              "the game. The one who make more points will be the",
                              "winner of the competition!"]):
        s.centred(s.big, line, 0, 800, 530 + 20 * k)
    s.blit(back, R.BACK_LABEL, *R.BACK_POS)
    if hover == 7:
        s.blit(back, R.BACK_HOVER, *R.BACK_POS)
    for n, sx, sy, w, h, x, y in R.PLAYER_BUTTONS:
        if n == hover:
            s.blit(back, (sx, sy, sx + w, sy + h), x, y)


def skill(s, P, player=0, hover=0):
    sk = P["skill.jpg"]
    s.blit(sk, (0, 0, 800, 600), 0, 0)
    if player > 0:
        s.blit(sk, (0, 38 * player + 563, 799, 38 * player + 600), 0, 151)
    s.centred(s.big, "You'll get double points for correct answers", 0, 800, 550)
    s.centred(s.big, "in questions related to your skill", 0, 800, 570)
    s.blit(P["back.jpg"], R.BACK_LABEL, *R.BACK_POS)
    if hover == 7:
        s.blit(P["back.jpg"], R.BACK_HOVER, *R.BACK_POS)
    elif 1 <= hover <= 6:
        s.blit(sk, R.SKILL_HOVER[hover - 1], *R.SKILL_POS[hover - 1])


def level(s, P, lvl=0, player=0):
    nl = P["newlevel.jpg"]
    s.blit(nl, (0, 0, 800, 600), 0, 0)
    s.centred(s.big, "CLICK MOUSE TO START", 0, 800, 100)
    if lvl > 0:
        s.blit(nl, R.LEVEL_MARKERS[lvl - 1], *R.LEVEL_MARKER_POS)
    if player > 0:
        s.blit(nl, (801, 52 * player - 52, 950, 52 * player - 2), *R.LEVEL_PLAYER_POS)


QUESTION = ("Which river flows through the city of Florence?", ["Arno", "Tiber", "Po", "Adige"])


def game(s, P, art="Geo", t=60, phase=None, clicked=0, solution=1, lives=3, score=12450, qnum=12, lvl=0,
         jolly_frame=0, okshow=(1, 1, 1, 1), getr=0, getz=1.0, help_n=2, puzzle=None, points=1100,
         name_entry=False, hover_answer=0):
    ing = P["ingame.jpg"]
    s.blit(ing, (0, 0, 800, 600), 0, 0)
    if phase != "timeout":
        s.rect(248, 71, 535, 269, (0, 0, 0))
    slot6 = None
    if phase in ("welldone", "wow", "endgame"):
        slot6 = P[phase + ".jpg"]
    elif phase == "wrong":
        slot6 = P["youlose.jpg"] if lives == 0 else P["incorrect.jpg"]
    elif phase == "timeout" and lives == 0:
        slot6 = P["youlose.jpg"]
    if lives == 0 and phase == "timeout":
        s.blit(slot6, (0, 0, 400, 300), 191, 28)
    if phase is None:
        if puzzle is not None:
            kind, photo = puzzle
            if kind == 0:
                s.blit_alpha(photo, (0, 0, 400, 300), 191, 28, t / 150.0)
            elif kind == 1:
                s.blit_alpha(photo, (0, 0, 400, 300), 191, 28, 1.0, 0, 4.0 - t / 50.0)
                for rect, pos in R.ZOOM_FRAME:
                    s.blit(ing, rect, *pos)
            else:
                s.blit(photo, (0, 0, 400, 300), 191, 28)
                blocks = [[5, 21, 0], [14, 0, 33], [27, 40, 52], [0, 60, 45]]
                for col in range(4):
                    for row in range(3):
                        b = blocks[col][row]
                        x, y = 191 + 100 * col, 28 + 100 * row
                        if b <= 0:
                            s.blit(P["puzzle.jpg"], (0, 0, 100, 100), x, y)
                        else:
                            s.blit_alpha(P["puzzle.jpg"], (0, 0, 100, 100), x, y, max(0.0, 1.0 - t / b))
        elif art == "Geo":
            s.blit(ing, R.GEO_ART, 191, 28)
        elif art == "St":
            s.blit(ing, R.HISTORY_ART, 191, 28)
        elif art in ("Sp", "Att"):
            s.blit(P["sport.jpg" if art == "Sp" else "various.jpg"], (0, 0, 400, 300), 191, 28)
        elif art == "Lett":
            for rect, pos in R.LETTERS_ART:
                s.blit(ing, rect, *pos)
        elif art == "Sci":
            for rect, pos in R.SCIENCE_ART:
                s.blit(ing, rect, *pos)
    boxes = R.ANSWER_BOXES
    if clicked > 0 and phase in ("welldone", "wow", "endgame"):
        s.blit(ing, R.CORRECT_STRIP, boxes[clicked - 1][0] + 4, boxes[clicked - 1][1] + 4)
    if phase in ("wrong", "timeout"):
        s.blit(ing, R.CORRECT_STRIP, boxes[solution - 1][0] + 4, boxes[solution - 1][1] + 4)
    if clicked > 0 and phase == "wrong":
        s.blit(ing, R.WRONG_STRIP, boxes[clicked - 1][0] + 4, boxes[clicked - 1][1] + 4)
    s.blit(P["jolly.jpg"], frame_rect(jolly_frame, 159, 157, 477), 320, 441)
    if phase != "getready":
        s.centred(s.small, QUESTION[0], 0, 800, 385, -1)
        spans = [(75, 315, 473), (484, 724, 473), (75, 315, 545), (484, 724, 545)]
        for k, (x1, x2, y) in enumerate(spans):
            if okshow[k]:
                s.centred(s.small, QUESTION[1][k], x1, x2, y)
    s.centred(s.big, "%d" % lives, 690, 740, 68)
    s.centred(s.big, "%d" % score, 690, 740, 137)
    s.centred(s.big, "%d" % qnum, 690, 740, 234)
    s.centred(s.big, ["Easy", "Medium", "Hard"][lvl], 690, 740, 305)
    if name_entry:
        s.centred(s.big, "Congratulations!", 0, 800, 80)
        s.centred(s.big, "You made a high score!", 0, 800, 120)
        s.centred(s.small, "Please enter your name below", 0, 800, 170)
        s.centred(s.small, "then press enter to submit", 0, 800, 200)
        s.text(s.small, "Your Name", 300, 250)
        w = s.small.width("Your Name")
        s.rect(300 + w, 250, 310 + w, 269, (255, 255, 255))
        return
    if phase in ("welldone", "wow", "endgame"):
        s.blit(slot6, (0, 0, 400, 300), 191, 28)
        if points and qnum <= 44:
            s.centred(s.big, "SCORE: %d" % points, 0, 800, 305)
    if phase == "wrong":
        s.blit(slot6, (0, 0, 400, 300), 191, 28)
        if points == -1000:
            s.centred(s.big, "SKILL PENALTY: %d" % -1000, 0, 800, 305)
    if phase == "getready":
        if getz >= 1.0:
            s.centred(s.small, "Player %d" % 2, 0, 800, 75)
            s.centred(s.small, "CLICK MOUSE", 0, 800, 265)
            s.centred(s.small, "FOR NEXT QUESTION", 0, 800, 285)
        if help_n == 1:
            s.centred(s.small, "hint: get an extra life every 10.000 points", 0, 800, 385)
        else:
            s.centred(s.small, "hint: click the J to use the jolly", 0, 800, 375)
            s.centred(s.small, "it will eliminate 2 wrong answers for you", 0, 800, 395)
        s.blit_alpha(ing, R.NEXT_PANEL, *R.NEXT_PANEL_POS, 1.0, getr, getz)
        return
    if phase is not None:
        return
    s.rect(23, 300, 100, t + 148, (0, 0, 0))
    row = 1000 + t // 100
    for y in range(t + 149, 299):
        s.blit(ing, (0, row, 75, row + 1), 24, y)
    s.centred(s.big, "%d" % (15 - t // 10), 0, 120, 320)


def launcher(s, P, hover=5, renderer=0, language=2):
    la = P["launcher.png"]
    s.blit_alpha(la, (0, 0, 400, 340), 0, 0)
    for x, y in R.LAUNCHER_BOX_POS:
        s.blit_alpha(la, R.LAUNCHER_BOX, x, y, 0.7)
    s.centred(s.small, "Available game options", 0, 400, 142)
    s.text(s.small, "Use 16-bit textures", 105, 175, -1)
    s.centred(s.small, "Select questions language", 0, 400, 205)
    s.text(s.small, "English", 55, 235)
    s.text(s.small, "Italiano", 180, 235)
    s.text(s.small, "Espa\u00f1ol", 300, 235)
    if hover == 5:
        s.blit(la, R.LAUNCHER_START_HOVER, *R.LAUNCHER_START_POS)
    elif 1 <= hover <= 4:
        s.blit_alpha(la, R.LAUNCHER_BOX, *R.LAUNCHER_BOX_POS[hover - 1])
    ticks = []
    if renderer == 0:
        ticks.append(R.LAUNCHER_BOX_POS[0])
    ticks.append(R.LAUNCHER_BOX_POS[1 + language])
    for x, y in ticks:
        s.blit_alpha(la, R.LAUNCHER_TICK, x - 2, y - 8)


def options(s, P, hover=4, windowed=0, submit=0, correct=1, music=60, sfx=90, help_area=None):
    back = P["back.jpg"]
    s.blit(back, (0, 0, 800, 600), 0, 0)
    s.blit(back, R.MENU_PANEL, *R.MENU_PANEL_POS)
    s.blit(back, R.OPTIONS_PANEL, *R.OPTIONS_PANEL_POS)
    for rect, pos in R.OPTION_BOXES:
        s.blit_alpha(back, rect, *pos, 0.7)
    if 1 <= hover <= 3:
        rect, pos = R.OPTION_BOXES[hover - 1]
        s.blit(back, rect, *pos)
    elif hover == 4:
        s.blit(back, R.OPTIONS_OK_HOVER, *R.OPTIONS_OK_POS)
    for flag, pos in zip((windowed == 0, submit == 1, correct == 1), R.CHECK_POS):
        if flag:
            s.blit(back, R.CHECK_MARK, *pos)
    for vol, pos in zip((music, sfx), R.VOLUME_BAR_POS):
        s.blit(back, (800, 585, int(801 + 2.2 * vol), 609), *pos)
    helps = {1: [("Changes the window mode", 550), ("Effective immediatly", 570)],
             2: [("Try to connect to internet to submit your score", 550)],
             3: [("Every time you answer incorrectly, the game", 530),
                 ("shows you the correct answer for the question", 550)],
             4: [("Adjust the music volume by clicking on the bar", 550)],
             5: [("Adjust the SFX volume by clicking on the bar", 550)]}
    for line, y in helps.get(help_area, []):
        s.centred(s.big, line, 0, 800, y)


def loading(s, P):
    s.rect(0, 0, 800, 600, (0, 0, 0))
    s.blit(P["bflogo.jpg"], (0, 0, 400, 220), 200, 150)
    s.centred(s.small, "Loading data, please wait...", 0, 800, 380)


def main(argv):
    assets = argv[1] if len(argv) > 1 else GFX
    out = argv[2] if len(argv) > 2 else os.path.join(ROOT, "build-art", "screens")
    os.makedirs(out, exist_ok=True)
    P = {name: Image.open(os.path.join(assets, name)).convert("RGBA") for name in R.SIZES}
    big, small = load_fonts(assets)
    photo_path = os.path.join(PHOTOS, "italy.jpg")
    photo = Image.open(photo_path).convert("RGBA") if os.path.exists(photo_path) else P["sport.jpg"]

    shots = [
        ("01_title", (800, 600), lambda s: title(s, P, hover=1, logo_frame=0, uptxt=1), (330, 232, True)),
        ("02_title_hover2", (800, 600), lambda s: title(s, P, hover=2, logo_frame=3, uptxt=0), (300, 300, True)),
        ("03_title_results", (800, 600), lambda s: title(s, P, logo_frame=6, view="results"), (700, 520, False)),
        ("04_title_topten", (800, 600), lambda s: title(s, P, logo_frame=2, view="topten"), (700, 520, False)),
        ("05_players", (800, 600), lambda s: players(s, P, hover=4), (500, 320, True)),
        ("06_players_back", (800, 600), lambda s: players(s, P, hover=7, logo_frame=1), (90, 120, True)),
        ("07_skill_p1", (800, 600), lambda s: skill(s, P, 0, 3), (380, 320, True)),
        ("08_skill_p3_back", (800, 600), lambda s: skill(s, P, 2, 7), (80, 118, True)),
        ("09_level_easy", (800, 600), lambda s: level(s, P, 0, 0), (600, 400, False)),
        ("10_level_medium_p2", (800, 600), lambda s: level(s, P, 1, 1), (600, 400, False)),
        ("11_level_hard_p6", (800, 600), lambda s: level(s, P, 2, 5), (600, 400, False)),
        ("12_game_geo", (800, 600), lambda s: game(s, P, "Geo", t=60), (560, 480, True)),
        ("13_game_letters", (800, 600), lambda s: game(s, P, "Lett", t=20), (200, 480, True)),
        ("14_game_science", (800, 600), lambda s: game(s, P, "Sci", t=110, lvl=1), (650, 560, False)),
        ("15_game_history", (800, 600), lambda s: game(s, P, "St", t=130, lvl=2), (650, 560, False)),
        ("16_game_sport", (800, 600), lambda s: game(s, P, "Sp", t=5), (650, 560, False)),
        ("17_game_various", (800, 600), lambda s: game(s, P, "Att", t=90), (650, 560, False)),
        ("18_game_welldone", (800, 600), lambda s: game(s, P, phase="welldone", clicked=2, solution=2),
         (560, 480, True)),
        ("19_game_wow", (800, 600), lambda s: game(s, P, phase="wow", clicked=1, solution=1, points=2700),
         (200, 480, True)),
        ("20_game_wrong", (800, 600), lambda s: game(s, P, phase="wrong", clicked=3, solution=1, points=-1000),
         (200, 550, True)),
        ("21_game_timeout", (800, 600), lambda s: game(s, P, phase="timeout", solution=4), (650, 560, False)),
        ("22_game_youlose", (800, 600), lambda s: game(s, P, phase="timeout", solution=4, lives=0),
         (650, 560, False)),
        ("23_game_endgame", (800, 600), lambda s: game(s, P, phase="endgame", clicked=4, solution=4, qnum=45,
                                                      lvl=2), (600, 550, True)),
        ("24_game_getready_turning", (800, 600), lambda s: game(s, P, phase="getready", getr=-70, getz=0.6),
         (650, 560, False)),
        ("25_game_getready", (800, 600), lambda s: game(s, P, phase="getready", help_n=2), (650, 560, False)),
        ("26_game_puzzle_tiles", (800, 600), lambda s: game(s, P, puzzle=(2, photo), t=40), (650, 560, False)),
        ("27_game_puzzle_zoom", (800, 600), lambda s: game(s, P, puzzle=(1, photo), t=75), (650, 560, False)),
        ("28_game_puzzle_fade", (800, 600), lambda s: game(s, P, puzzle=(0, photo), t=75), (650, 560, False)),
        ("29_game_jolly_used", (800, 600), lambda s: game(s, P, "Sci", t=30, jolly_frame=8, okshow=(1, 0, 1, 0)),
         (400, 520, True)),
        ("30_game_jolly_turning", (800, 600), lambda s: game(s, P, "Geo", t=30, jolly_frame=4,
                                                            okshow=(1, 0, 1, 0)), (400, 520, False)),
        ("31_game_name_entry", (800, 600), lambda s: game(s, P, phase="wrong", lives=0, name_entry=True),
         (650, 560, False)),
        ("32_launcher", (400, 300), lambda s: launcher(s, P, hover=5), (190, 280, True)),
        ("33_launcher_box", (400, 300), lambda s: launcher(s, P, hover=3, renderer=1, language=0), (160, 240, True)),
        ("34_options_ok", (800, 600), lambda s: options(s, P, hover=4), (400, 450, True)),
        ("35_options_box", (800, 600), lambda s: options(s, P, hover=1, windowed=1, submit=1, correct=0, music=100,
                                                         sfx=0, help_area=1), (185, 235, True)),
        ("36_loading", (800, 600), lambda s: loading(s, P), None),
    ]
    for name, size, fn, ptr in shots:
        s = Screen(size[0], size[1], big, small)
        fn(s)
        if ptr is not None:
            s.pointer(P, *ptr)
        path = os.path.join(out, name + ".png")
        s.c.convert("RGB").save(path)
        print(path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
