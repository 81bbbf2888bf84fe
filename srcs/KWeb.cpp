// KWeb: one blocking HTTP(S) GET into a growing memory buffer.
// Depends on libcurl (the transfer, redirects, time-outs, percent-encoding).
// Owns the body of the last successful fetch; libcurl's global state is set
// up once per process and its easy handle lives only for one fetch. A failed
// fetch is logged through KLog (without the query part of its address).
#include "KWeb.h"

#include <curl/curl.h>

#include <csignal> // SIGPIPE is ignored so that a peer closing the socket cannot end the game
#include <cstdlib>
#include <cstring>
#include <mutex> // std::call_once for the one-time global set-up
#include <string>

#include "KMiscTools.h" // KLog

// ---- constants -------------------------------------------------------------

static const long kMaxRedirects = 3;
static const char kAllowedProtocols[] = "http,https";

// ---- limits (test seams) ---------------------------------------------------

static long gConnectTimeoutMs = KWeb::kDefaultConnectTimeoutMs;
static long gTotalTimeoutMs = KWeb::kDefaultTotalTimeoutMs;
static size_t gMaxBodyBytes = KWeb::kDefaultMaxBodyBytes;

// ---- file-local helpers ----------------------------------------------------

// libcurl's process-wide set-up, done once. SIGPIPE is ignored unless the
// program already handles it: a write to a socket the server closed must come
// back as an error, never end the process.
static bool globalInit() {
  static std::once_flag once;
  static bool ready = false;
  std::call_once(once, [] {
    struct sigaction old;
    if (sigaction(SIGPIPE, nullptr, &old) == 0 && old.sa_handler == SIG_DFL)
      signal(SIGPIPE, SIG_IGN);
    ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  });
  return ready;
}

// The body being received: a malloc'd buffer that grows as data arrives and
// always keeps one byte spare for the closing NUL.
struct Download {
  char *data = nullptr;
  size_t size = 0;
  size_t capacity = 0;
  size_t cap = 0;
};

// libcurl's write callback: appends a chunk; returning less than the chunk's
// size aborts the transfer (over the cap, or out of memory).
static size_t appendChunk(char *chunk, size_t size, size_t count, void *userData) {
  Download *d = static_cast<Download *>(userData);
  size_t n = size * count;
  if (n > d->cap - d->size)
    return 0;
  if (d->size + n + 1 > d->capacity) {
    size_t wanted = d->capacity == 0 ? 4096 : d->capacity * 2;
    while (wanted < d->size + n + 1)
      wanted *= 2;
    char *grown = static_cast<char *>(realloc(d->data, wanted));
    if (grown == nullptr)
      return 0;
    d->data = grown;
    d->capacity = wanted;
  }
  memcpy(d->data + d->size, chunk, n);
  d->size += n;
  return n;
}

// Sets the options every fetch uses: the bounds, redirects, no signals.
static void configure(CURL *curl, const char *url, Download *d) {
  curl_easy_setopt(curl, CURLOPT_URL, url);
  curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, kAllowedProtocols);
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, kAllowedProtocols);
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, gConnectTimeoutMs);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, gTotalTimeoutMs);
  curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, (curl_off_t)gMaxBodyBytes);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, "Trivello");
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, appendChunk);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, d);
}

// Logs why a transfer failed. The query is left out of the logged address:
// it may carry what a player typed.
static void logFailure(const char *url, CURLcode rc, long status) {
  std::string address(url);
  address = address.substr(0, address.find('?'));
  if (rc != CURLE_OK)
    KLog::logFormat(kError, "web request to %s failed: %s", address.c_str(), curl_easy_strerror(rc));
  else if (status < 200 || status >= 300)
    KLog::logFormat(kError, "web request to %s failed: HTTP status %ld", address.c_str(), status);
  else
    KLog::logFormat(kError, "web request to %s failed: empty reply", address.c_str());
}

// Runs one transfer; true only for a complete, non-empty 2xx body. *status
// gets the reply's status when the transfer completed, else 0.
static bool transfer(const char *url, Download *d, long *status) {
  *status = 0;
  CURL *curl = curl_easy_init();
  if (curl == nullptr)
    return false;
  configure(curl, url, d);
  CURLcode rc = curl_easy_perform(curl);
  if (rc == CURLE_OK)
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, status);
  curl_easy_cleanup(curl);
  bool ok = rc == CURLE_OK && *status >= 200 && *status < 300 && d->size > 0;
  if (!ok)
    logFailure(url, rc, *status);
  return ok;
}

// ---- KWeb ------------------------------------------------------------------

// An object with no data.
KWeb::KWeb() : dataHandle(nullptr), _dataBufferSize(0), _httpStatus(0) {}

// Frees the data.
KWeb::~KWeb() { freeDataBuffer(); }

// Fetches the URL; the flag only reaches openURL's progress option.
char *KWeb::callURL(const char *paramURL, bool asynchronous) { return openURL(paramURL, asynchronous); }

// Frees the previous body, then fetches the URL into a fresh NUL-ended buffer.
char *KWeb::openURL(const char *paramURL, bool /*displayProgress*/) {
  freeDataBuffer();
  _httpStatus = 0;
  if (!globalInit() || paramURL == nullptr || paramURL[0] == '\0')
    return nullptr;
  Download d;
  d.cap = gMaxBodyBytes;
  if (!transfer(paramURL, &d, &_httpStatus)) {
    free(d.data);
    return nullptr;
  }
  d.data[d.size] = '\0';
  dataHandle = d.data;
  _dataBufferSize = (uint32_t)d.size;
  return dataHandle;
}

// Bytes of the body held, 0 when none.
uint32_t KWeb::getBufferSize() { return dataHandle == nullptr ? 0 : _dataBufferSize; }

// Frees the body.
void KWeb::freeDataBuffer() {
  free(dataHandle);
  dataHandle = nullptr;
  _dataBufferSize = 0;
}

// Nothing to free: each fetch closes its own connection state.
void KWeb::freeInternetHandles() {}

// The last reply's status, 0 when none came whole.
long KWeb::getHttpStatus() const { return _httpStatus; }

// Percent-encodes a query value with libcurl; false when it does not fit.
bool KWeb::escapeQueryValue(const char *value, char *out, size_t outSize) {
  if (out == nullptr || outSize == 0)
    return false;
  out[0] = '\0';
  if (value == nullptr || !globalInit())
    return false;
  char *escaped = curl_easy_escape(nullptr, value, (int)strlen(value));
  if (escaped == nullptr)
    return false;
  size_t n = strlen(escaped);
  bool fits = n < outSize;
  if (fits)
    memcpy(out, escaped, n + 1);
  curl_free(escaped);
  return fits;
}

// Sets the bounds of every later fetch.
void KWeb::setLimits(long connectTimeoutMs, long totalTimeoutMs, size_t maxBodyBytes) {
  gConnectTimeoutMs = connectTimeoutMs;
  gTotalTimeoutMs = totalTimeoutMs;
  gMaxBodyBytes = maxBodyBytes;
}

// Restores the default bounds.
void KWeb::resetLimits() { setLimits(kDefaultConnectTimeoutMs, kDefaultTotalTimeoutMs, kDefaultMaxBodyBytes); }
