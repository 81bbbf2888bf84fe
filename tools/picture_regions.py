"""Where the game copies from each picture in assets/gfx/.

regions() returns {file name: {"size": (w, h) or None, "rects": [(x1, y1, x2, y2,
"what"), ...]}} with every source rectangle (x2 and y2 exclusive) that the game
draws from the picture, and the picture's size. make_art.py lays its artwork out
from the same numbers, and the asset validator checks that every picture is as
large as its rectangles need.

The two bitmap fonts (letters01.tga, letters02.png) are not listed here; their
glyph rectangles live with their glyph tables.
"""

# Title menu buttons: (button, source y1, source y2, screen x, screen y).
TITLE_BUTTONS = [
    (1, 0, 42, 264, 214),
    (2, 45, 85, 264, 284),
    (3, 87, 133, 264, 353),
    (5, 179, 219, 264, 495),
]
TITLE_BUTTON_WIDTH = 258
TITLE_BUTTON_LABELS = {1: "NEW GAME", 2: "HIGH SCORES", 3: "OPTIONS", 5: "QUIT"}

# Number-of-players buttons: (players, source x, source y, width, height, screen x, screen y).
PLAYER_BUTTONS = [
    (1, 800, 0, 92, 88, 234, 198),
    (2, 801, 90, 115, 88, 456, 198),
    (3, 800, 180, 146, 88, 210, 288),
    (4, 800, 268, 180, 88, 426, 288),
    (5, 800, 358, 208, 88, 178, 377),
    (6, 800, 446, 222, 88, 407, 378),
]

# Back button of the players and skill screens (150 x 50 at (20, 95)).
BACK_HOVER = (833, 642, 983, 692)
BACK_LABEL = (833, 690, 983, 740)
BACK_POS = (20, 95)

MENU_PANEL = (0, 638, 274, 975)          # drawn at (255, 206): the bare title background there
MENU_PANEL_POS = (255, 206)
MENU_PANEL_SLICE = (0, 840, 274, 905)    # drawn at (255, 408), between the title's two boards
MENU_PANEL_SLICE_POS = (255, 408)
PLAYERS_HEADER = (0, 601, 800, 638)      # drawn at (0, 151)
PLAYERS_HEADER_POS = (0, 151)

OPTIONS_PANEL = (275, 638, 780, 993)     # drawn at (143, 154)
OPTIONS_PANEL_POS = (143, 154)
# Option check boxes n = 1..3: source (781, 645 + 60 (n - 1)), 50 x 45, screen (160, 213 + 45 (n - 1)).
OPTION_BOXES = [((781, 645 + 60 * k, 831, 690 + 60 * k), (160, 213 + 45 * k)) for k in range(3)]
OPTIONS_OK_HOVER = (800, 535, 985, 583)
OPTIONS_OK_POS = (307, 429)
VOLUME_BAR = (800, 585, 1021, 609)       # volume v draws columns 800 .. 801 + 2.2 v
VOLUME_BAR_POS = [(332, 360), (332, 395)]  # music, effects
CHECK_MARK = (781, 817, 818, 854)        # drawn opaque at (165, 219 + 45 (n - 1))
CHECK_POS = [(165, 219), (165, 264), (165, 309)]

# Playing-help page of the options screen (access.png, drawn with alpha).
ACCESS_PANEL = (0, 0, 505, 355)          # drawn at (143, 154), over the options panel
ACCESS_BOX_POS = (160, 213)              # the read-aloud check box (idle look in the panel)
ACCESS_BOX_HOVER = (512, 0, 562, 45)
ACCESS_CHECK = (570, 0, 607, 37)         # drawn at (165, 219) when reading aloud is on
ACCESS_CHECK_POS = (165, 219)
ACCESS_OK_HOVER = (620, 0, 805, 48)      # at (307, 429), as the options OK button
ACCESS_MORE_IDLE = (810, 0, 940, 48)     # the options page's MORE button, at (505, 429)
ACCESS_MORE_HOVER = (512, 50, 642, 98)
ACCESS_MORE_POS = (505, 429)
ACCESS_CLOCK_LABELS = ["15 s", "30 s", "60 s", "NO LIMIT"]
# Clock choices k = 0..3: 100 x 40 at (177 + 112 k, 305); the chosen one and
# the hovered one drawn from these rows.
ACCESS_CLOCK_POS = [(177 + 112 * k, 305) for k in range(4)]
ACCESS_CLOCK_CHOSEN = [(512 + 102 * k, 100, 612 + 102 * k, 140) for k in range(4)]
ACCESS_CLOCK_HOVER = [(512 + 102 * k, 150, 612 + 102 * k, 190) for k in range(4)]

# Launcher picture.
LAUNCHER_TICK = (5, 305, 25, 325)
LAUNCHER_BOX = (40, 310, 56, 326)
LAUNCHER_START_HOVER = (69, 304, 169, 334)
LAUNCHER_START_POS = (149, 267)
LAUNCHER_BOX_POS = [(70, 175), (30, 235), (155, 235), (280, 235)]

# Game screen picture (ingame.jpg).
PICTURE_AREA = (191, 28, 591, 328)
BLACK_FILL = (248, 71, 535, 269)
GEO_ART = (0, 601, 400, 900)
HISTORY_ART = (401, 601, 800, 900)
LETTERS_ART = [((801, 0, 1000, 300), (191, 28)), ((801, 300, 1000, 600), (390, 28))]
SCIENCE_ART = [((801, 601, 1000, 900), (191, 28)), ((0, 900, 200, 1000), (390, 27)),
               ((201, 900, 400, 1000), (390, 127)), ((401, 900, 600, 1000), (390, 227))]
CORRECT_STRIP = (647, 988, 895, 1021)
WRONG_STRIP = (647, 953, 895, 986)
NEXT_PANEL = (630, 905, 956, 950)        # drawn at (230, 150), rotated and zoomed
NEXT_PANEL_POS = (230, 150)
TIME_ROWS = [(0, 1000, 75, 1001), (0, 1001, 75, 1002)]
ANSWER_BOXES = [(63, 461, 240, 38), (483, 461, 240, 38), (63, 533, 240, 40), (483, 533, 240, 40)]
JOLLY_POS = (320, 441)
JOLLY_FRAME = (159, 157)
# Frame of the zoom-out puzzle, redrawn from ingame.jpg around the picture area.
ZOOM_FRAME = [((0, 0, 800, 25), (0, 0)), ((0, 25, 186, 331), (0, 25)),
              ((595, 25, 800, 330), (595, 25)), ((0, 330, 800, 600), (0, 330))]

# Skill screen picture.
SKILL_NAMES = ["LETTERS", "SCIENCE", "SPORT", "GEOGRAPHY", "HISTORY", "VARIOUS"]
SKILL_HOVER = [(801, 2 + 46 * k, 1016, 46 + 46 * k) for k in range(6)]
SKILL_POS = [(285, 214 + 46 * k) for k in range(6)]
SKILL_STRIPS = [(0, 38 * p + 563, 799, 38 * p + 600) for p in range(1, 6)]  # players 2..6
SKILL_STRIP_POS = (0, 151)

# Level start picture.
LEVEL_MARKERS = [(220, 606, 600, 680), (220, 688, 600, 762)]  # medium, hard
LEVEL_MARKER_POS = (220, 503)
LEVEL_PLAYER_LABELS = [(801, 52 * p - 52, 950, 52 * p - 2) for p in range(1, 6)]  # players 2..6
LEVEL_PLAYER_POS = (452, 24)

TITOLO_FRAME = (61, 70)
TITOLO_FRAMES = 7
TITOLO_PER_ROW = 3
JOLLY_FRAMES = 9
JOLLY_PER_ROW = 3

SIZES = {
    "back.jpg": (1024, 1024),
    "launcher.png": (400, 340),
    "titolo.tga": (TITOLO_FRAME[0] * TITOLO_PER_ROW, TITOLO_FRAME[1] * 3),
    "bottoni.tga": (258, 220),
    "nux.tga": (60, 36),
    "bflogo.jpg": (400, 220),
    "jolly.jpg": (JOLLY_FRAME[0] * JOLLY_PER_ROW, JOLLY_FRAME[1] * 3),
    "ingame.jpg": (1024, 1024),
    "skill.jpg": (1024, 1024),
    "newlevel.jpg": (1024, 1024),
    "puzzle.jpg": (100, 100),
    "sport.jpg": (400, 300),
    "various.jpg": (400, 300),
    "wow.jpg": (400, 300),
    "welldone.jpg": (400, 300),
    "incorrect.jpg": (400, 300),
    "youlose.jpg": (400, 300),
    "endgame.jpg": (400, 300),
    "pointer.tga": (32, 32),
    "access.png": (1024, 512),
    "pointer2.tga": (32, 32),
    "pointer_s.tga": (32, 32),
}


def _frames(count, fw, fh, per_row, what):
    out = []
    for f in range(count):
        row, col = divmod(f, per_row)
        out.append((col * fw, row * fh, (col + 1) * fw, (row + 1) * fh, "%s frame %d" % (what, f)))
    return out


def regions():
    r = {}

    back = [(0, 0, 800, 600, "title screen: background, game name, idle title buttons 1, 2, 3, 5")]
    back.append(PLAYERS_HEADER + ("players screen header strip, drawn at (0, 151)",))
    back.append(MENU_PANEL + ("bare title background over the title's menu, drawn at (255, 206)",))
    back.append(MENU_PANEL_SLICE + ("its slice over the unused fourth title button, at (255, 408)",))
    back.append(OPTIONS_PANEL + ("options panel with labels and the idle OK button, at (143, 154)",))
    for n, sx, sy, w, h, _x, _y in PLAYER_BUTTONS:
        back.append((sx, sy, sx + w, sy + h, "players button %d (idle at blend 0.7, hover opaque)" % n))
    back.append(BACK_HOVER + ("back button hover look, at (20, 95)",))
    back.append(BACK_LABEL + ("back button label (idle look), at (20, 95)",))
    for k, (rect, _pos) in enumerate(OPTION_BOXES):
        back.append(rect + ("option box %d (idle at blend 0.7, hover opaque)" % (k + 1),))
    back.append(OPTIONS_OK_HOVER + ("options OK button hover look, at (307, 429)",))
    back.append(VOLUME_BAR + ("volume bar, full length (volume 100)",))
    back.append(CHECK_MARK + ("option check mark, opaque",))
    r["back.jpg"] = back

    r["launcher.png"] = [
        (0, 0, 400, 300, "launcher window: frame, texts' backdrop, idle Start button"),
        LAUNCHER_TICK + ("tick, drawn with alpha 2 left and 8 above a box",),
        LAUNCHER_BOX + ("option box look (idle at blend 0.7, hover with alpha)",),
        LAUNCHER_START_HOVER + ("Start button hover look, at (149, 267)",),
    ]

    r["titolo.tga"] = _frames(TITOLO_FRAMES, TITOLO_FRAME[0], TITOLO_FRAME[1], TITOLO_PER_ROW,
                              "title logo")
    r["bottoni.tga"] = [(0, y1, TITLE_BUTTON_WIDTH, y2, "title button %d hover look" % n)
                        for n, y1, y2, _x, _y in TITLE_BUTTONS]
    r["nux.tga"] = [(0, 0, 60, 36, "engine logo, whole picture at (370, 560)")]
    r["bflogo.jpg"] = [(0, 0, 400, 220, "studio logo, whole picture at (200, 150)")]
    r["jolly.jpg"] = _frames(JOLLY_FRAMES, JOLLY_FRAME[0], JOLLY_FRAME[1], JOLLY_PER_ROW, "jolly")

    ing = [(0, 0, 800, 600, "game screen background")]
    ing.append(GEO_ART + ("geography artwork",))
    ing.append(HISTORY_ART + ("history artwork",))
    for k, (rect, _pos) in enumerate(LETTERS_ART):
        ing.append(rect + ("letters artwork part %d" % (k + 1),))
    for k, (rect, _pos) in enumerate(SCIENCE_ART):
        ing.append(rect + ("science artwork part %d" % (k + 1),))
    ing.append(CORRECT_STRIP + ("correct answer strip",))
    ing.append(WRONG_STRIP + ("wrong answer strip",))
    ing.append(NEXT_PANEL + ("next question panel",))
    ing.append(TIME_ROWS[0] + ("time bar colour, Time below 100",))
    ing.append(TIME_ROWS[1] + ("time bar colour, Time 100 and more",))
    r["ingame.jpg"] = ing

    sk = [(0, 0, 800, 600, "skill screen: background, player 1 label, idle skill buttons")]
    for k, rect in enumerate(SKILL_HOVER):
        sk.append(rect + ("skill button %d hover look (%s)" % (k + 1, SKILL_NAMES[k]),))
    for p, rect in enumerate(SKILL_STRIPS, start=1):
        sk.append(rect + ("player %d label strip, at (0, 151)" % (p + 1),))
    r["skill.jpg"] = sk

    nl = [(0, 0, 800, 600, "level start screen with the Easy marker and player 1 label")]
    nl.append(LEVEL_MARKERS[0] + ("Medium marker, at (220, 503)",))
    nl.append(LEVEL_MARKERS[1] + ("Hard marker, at (220, 503)",))
    for p, rect in enumerate(LEVEL_PLAYER_LABELS, start=1):
        nl.append(rect + ("player %d label, at (452, 24)" % (p + 1),))
    r["newlevel.jpg"] = nl

    acc = [ACCESS_PANEL + ("playing-help panel with labels, idle boxes and OK, at (143, 154)",)]
    acc.append(ACCESS_BOX_HOVER + ("read-aloud box hover look, at (160, 213)",))
    acc.append(ACCESS_CHECK + ("read-aloud check mark, at (165, 219)",))
    acc.append(ACCESS_OK_HOVER + ("OK button hover look, at (307, 429)",))
    acc.append(ACCESS_MORE_IDLE + ("options MORE button, at (505, 429)",))
    acc.append(ACCESS_MORE_HOVER + ("options MORE button hover look",))
    for k, label in enumerate(ACCESS_CLOCK_LABELS):
        acc.append(ACCESS_CLOCK_CHOSEN[k] + ("clock choice %s, chosen (with a tick)" % label,))
        acc.append(ACCESS_CLOCK_HOVER[k] + ("clock choice %s, hover look" % label,))
    r["access.png"] = acc

    r["puzzle.jpg"] = [(0, 0, 100, 100, "puzzle tile cover")]
    for name in ("sport.jpg", "various.jpg", "wow.jpg", "welldone.jpg", "incorrect.jpg",
                 "youlose.jpg", "endgame.jpg"):
        r[name] = [(0, 0, 400, 300, "whole picture at (191, 28)")]
    for name in ("pointer.tga", "pointer2.tga", "pointer_s.tga"):
        r[name] = [(0, 0, 32, 32, "pointer picture")]

    return {name: {"size": SIZES[name], "rects": rects} for name, rects in r.items()}


if __name__ == "__main__":
    for name, info in sorted(regions().items()):
        print(name, info["size"], len(info["rects"]), "rectangles")
