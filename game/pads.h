// Party controllers on the game's screens: who owns which pad, what a pad
// press does on each screen (a press of the button the pad names, a move of
// the highlight over a menu's buttons), the pad's button names on the answer
// boxes, and the light of the buzzer handset whose turn it is.
#ifndef TRIVELLO_PADS_H
#define TRIVELLO_PADS_H

#include <cstdint>

#include "KPad.h"
#include "globals.h"

// The pad each player claimed on the skill screen, -1 for none.
extern int16_t PadOfPlayer[MAX_PLAYER_RECORDS];
// The button the pads' highlight is on (0 for none), and 1 while the
// highlight shows (until the mouse moves).
extern int16_t PadFocus;
extern int32_t PadHighlight;

// Starts the pads, with the controller mappings shipped beside the questions
// when there are any. False when the platform has no controller support.
bool PadsStart();
void PadsStop();

// After the mouse was sampled: reads the pads' presses and turns the first
// one that acts into this frame's press of a button (CUR_BUT, ButtDown,
// mx and my), moves the highlight, lets players claim pads.
void PadsClick();
// Over the screen just drawn: the pads' names on the answer boxes, the
// highlight's frame, the skill screen's claim line.
void PadsDraw();

// The answer box (1 to 4) a press answers, 0 for none: face buttons by
// position, buzzer colours from the top of the handset.
int16_t PadAnswerBox(EPadButton button);
// The name of the button of a `kind` pad that answers box 1..4 (box 5: the
// jolly).
const char *PadButtonName(EPadKind kind, int box);
// The pad whose presses act for the player whose turn it is: the player's own
// when plugged in, else the first plugged-in pad nobody claimed; -1 for none.
int16_t PadOfTurn();

#endif
