// KMiscTools: static services that touch the host system outside drawing and
// sound: game file names to absolute paths, clocks, waiting, user folders,
// the blocking message box, opening URLs and documents, folders, and byte
// order reversal. KLog, the engine's one way to report a diagnostic, too.
#ifndef KMISCTOOLS_H
#define KMISCTOOLS_H

#include <cstdint>
#include <cstdio>

enum KLogType { kInfo = 1, kError = 2, kFatal = 3, kDebug = 4 };
enum KLogFileType { kLogKeepFilesOpen = 1, kLogOpenAndCloseFiles = 2 };

// The engine's diagnostics: each message is one line, "<type>: <text>", on
// standard error and, once the game has named a folder, appended to
// "trivello.log" in it. Info, error and fatal lines are written by default,
// debug lines only when switched on. Line breaks inside a message become
// blanks, so every message stays one line. Called from the main thread.
class KLog {
public:
  static void logInfo(bool enable);
  static void logError(bool enable);
  static void logFatal(bool enable);
  static void logDebug(bool enable);
  static void logMessage(KLogType type, const char *message);
  // The same with a printf-style format.
  static void logFormat(KLogType type, const char *format, ...) __attribute__((format(printf, 2, 3)));
  // The folder the log file "trivello.log" goes in; null or empty: standard
  // error only. Lines are appended to an earlier run's, unless the file has
  // grown past kLogMaxBytes, when it is started afresh. False when the file
  // cannot be opened there (lines then go to standard error only).
  static bool setLogFolder(const char *folder);
  static constexpr long kLogMaxBytes = 256 * 1024;
  // The log file's full path, "" while there is none.
  static const char *getLogPath();
  // Whether the file stays open between lines (kLogKeepFilesOpen, the
  // default) or is opened and closed for each line.
  static void setFileType(KLogFileType type);

  // Switches per type; the open file is shared by every type.
  static bool _logInfo;
  static FILE *_info;
  static bool _logError;
  static FILE *_error;
  static bool _logFatal;
  static FILE *_fatal;
  static bool _logDebug;
  static FILE *_debug;
  static KLogFileType _logFileType;
};

// The source of time for getMilliseconds, getTheTicks and every wait in the
// engine. Tests install a fake one so that nothing waits on a real clock.
class KClock {
public:
  virtual ~KClock();
  // A monotonic microsecond counter.
  virtual uint64_t microseconds() = 0;
  // Gives the processor back for about `milliseconds` (a fake clock just
  // advances its time).
  virtual void sleep(uint32_t milliseconds) = 0;
  // The same at a finer grain; by default rounded up to whole milliseconds.
  virtual void sleepMicroseconds(uint32_t microseconds);
};

class KMiscTools {
public:
  KMiscTools();
  ~KMiscTools();

  static void initMiscTools();
  static void setFileSource(bool inPackage);
  static char *makeFilePath(const char *filename);
  static char *getCurrentPath();
  static void cleanPath(char *builtPath);

  static uint32_t getMilliseconds();
  static void initMilliseconds();
  static uint32_t getTheTicks();
  static int32_t getYear();
  static void pause(long milliseconds, bool pollevents);

  static char *getUserFolder();
  static char *getPreferencesFolder();

  static void messageBox(const char *title, const char *text);
  static void launchURL(const char *url, bool maximised);
  static void launchFile(const char *filename, bool maximised);
  static void createDirectory(const char *path);
  static void enumerateFolder(const char *folderpath, bool (*enumerationProcPtr)(char *name, bool isFolder));

  static short flipShort(short value);
  static unsigned short flipUnsignedShort(unsigned short value);
  static int32_t flipLong(int32_t value);
  static uint32_t flipUnsignedLong(uint32_t value);
  static float flipFloat(float value);
  static double flipDouble(double value);

  // ---- seams ----
  // Replaces the clock (null restores the system's monotonic clock).
  static void setClock(KClock *clock);
  static KClock *getClock();
  // Replaces the message box (null restores SDL's dialog). Tests install a
  // recorder so that no test ever blocks on a dialog.
  typedef void (*MessageBoxHandler)(const char *title, const char *text);
  static void setMessageBoxHandler(MessageBoxHandler handler);
  // The window installs the routine that dispatches at most one pending
  // window-system event; pause(ms, true) calls it. Null: nothing to dispatch.
  typedef void (*EventDispatcher)();
  static void setEventDispatcher(EventDispatcher dispatcher);
  // Replaces the program that opens URLs and documents ("xdg-open" by
  // default). It is started directly, never through a shell; detached,
  // unless `waitForExit` asks the launch to return once it has ended (tests).
  static void setOpener(const char *program, bool waitForExit = false);

  static char currentAppPath[260];  // the application folder, empty before initMiscTools
  static char currentFilePath[260]; // the folder holding it; first byte 0 = not initialised
  static bool _inPackage;           // true: names resolve inside Contents/Resources
};

#endif
