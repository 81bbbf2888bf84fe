// Where the player's own files go (see userfiles.h).
#include "userfiles.h"

#include <fcntl.h>    // AT_FDCWD, AT_EACCESS
#include <sys/stat.h> // mkdir
#include <unistd.h>   // faccessat

#include <cerrno>
#include <cstdlib>

#include "KMiscTools.h"

namespace {

// Makes `path` and any missing folder above it, private to the user as the
// XDG rules ask. True when the folder exists afterwards.
bool MakeFolders(const std::string &path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
    mkdir(path.substr(0, slash).c_str(), 0700);
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
    return false;
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Whether this process may create files in `folder` (false for a folder on
// a read-only file system or one owned by someone else).
bool Writable(const std::string &folder) {
  return faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

// The user's XDG data folder: $XDG_DATA_HOME when absolute, else
// ~/.local/share; null without a home folder.
const char *DataFolder() {
  static std::string result;
  const char *data = getenv("XDG_DATA_HOME");
  if (data && data[0] == '/')
    return (result = data).c_str();
  const char *home = KMiscTools::getUserFolder();
  if (!home)
    return nullptr;
  return (result = std::string(home) + "/.local/share").c_str();
}

// The folder for the game's own files with `base` as the user's folder.
std::string UserFolderOver(const char *base) {
  std::string resources = KMiscTools::getCurrentPath();
  return ChooseUserFolder(resources, Writable(resources), base);
}

} // namespace

std::string ChooseUserFolder(const std::string &resources, bool resourcesWritable, const char *base) {
  if (resourcesWritable || !base || base[0] != '/')
    return resources;
  std::string folder = std::string(base) + "/trivello";
  return MakeFolders(folder) ? folder : resources;
}

const char *PrefsPath() {
  static std::string path;
  path = UserFolderOver(KMiscTools::getPreferencesFolder()) + "/prefs";
  return path.c_str();
}

const char *AccessPath() {
  static std::string path;
  path = UserFolderOver(KMiscTools::getPreferencesFolder()) + "/access";
  return path.c_str();
}

const char *ScreenshotFolder() {
  static std::string folder;
  folder = UserFolderOver(DataFolder());
  return folder.c_str();
}
