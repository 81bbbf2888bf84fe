// Hover and click rules of the menu screens: title, number of players, skill,
// level start, launcher and options. The game screen's clicks are play rules.
#ifndef TRIVELLO_FLOW_H
#define TRIVELLO_FLOW_H

#include <cstdint>

// Samples the button and pointer, finds the hovered button into CUR_BUT and
// plays the hover sound when it changed.
void SampleMouseAndHover();
void ClickTitle();
void ClickPlayers();
void ClickSkill();
void ClickLevelStart();
void ClickLauncher();
// The options screen: help lines and volume bars by pointer position, then
// the buttons.
void ClickOptions();

// The volume a press at pointer x sets on an options bar (before clamping).
int16_t VolumeAt(int16_t x);

#endif
