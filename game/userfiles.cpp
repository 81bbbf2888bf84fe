// Where the player's own files go (see userfiles.h).
#include "userfiles.h"

#include <fcntl.h>    // AT_FDCWD, AT_EACCESS
#include <sys/stat.h> // mkdir
#include <unistd.h>   // faccessat

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

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
bool Writable(const std::string &folder) { return faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0; }

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

// Not through ScreenshotFolder(): its result may be held by the window, and
// a new call would replace the string it points into.
std::string UserQuestionFolder() { return UserFolderOver(DataFolder()) + "/questions"; }

bool WriteFileAtomically(const std::string &path, const std::string &data) {
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  std::string temp = path + ".XXXXXX";
  int fd = mkstemp(&temp[0]);
  if (fd < 0)
    return false;
  bool ok = true;
  for (size_t done = 0; ok && done < data.size();) {
    ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    ok = n > 0;
    if (ok)
      done += (size_t)n;
  }
  // The data must be on the disk before the name points at it, or a crash
  // right after the rename could leave an empty file under the old name.
  // mkstemp makes the file private; give it the mode a plain fopen would.
  mode_t mask = umask(0);
  umask(mask);
  ok = ok && fchmod(fd, 0666 & ~mask) == 0 && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (!ok || rename(temp.c_str(), path.c_str()) != 0) {
    unlink(temp.c_str());
    return false;
  }
  int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    fsync(dir); // the rename itself
    close(dir);
  }
  return true;
}

bool ReadWholeFile(const std::string &path, std::string &data) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return false;
  std::ostringstream all;
  all << in.rdbuf();
  if (in.bad())
    return false;
  data = all.str();
  return true;
}

std::string ConfigFilePath(const char *name) { return UserFolderOver(KMiscTools::getPreferencesFolder()) + "/" + name; }

std::string DataFilePath(const char *name) { return UserFolderOver(DataFolder()) + "/" + name; }
