// The score server's HTTP side (see routes.h).
#include "routes.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "page.h"
#include "scorelimit.h"

namespace scores {

namespace {

const char kPlain[] = "text/plain; charset=ISO-8859-1";
const char kHtml[] = "text/html; charset=utf-8";
const std::string kBase = "/highscores/trivello/";
const unsigned kListenBacklog = 1024; // bursts of clients wait instead of being turned away
// The library's memory per connection: the head as it arrives, its parsed
// header records and the reply's head. A head that outgrows it is refused
// by the library (431) before the access handler sees it; the tighter
// bounds of guards.h are checked once the head is complete.
const size_t kConnectionMemory = 32 * 1024;
// Connections above the caps that still get their 503; beyond these the
// library closes new connections at once.
const unsigned kRefusalMargin = 64;
const unsigned kRefusalMarginPerAddress = 8;
const unsigned kNoCap = 1u << 16; // "no cap": as many as the process may open

Reply plain(int status, std::string body, std::string refusal = "") {
  Reply r;
  r.status = status;
  r.contentType = kPlain;
  r.body = std::move(body);
  r.refusal = std::move(refusal);
  return r;
}

// The client's address as text ("127.0.0.1", "::1").
std::string addressText(const sockaddr *sa) {
  char text[INET6_ADDRSTRLEN] = "?";
  if (sa != nullptr && sa->sa_family == AF_INET)
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in *>(sa)->sin_addr, text, sizeof(text));
  else if (sa != nullptr && sa->sa_family == AF_INET6)
    inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6 *>(sa)->sin6_addr, text, sizeof(text));
  return text;
}

bool sameTable(const std::vector<Entry> &a, const std::vector<Entry> &b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); i++)
    if (a[i].score != b[i].score || a[i].name != b[i].name)
      return false;
  return true;
}

} // namespace

// What the server remembers of one connection.
struct ScoreServer::Connection {
  int fd = -1;
  std::chrono::steady_clock::time_point start;
  std::string address;
  std::string target;    // the raw request target, once the request line is in
  bool headDone = false; // the whole head arrived
  bool shut = false;     // closed for a late head
  bool overCap = false;  // beyond the connection caps: answered 503
};

struct ScoreServer::Rendered {
  std::vector<Entry> top;
  std::string plain;
  std::string html;
};

// The library calls these with the server as its closure.
struct HttpCallbacks {
  static void onConnection(void *cls, MHD_Connection *c, void **socketContext,
                           enum MHD_ConnectionNotificationCode toe) {
    auto *server = static_cast<ScoreServer *>(cls);
    if (toe == MHD_CONNECTION_NOTIFY_STARTED)
      server->connectionStarted(c, socketContext);
    else
      server->connectionClosed(socketContext);
  }

  static void *onRequestLine(void *cls, const char *uri, MHD_Connection *c) {
    static_cast<ScoreServer *>(cls)->requestLine(c, uri);
    return nullptr;
  }

  // Called once the head is complete (then again for any body, which the
  // game never sends and which is dropped).
  static MHD_Result onRequest(void *cls, MHD_Connection *c, const char *, const char *method, const char *version,
                              const char *, size_t *uploadSize, void **requestContext) {
    if (*requestContext != nullptr) {
      *uploadSize = 0;
      return MHD_YES;
    }
    *requestContext = cls; // answered
    return static_cast<ScoreServer *>(cls)->handle(c, method, version) ? MHD_YES : MHD_NO;
  }

  static MHD_Result countHeader(void *cls, enum MHD_ValueKind, const char *, size_t keySize, const char *,
                                size_t valueSize) {
    static_cast<HeadSize *>(cls)->addHeader(keySize, valueSize);
    return MHD_YES;
  }

  // The library's own complaints (refused heads, failed sockets) as log lines.
  static void onLibraryMessage(void *cls, const char *format, va_list args) {
    char text[512];
    vsnprintf(text, sizeof(text), format, args);
    size_t n = strlen(text);
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r'))
      text[--n] = '\0';
    static_cast<ScoreServer *>(cls)->log(std::string("trivello-scores: http: ") + loggable(text, 300));
  }
};

ScoreServer::ScoreServer(ScoreStore &store, const ServerOptions &options)
    : _store(store), _options(options), _submits(options.submitsPerMinute), _qualifies(options.qualifiesPerMinute) {
  _options.threads = std::max(1u, _options.threads);
  _options.headTimeoutMs = std::max(1u, _options.headTimeoutMs);
}

ScoreServer::~ScoreServer() { stop(); }

// Binds and starts the library's event loops and the deadline keeper.
int ScoreServer::start(const std::string &address, int port) {
  if (_daemon != nullptr || port < 0 || port > 65535)
    return -1;
  sockaddr_in v4{};
  sockaddr_in6 v6{};
  const sockaddr *bindTo = nullptr;
  unsigned flags = MHD_USE_EPOLL_INTERNAL_THREAD | MHD_USE_ERROR_LOG;
  if (inet_pton(AF_INET, address.c_str(), &v4.sin_addr) == 1) {
    v4.sin_family = AF_INET;
    v4.sin_port = htons((uint16_t)port);
    bindTo = reinterpret_cast<const sockaddr *>(&v4);
  } else if (inet_pton(AF_INET6, address.c_str(), &v6.sin6_addr) == 1) {
    v6.sin6_family = AF_INET6;
    v6.sin6_port = htons((uint16_t)port);
    bindTo = reinterpret_cast<const sockaddr *>(&v6);
    flags |= MHD_USE_IPv6;
  } else {
    log("trivello-scores: not an IP address: " + loggable(address));
    return -1;
  }
  // The library's idle time-out backs up the head deadline kept here.
  unsigned idleSeconds = (_options.headTimeoutMs + 999) / 1000;
  unsigned limit = _options.maxConnections == 0 ? kNoCap : _options.maxConnections + kRefusalMargin;
  unsigned perAddress = _options.maxPerAddress == 0 ? 0 : _options.maxPerAddress + kRefusalMarginPerAddress;
  _daemon = MHD_start_daemon(flags, (uint16_t)port, nullptr, nullptr, &HttpCallbacks::onRequest, this,
                             MHD_OPTION_EXTERNAL_LOGGER, &HttpCallbacks::onLibraryMessage, this, // first, to catch all
                             MHD_OPTION_SOCK_ADDR, bindTo, MHD_OPTION_THREAD_POOL_SIZE, _options.threads,
                             MHD_OPTION_CONNECTION_TIMEOUT, idleSeconds, MHD_OPTION_CONNECTION_MEMORY_LIMIT,
                             kConnectionMemory, MHD_OPTION_CONNECTION_LIMIT, limit, MHD_OPTION_PER_IP_CONNECTION_LIMIT,
                             perAddress, MHD_OPTION_LISTEN_BACKLOG_SIZE, kListenBacklog, MHD_OPTION_NOTIFY_CONNECTION,
                             &HttpCallbacks::onConnection, this, MHD_OPTION_URI_LOG_CALLBACK,
                             &HttpCallbacks::onRequestLine, this, MHD_OPTION_END);
  if (_daemon == nullptr)
    return -1;
  const MHD_DaemonInfo *info = MHD_get_daemon_info(_daemon, MHD_DAEMON_INFO_BIND_PORT);
  int bound = info != nullptr ? (int)info->port : port;
  {
    std::lock_guard<std::mutex> lock(_reaperLock);
    _stopping = false;
  }
  _reaper = std::thread([this] { reapLateHeads(); });
  return bound;
}

void ScoreServer::stop() {
  if (_daemon == nullptr)
    return;
  MHD_stop_daemon(_daemon);
  _daemon = nullptr;
  {
    std::lock_guard<std::mutex> lock(_reaperLock);
    _stopping = true;
  }
  _reaperWake.notify_all();
  if (_reaper.joinable())
    _reaper.join();
}

void ScoreServer::log(const std::string &line) {
  if (_options.log)
    _options.log(line);
  else
    fprintf(stderr, "%s\n", line.c_str()); // one call: lines from several threads do not mix
}

size_t ScoreServer::openConnections() {
  std::lock_guard<std::mutex> lock(_connLock);
  return _connections.size();
}

double ScoreServer::seconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - _start).count();
}

// Remembers the connection and counts it against the caps.
void ScoreServer::connectionStarted(MHD_Connection *c, void **socketContext) {
  auto *conn = new Connection;
  conn->start = now();
  if (const MHD_ConnectionInfo *fd = MHD_get_connection_info(c, MHD_CONNECTION_INFO_CONNECTION_FD))
    conn->fd = fd->connect_fd;
  if (const MHD_ConnectionInfo *peer = MHD_get_connection_info(c, MHD_CONNECTION_INFO_CLIENT_ADDRESS))
    conn->address = addressText(peer->client_addr);
  std::lock_guard<std::mutex> lock(_connLock);
  unsigned &fromAddress = _perAddress[conn->address];
  fromAddress++;
  conn->overCap = (_options.maxConnections != 0 && _connections.size() >= _options.maxConnections) ||
                  (_options.maxPerAddress != 0 && fromAddress > _options.maxPerAddress);
  _connections.insert(conn);
  *socketContext = conn;
}

// Called before the library closes the socket, so the deadline keeper never
// touches a descriptor that may already belong to another connection.
void ScoreServer::connectionClosed(void **socketContext) {
  auto *conn = static_cast<Connection *>(*socketContext);
  if (conn == nullptr)
    return;
  {
    std::lock_guard<std::mutex> lock(_connLock);
    _connections.erase(conn);
    auto it = _perAddress.find(conn->address);
    if (it != _perAddress.end() && --it->second == 0)
      _perAddress.erase(it);
  }
  delete conn;
  *socketContext = nullptr;
}

void ScoreServer::requestLine(MHD_Connection *c, const char *uri) {
  const MHD_ConnectionInfo *info = MHD_get_connection_info(c, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
  if (info == nullptr || info->socket_context == nullptr)
    return;
  std::lock_guard<std::mutex> lock(_connLock);
  static_cast<Connection *>(info->socket_context)->target = uri;
}

std::chrono::steady_clock::time_point ScoreServer::now() const {
  return _options.clock ? _options.clock() : std::chrono::steady_clock::now();
}

// Several times within the deadline: closes the late heads, until stopped.
void ScoreServer::reapLateHeads() {
  auto tick = std::clamp(std::chrono::milliseconds(_options.headTimeoutMs) / 10, std::chrono::milliseconds(10),
                         std::chrono::milliseconds(250));
  std::unique_lock<std::mutex> wait(_reaperLock);
  while (!_stopping) {
    _reaperWake.wait_for(wait, tick);
    if (_stopping)
      break;
    wait.unlock();
    closeLateHeads();
    wait.lock();
  }
}

// shutdown() wakes the library's loop, which then closes the connection
// itself; the descriptor stays valid meanwhile (see connectionClosed).
void ScoreServer::closeLateHeads() {
  auto limit = std::chrono::milliseconds(_options.headTimeoutMs);
  auto at = now();
  std::vector<std::string> late;
  {
    std::lock_guard<std::mutex> lock(_connLock);
    for (Connection *conn : _connections) {
      if (conn->headDone || conn->shut || at - conn->start < limit)
        continue;
      if (conn->fd >= 0)
        shutdown(conn->fd, SHUT_RDWR);
      conn->shut = true;
      late.push_back(conn->address);
    }
  }
  for (const std::string &address : late)
    log("trivello-scores: closed a connection from " + address + ": request head not complete within " +
        std::to_string(_options.headTimeoutMs) + " ms");
}

// Checks the head against the bounds and the caps, answers, and closes the
// connection after the reply (one request per connection, as the game makes).
bool ScoreServer::handle(MHD_Connection *c, const char *method, const char *version) {
  const MHD_ConnectionInfo *info = MHD_get_connection_info(c, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
  auto *conn = info != nullptr ? static_cast<Connection *>(info->socket_context) : nullptr;
  if (conn == nullptr)
    return false;
  std::string target, address;
  bool overCap;
  {
    std::lock_guard<std::mutex> lock(_connLock);
    if (conn->shut)
      return false;
    conn->headDone = true;
    target = conn->target;
    address = conn->address;
    overCap = conn->overCap;
  }
  HeadSize head(strlen(method) + 1 + target.size() + 1 + strlen(version));
  MHD_get_connection_values_n(c, MHD_HEADER_KIND, &HttpCallbacks::countHeader, &head);
  Reply r;
  if (!head.withinBounds())
    r = plain(431, "request head too large", "request head too large");
  else if (overCap)
    r = plain(503, "busy", "too many connections");
  else
    r = answer(method, target, address);
  if (!r.refusal.empty())
    log("trivello-scores: " + std::to_string(r.status) + " " + loggable(method, 16) + " " + loggable(target) +
        " from " + address + ": " + r.refusal);
  MHD_Response *res = MHD_create_response_from_buffer(r.body.size(), const_cast<char *>(r.body.data()),
                                                      MHD_RESPMEM_MUST_COPY);
  if (res == nullptr)
    return false;
  MHD_add_response_header(res, MHD_HTTP_HEADER_CONTENT_TYPE, r.contentType.c_str());
  MHD_add_response_header(res, MHD_HTTP_HEADER_CONNECTION, "close");
  if (r.status == 503 || r.status == 429)
    MHD_add_response_header(res, MHD_HTTP_HEADER_RETRY_AFTER, "10");
  MHD_Result queued = MHD_queue_response(c, (unsigned)r.status, res);
  MHD_destroy_response(res);
  return queued == MHD_YES;
}

// The top ten as the reply and the page, rendered again only when it changed.
// Null when the database cannot be read: an old or empty table is never shown.
std::shared_ptr<const ScoreServer::Rendered> ScoreServer::rendered() {
  std::vector<Entry> top;
  if (!_store.readTopTen(top))
    return nullptr;
  std::lock_guard<std::mutex> lock(_renderLock);
  if (_rendered == nullptr || !sameTable(_rendered->top, top)) {
    auto fresh = std::make_shared<Rendered>();
    fresh->plain = plainTopTen(top);
    fresh->html = topTenPage(top);
    fresh->top = std::move(top);
    _rendered = std::move(fresh);
  }
  return _rendered;
}

// The three game requests and the page; plain-text errors for the rest.
Reply ScoreServer::answer(const std::string &method, const std::string &target, const std::string &address) {
  size_t mark = target.find('?');
  std::string path = target.substr(0, mark);
  std::string query = mark == std::string::npos ? "" : target.substr(mark + 1);
  bool qualifyPath = path == kBase + "ishighscore.php";
  bool submitPath = path == kBase + "scoresubmit.php";
  bool topPath = path == kBase + "shown.php";
  if (!qualifyPath && !submitPath && !topPath && path != kBase)
    return plain(404, "not found", "no such page");
  if (method != "GET" && method != "HEAD")
    return plain(405, "method not allowed", "method not allowed");
  std::shared_ptr<const Rendered> top;
  if (path == kBase || topPath) {
    top = rendered();
    if (top == nullptr)
      return plain(500, "not available", "the database did not answer");
  }
  if (path == kBase) {
    Reply page;
    page.contentType = kHtml;
    page.body = top->html;
    return page;
  }
  QueryParams params;
  if (!parseQuery(query, params))
    return plain(400, "bad query", "bad query");
  if (qualifyPath)
    return qualify(params, address);
  if (submitPath)
    return submitScore(params, address);
  return plain(200, top->plain);
}

// "yes" or "no": would this score enter the top ten.
Reply ScoreServer::qualify(const QueryParams &params, const std::string &address) {
  const std::string *text = findParam(params, "subscore");
  int32_t score = 0;
  if (text == nullptr || params.size() != 1 || !parseScore(*text, score))
    return plain(400, "bad score", "bad score");
  if (!scorelimit::IsPossibleScore(score))
    return plain(400, "impossible score", "a score no game can reach");
  if (!_qualifies.allow(address, seconds()))
    return plain(429, "too many requests", "too many qualify checks");
  Answer answer = _store.qualify(score);
  if (answer == Answer::Failed)
    return plain(500, "not available", "the database did not answer");
  return plain(200, answer == Answer::Yes ? "yes" : "no");
}

// Stores a qualifying score: "ok" when stored, "no" when it does not enter.
Reply ScoreServer::submitScore(const QueryParams &params, const std::string &address) {
  const std::string *name = findParam(params, "name");
  const std::string *text = findParam(params, "score");
  int32_t score = 0;
  if (name == nullptr || text == nullptr || params.size() != 2 || !parseScore(*text, score))
    return plain(400, "bad submission", "bad submission");
  if (!scorelimit::IsPossibleScore(score))
    return plain(400, "impossible score", "a score no game can reach");
  if (!_submits.allow(address, seconds()))
    return plain(429, "too many submissions", "too many submissions");
  switch (_store.submit(cleanName(*name), score)) {
  case SubmitResult::Stored:
    return plain(200, "ok");
  case SubmitResult::NotQualifying:
    return plain(200, "no");
  case SubmitResult::Failed:
    break;
  }
  return plain(500, "not stored", "the store could not keep the score");
}

} // namespace scores
