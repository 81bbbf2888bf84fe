// Where the player's own files go: the preferences record "prefs" and the
// score server's address (config), the screenshots and the score tables
// (data). A resource folder the player can write (a build folder) keeps
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
// The path of a file `name` in the config folder (where "prefs" is) or in the
// data folder (where the screenshots go).
std::string ConfigFilePath(const char *name);
std::string DataFilePath(const char *name);

// The folder of the player's own question files, "questions" in the folder
// screenshots go to: eng.ini, ita.ini and spanish.ini, their puzzle pictures
// in "photos" below it, and the record of the questions already asked.
std::string UserQuestionFolder();

// Writes `data` to `path` through a temporary file in the same folder that
// is renamed over it once complete, so a reader sees the old file or the new
// one, never a part; the data and the rename are flushed to the disk. The
// file gets the mode a plain fopen would give. False (and the old file
// untouched) on any failure.
bool WriteFileAtomically(const std::string &path, const std::string &data);
// Reads a whole file; false when it cannot be read.
bool ReadWholeFile(const std::string &path, std::string &data);

#endif
