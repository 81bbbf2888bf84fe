// KMiscTools: paths of game files, clocks, waiting, user folders, the message
// box, opening URLs and documents, folders and byte-order reversal; the
// engine's log.
// Depends on SDL2 (the message box) and POSIX (clocks, processes, folders).
// Owns the two process-wide path strings, the static result buffers and the
// open log file.
#include "KMiscTools.h"

#include <SDL.h>    // SDL_ShowSimpleMessageBox for messageBox
#include <dirent.h> // opendir/readdir for enumerateFolder
#include <fcntl.h>  // fstatat flags
#include <pwd.h>    // getpwuid for a home folder without $HOME
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <ctime>
#include <string>

// ---- constants -------------------------------------------------------------

static const size_t kPathMax = 260;    // path buffers: 259 bytes and a NUL
static const size_t kFolderMax = 520;  // user folder buffers: 519 bytes and a NUL
static const size_t kBoxTextMax = 255; // message box strings are cut to this
static const size_t kUrlMax = 255;     // URLs are cut to this

// ---- static state ----------------------------------------------------------

char KMiscTools::currentAppPath[260] = "";
char KMiscTools::currentFilePath[260] = "";
bool KMiscTools::_inPackage = false;

bool KLog::_logInfo = true;
FILE *KLog::_info = nullptr;
bool KLog::_logError = true;
FILE *KLog::_error = nullptr;
bool KLog::_logFatal = true;
FILE *KLog::_fatal = nullptr;
bool KLog::_logDebug = false;
FILE *KLog::_debug = nullptr;
KLogFileType KLog::_logFileType = kLogKeepFilesOpen;

namespace {

// The system's monotonic clock; sleeping really sleeps.
class SystemClock : public KClock {
public:
  uint64_t microseconds() override {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (uint64_t)ts.tv_sec * 1000000u + (uint64_t)ts.tv_nsec / 1000u;
  }
  void sleep(uint32_t milliseconds) override { sleepMicroseconds(milliseconds * 1000u); }
  void sleepMicroseconds(uint32_t microseconds) override {
    struct timespec ts;
    ts.tv_sec = microseconds / 1000000u;
    ts.tv_nsec = (long)(microseconds % 1000000u) * 1000L;
    while (nanosleep(&ts, &ts) == -1 && errno == EINTR) {
    }
  }
};

SystemClock g_systemClock;
KClock *g_clock = &g_systemClock;
KMiscTools::MessageBoxHandler g_messageBoxHandler = nullptr;
KMiscTools::EventDispatcher g_eventDispatcher = nullptr;
char g_opener[256] = "xdg-open";
bool g_waitForOpener = false;
// The log file's path, empty while the game has named no folder.
std::string g_logPath;

// Copies at most max - 1 bytes of src into dst and terminates it. The two
// may be the same buffer (a path made earlier passed back in).
void copyCut(char *dst, const char *src, size_t max) {
  size_t n = strnlen(src, max - 1);
  memmove(dst, src, n);
  dst[n] = 0;
}

// Starts `program argument` without a shell, so nothing in the argument is
// ever interpreted. Detached, a double fork leaves no zombie behind; with
// `waitForExit` the call returns once the program has ended.
void spawnOpener(const char *program, const char *argument, bool waitForExit) {
  pid_t child = fork();
  if (child < 0)
    return;
  if (child == 0) {
    if (waitForExit || fork() == 0) {
      int devnull = open("/dev/null", O_RDWR);
      if (devnull >= 0) {
        dup2(devnull, STDIN_FILENO);
        dup2(devnull, STDOUT_FILENO);
        dup2(devnull, STDERR_FILENO);
      }
      char *const argv[] = {const_cast<char *>(program), const_cast<char *>(argument), nullptr};
      execvp(program, argv);
    }
    _exit(0);
  }
  int status;
  while (waitpid(child, &status, 0) == -1 && errno == EINTR) {
  }
}

// The folder part of a path: everything before its last slash.
void parentOf(const char *path, char *out, size_t max) {
  copyCut(out, path, max);
  char *slash = strrchr(out, '/');
  if (slash == out)
    slash[1] = 0; // the root keeps its slash
  else if (slash)
    *slash = 0;
  else
    out[0] = 0;
}

// Reverses `size` bytes in place.
void reverseBytes(unsigned char *bytes, size_t size) {
  for (size_t i = 0; i < size / 2; i++) {
    unsigned char t = bytes[i];
    bytes[i] = bytes[size - 1 - i];
    bytes[size - 1 - i] = t;
  }
}

template <class T> T flipValue(T value) {
  unsigned char bytes[sizeof(T)];
  memcpy(bytes, &value, sizeof(T));
  reverseBytes(bytes, sizeof(T));
  memcpy(&value, bytes, sizeof(T));
  return value;
}

} // namespace

// ---- KLog ------------------------------------------------------------------

void KLog::logInfo(bool enable) { _logInfo = enable; }
void KLog::logError(bool enable) { _logError = enable; }
void KLog::logFatal(bool enable) { _logFatal = enable; }
void KLog::logDebug(bool enable) { _logDebug = enable; }

// The word that opens a line of each type.
static const char *logTypeName(KLogType type) {
  switch (type) {
  case kInfo:
    return "info";
  case kError:
    return "error";
  case kFatal:
    return "fatal";
  case kDebug:
    return "debug";
  }
  return "log";
}

// The open log file, shared by every type; null while there is none.
static void setOpenLogFile(FILE *file) { KLog::_info = KLog::_error = KLog::_fatal = KLog::_debug = file; }

static void closeLogFile() {
  if (KLog::_info)
    fclose(KLog::_info);
  setOpenLogFile(nullptr);
}

// Writes "<type>: <message>" as one line to standard error and to the log
// file, when the type is switched on.
void KLog::logMessage(KLogType type, const char *message) {
  bool on = (type == kInfo && _logInfo) || (type == kError && _logError) || (type == kFatal && _logFatal) ||
            (type == kDebug && _logDebug);
  if (!on || !message)
    return;
  std::string line = std::string(logTypeName(type)) + ": " + message;
  for (char &c : line)
    if (c == '\n' || c == '\r')
      c = ' ';
  line += '\n';
  fputs(line.c_str(), stderr);
  if (g_logPath.empty())
    return;
  FILE *file = _info ? _info : fopen(g_logPath.c_str(), "a");
  if (!file)
    return;
  fputs(line.c_str(), file);
  fflush(file);
  if (_logFileType == kLogKeepFilesOpen) {
    setOpenLogFile(file);
  } else {
    fclose(file);
    setOpenLogFile(nullptr);
  }
}

void KLog::logFormat(KLogType type, const char *format, ...) {
  char text[1024] = "";
  if (format) {
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
  }
  logMessage(type, text);
}

// Closes the file of an earlier folder and, with a folder, opens
// "trivello.log" in it for appending.
bool KLog::setLogFolder(const char *folder) {
  closeLogFile();
  g_logPath.clear();
  if (!folder || !folder[0])
    return true;
  std::string path = std::string(folder) + "/trivello.log";
  // Appended to run after run, the log would grow for ever: one that has
  // passed kLogMaxBytes is started afresh.
  struct stat st;
  bool full = stat(path.c_str(), &st) == 0 && st.st_size > kLogMaxBytes;
  FILE *file = fopen(path.c_str(), full ? "w" : "a");
  if (!file)
    return false;
  g_logPath = path;
  if (_logFileType == kLogKeepFilesOpen)
    setOpenLogFile(file);
  else
    fclose(file);
  return true;
}

const char *KLog::getLogPath() { return g_logPath.c_str(); }

void KLog::setFileType(KLogFileType type) {
  _logFileType = type;
  if (type != kLogKeepFilesOpen)
    closeLogFile();
}

KClock::~KClock() {}

void KClock::sleepMicroseconds(uint32_t microseconds) { sleep((microseconds + 999u) / 1000u); }

// ---- KMiscTools ------------------------------------------------------------

KMiscTools::KMiscTools() {}
KMiscTools::~KMiscTools() {}

// Finds the application folder (the one holding the executable) and its
// parent, once.
void KMiscTools::initMiscTools() {
  if (currentFilePath[0] != 0)
    return;
  char exe[4096];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
  if (n <= 0)
    return;
  exe[n] = 0;
  parentOf(exe, currentAppPath, kPathMax);
  parentOf(currentAppPath, currentFilePath, kPathMax);
  if (currentFilePath[0] == 0)
    strcpy(currentFilePath, "/");
}

void KMiscTools::setFileSource(bool inPackage) { _inPackage = inPackage; }

// Turns a game file name such as "gfx\back.jpg" into an absolute path.
char *KMiscTools::makeFilePath(const char *filename) {
  static char result[kPathMax];
  if (!filename)
    filename = "";
  if (filename[0] == '\\')
    filename++;
  if (filename[0] == '/')
    copyCut(result, filename, kPathMax);
  else if (_inPackage)
    copyCut(result, (std::string(currentAppPath) + "/Contents/Resources/" + filename).c_str(), kPathMax);
  else
    copyCut(result, (std::string(currentFilePath) + "/" + filename).c_str(), kPathMax);
  for (char *p = result; *p; p++)
    if (*p == '\\')
      *p = '/';
  return result;
}

// The folder that relative game file names resolve into.
char *KMiscTools::getCurrentPath() {
  static char result[kPathMax];
  initMiscTools();
  if (_inPackage)
    copyCut(result, (std::string(currentAppPath) + "/Contents/Resources").c_str(), kPathMax);
  else
    copyCut(result, currentFilePath, kPathMax);
  return result;
}

// Replaces every backslash and colon with a slash, in place.
void KMiscTools::cleanPath(char *builtPath) {
  if (!builtPath)
    return;
  for (char *p = builtPath; *p; p++)
    if (*p == '\\' || *p == ':')
      *p = '/';
}

// Milliseconds from the low 32 bits of the microsecond counter: the value
// wraps to 0 every 2^32 microseconds, so callers compare differences.
uint32_t KMiscTools::getMilliseconds() {
  uint32_t low = (uint32_t)(g_clock->microseconds() & 0xffffffffu);
  return low / 1000u;
}

void KMiscTools::initMilliseconds() {}

// Sixtieths of a second since the clock's start.
uint32_t KMiscTools::getTheTicks() { return (uint32_t)(g_clock->microseconds() * 60u / 1000000u); }

int32_t KMiscTools::getYear() {
  time_t now = time(nullptr);
  struct tm local;
  if (!localtime_r(&now, &local))
    return 1970;
  return local.tm_year + 1900;
}

// Waits `milliseconds`, optionally dispatching one pending event per turn.
// A wrap of the millisecond counter ends the wait at once. Between turns the
// processor is given back for a millisecond instead of spinning.
void KMiscTools::pause(long milliseconds, bool pollevents) {
  uint32_t start = getMilliseconds();
  for (;;) {
    int32_t elapsed = (int32_t)(getMilliseconds() - start);
    if (elapsed < 0)
      return;
    if (pollevents && g_eventDispatcher)
      g_eventDispatcher();
    if (elapsed >= milliseconds)
      return;
    g_clock->sleep(1);
  }
}

// The user's home folder: $HOME, else the password database's entry.
char *KMiscTools::getUserFolder() {
  static char result[kFolderMax];
  const char *home = getenv("HOME");
  if (!home || home[0] != '/') {
    struct passwd *pw = getpwuid(getuid());
    home = pw ? pw->pw_dir : nullptr;
  }
  if (!home || home[0] != '/' || strlen(home) >= kFolderMax)
    return nullptr;
  copyCut(result, home, kFolderMax);
  return result;
}

// The user's settings folder by the XDG rules: $XDG_CONFIG_HOME when it is an
// absolute path, else ~/.config.
char *KMiscTools::getPreferencesFolder() {
  static char result[kFolderMax];
  const char *config = getenv("XDG_CONFIG_HOME");
  if (config && config[0] == '/') {
    if (strlen(config) >= kFolderMax)
      return nullptr;
    copyCut(result, config, kFolderMax);
    return result;
  }
  const char *home = getUserFolder();
  if (!home)
    return nullptr;
  if ((size_t)snprintf(result, kFolderMax, "%s/.config", home) >= kFolderMax)
    return nullptr;
  return result;
}

// Shows a modal box with a title and a text and returns when it is dismissed.
// The box is also logged, as an info line, or as an error line when there is
// no display to show it on.
void KMiscTools::messageBox(const char *title, const char *text) {
  char t[kBoxTextMax + 1], x[kBoxTextMax + 1];
  copyCut(t, title ? title : "", sizeof(t));
  copyCut(x, text ? text : "", sizeof(x));
  bool shown = true;
  if (g_messageBoxHandler)
    g_messageBoxHandler(t, x);
  else
    shown = SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, t, x, nullptr) == 0;
  KLog::logFormat(shown ? kInfo : kError, "message box: %s: %s", t, x);
}

// Opens a URL in the user's browser. The URL is passed as one argument to the
// desktop's opener, never through a shell; one that starts with '-' would be
// taken for an option and is refused.
void KMiscTools::launchURL(const char *url, bool) {
  if (!url || url[0] == 0 || url[0] == '-')
    return;
  char cut[kUrlMax + 1];
  copyCut(cut, url, sizeof(cut));
  spawnOpener(g_opener, cut, g_waitForOpener);
}

// Opens an existing document with the desktop's default application.
void KMiscTools::launchFile(const char *filename, bool) {
  if (!filename || filename[0] == 0)
    return;
  struct stat st;
  if (stat(filename, &st) != 0)
    return;
  char path[4096];
  // A relative name starting with '-' is made unambiguous for the opener.
  snprintf(path, sizeof(path), "%s%s", filename[0] == '-' ? "./" : "", filename);
  spawnOpener(g_opener, path, g_waitForOpener);
}

void KMiscTools::createDirectory(const char *path) {
  if (path && path[0])
    mkdir(path, 0755);
}

// Calls the callback with each entry of a folder and whether it is a folder,
// skipping the folder's own "." entry, until the callback returns false.
void KMiscTools::enumerateFolder(const char *folderpath, bool (*enumerationProcPtr)(char *name, bool isFolder)) {
  if (!folderpath || !enumerationProcPtr)
    return;
  char folder[512];
  copyCut(folder, folderpath, sizeof(folder));
  size_t len = strlen(folder);
  if (len >= 3 && folder[len - 3] == '*') // a "*.*" wildcard ending
    folder[len - 3] = 0;
  DIR *dir = opendir(folder[0] ? folder : ".");
  if (!dir)
    return;
  struct dirent *entry;
  while ((entry = readdir(dir)) != nullptr) {
    if (strcmp(entry->d_name, ".") == 0)
      continue;
    // Asked relative to the open folder, so a long path or a folder string
    // without its closing slash still gives the right answer.
    struct stat st;
    bool isFolder = fstatat(dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
    char name[256];
    copyCut(name, entry->d_name, sizeof(name));
    if (!enumerationProcPtr(name, isFolder))
      break;
  }
  closedir(dir);
}

short KMiscTools::flipShort(short value) { return flipValue(value); }
unsigned short KMiscTools::flipUnsignedShort(unsigned short value) { return flipValue(value); }
int32_t KMiscTools::flipLong(int32_t value) { return flipValue(value); }
uint32_t KMiscTools::flipUnsignedLong(uint32_t value) { return flipValue(value); }
float KMiscTools::flipFloat(float value) { return flipValue(value); }
double KMiscTools::flipDouble(double value) { return flipValue(value); }

void KMiscTools::setClock(KClock *clock) { g_clock = clock ? clock : &g_systemClock; }
KClock *KMiscTools::getClock() { return g_clock; }
void KMiscTools::setMessageBoxHandler(MessageBoxHandler handler) { g_messageBoxHandler = handler; }
void KMiscTools::setEventDispatcher(EventDispatcher dispatcher) { g_eventDispatcher = dispatcher; }

void KMiscTools::setOpener(const char *program, bool waitForExit) {
  copyCut(g_opener, program && program[0] ? program : "xdg-open", sizeof(g_opener));
  g_waitForOpener = waitForExit;
}
