// The playing-help page of the options screen: reading aloud and the time
// to answer. The options page shows a MORE button (button 5) that opens it;
// its OK button saves the settings to "access" and goes back.
#ifndef TRIVELLO_OPTIONSHELP_H
#define TRIVELLO_OPTIONSHELP_H

#include <cstdint>

// Which page of the options screen is shown.
enum OptionsPage { OPTIONS_MAIN = 0, OPTIONS_HELP = 1 };
extern int16_t OptionsPageShown;

// Buttons of the playing-help page.
enum {
  BUTTON_MORE = 5,        // on the options page
  BUTTON_READ_ALOUD = 6,  // the check box
  BUTTON_CLOCK_FIRST = 7, // 7 to 10: 15 s, 30 s, 60 s, no limit
  BUTTON_HELP_OK = 11,
};

// Part of the options screen's set-up: the MORE button and its picture.
void SetUpOptionsMore();
void EnterHelpPage();
void LeaveHelpPage();
// Drawing and clicks of the playing-help page (the options screen's routines
// hand over to these while it is shown).
void DrawHelpPage();
void ClickHelpPage();
// The MORE button over the options page.
void DrawMoreButton();
// The options page's help line for the MORE button, by pointer position.
void MoreHelpLine();

#endif
