// KWeb: fetches the whole body of one URL into memory with a single blocking
// call and keeps it until the next fetch or its destruction. Every fetch is
// bounded: connect and total time-outs, a cap on the body's size, at most
// three redirects and only to http or https. An HTTP status outside 2xx, a
// truncated body and an empty body all count as failures.
#ifndef KWEB_H
#define KWEB_H

#include <cstddef>
#include <cstdint>

class KWeb {
public:
  // No data.
  KWeb();
  // Frees the data.
  ~KWeb();
  KWeb(const KWeb &) = delete;
  KWeb &operator=(const KWeb &) = delete;

  // Fetches paramURL (see openURL). The flag is passed on as displayProgress;
  // the call blocks either way. Null on failure.
  char *callURL(const char *paramURL, bool asynchronous);
  // Frees the previous body, then fetches paramURL. Returns the body, which is
  // followed by a NUL byte (not counted in getBufferSize), or null on failure.
  // The body stays valid until the next fetch, freeDataBuffer or destruction.
  // displayProgress is accepted and ignored: no dialog is ever shown.
  char *openURL(const char *paramURL, bool displayProgress);
  // Bytes of the last successful body, 0 when there is none.
  uint32_t getBufferSize();
  // Frees the body; getBufferSize is then 0.
  void freeDataBuffer();
  // Does nothing: no connection state survives between fetches.
  void freeInternetHandles();
  // The HTTP status of the last fetch's reply (200, 404, ...), also when the
  // fetch failed on it; 0 when no complete reply came (no connection, a
  // time-out, a cut or oversized body, not HTTP), so that a caller can tell
  // a server that refused from one that could not be reached.
  long getHttpStatus() const;

  // Percent-encodes `value` for a URL query (every byte but A-Z a-z 0-9 - . _ ~
  // becomes %XX, so Latin-1 bytes, blanks, '&', '#' and '%' are safe) into
  // out. False, with out empty, when the result does not fit outSize bytes.
  static bool escapeQueryValue(const char *value, char *out, size_t outSize);

  // ---- test seams: the limits every fetch uses ----
  static const long kDefaultConnectTimeoutMs = 3000;
  static const long kDefaultTotalTimeoutMs = 8000;
  static const size_t kDefaultMaxBodyBytes = 64 * 1024;
  // Sets the connect and total time-outs and the body cap.
  static void setLimits(long connectTimeoutMs, long totalTimeoutMs, size_t maxBodyBytes);
  // Puts the defaults above back.
  static void resetLimits();

private:
  char *dataHandle;         // the body and its NUL, owned; null when none
  uint32_t _dataBufferSize; // body length in bytes
  long _httpStatus;         // status of the last complete reply, 0 when none
};

#endif
