// Where the player's own files go: the preferences record "prefs" and the
// screenshots. A resource folder the player can write (a build folder) keeps
// them, as it always has; an installed, read-only copy puts them in the
// player's XDG folders instead: ~/.config/trivello for "prefs" and
// ~/.local/share/trivello for screenshots (or $XDG_CONFIG_HOME/trivello and
// $XDG_DATA_HOME/trivello).
#ifndef TRIVELLO_USERFILES_H
#define TRIVELLO_USERFILES_H

#include <string>

// The folder for the game's own files: `resources` when it is writable or
// when there is no user folder to go to (`base` null); otherwise
// <base>/trivello, made with its missing parents (private to the user).
std::string ChooseUserFolder(const std::string &resources, bool resourcesWritable, const char *base);

// The path of "prefs", chosen by the rule above with the XDG config folder;
// read at start-up and written by the launcher and the options screen.
const char *PrefsPath();
// The path of "access", the reading-aloud and answer-clock settings, in the
// same folder as "prefs".
const char *AccessPath();
// The folder screenshots go to, chosen likewise with the XDG data folder.
const char *ScreenshotFolder();

#endif
