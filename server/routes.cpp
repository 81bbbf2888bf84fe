// The score server's routes (see routes.h).
#include "routes.h"

#include <sys/socket.h> // listen() again on the bound socket for a longer queue

#include <algorithm>

#include "page.h"

namespace scores {

namespace {

const char kPlain[] = "text/plain; charset=ISO-8859-1";
const char kHtml[] = "text/html; charset=utf-8";
const int kListenBacklog = 1024; // the library's own queue of 5 drops bursts of connections

// A plain-text reply with a status.
void reply(httplib::Response &res, int status, const std::string &body) {
  res.status = status;
  res.set_content(body, kPlain);
}

} // namespace

// Refills the address's bucket for the time passed, then takes a token.
bool RateLimiter::allow(const std::string &address, double nowSeconds) {
  if (_perMinute == 0)
    return true;
  std::lock_guard<std::mutex> lock(_lock);
  double capacity = _perMinute;
  if (_buckets.size() >= kMaxTracked) {
    for (auto it = _buckets.begin(); it != _buckets.end();) {
      double refilled = it->second.tokens + (nowSeconds - it->second.last) * capacity / 60.0;
      it = refilled >= capacity ? _buckets.erase(it) : std::next(it);
    }
    // Still full (many addresses submitting at once): start afresh rather
    // than grow without bound; each address gains at most one burst.
    if (_buckets.size() >= kMaxTracked)
      _buckets.clear();
  }
  auto found = _buckets.try_emplace(address, Bucket{capacity, nowSeconds});
  Bucket &b = found.first->second;
  b.tokens = std::min(capacity, b.tokens + std::max(0.0, nowSeconds - b.last) * capacity / 60.0);
  b.last = nowSeconds;
  if (b.tokens < 1.0)
    return false;
  b.tokens -= 1.0;
  return true;
}

// Number of buckets held.
size_t RateLimiter::tracked() {
  std::lock_guard<std::mutex> lock(_lock);
  return _buckets.size();
}

// Sets the bounds of every connection and the routes.
ScoreServer::ScoreServer(ScoreStore &store, const ServerOptions &options)
    : _store(store), _limiter(options.submitsPerMinute) {
  unsigned threads = std::max(1u, options.threads);
  new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
  set_payload_max_length(1024);
  set_read_timeout(3, 0);
  set_write_timeout(3, 0);
  // One request per connection: the game makes one per fetch anyway, and an
  // idle kept-alive connection would hold one of the few worker threads.
  set_keep_alive_max_count(1);
  installRoutes();
}

// Binds, then widens the accept queue so that bursts of clients wait instead
// of having their connection attempts dropped.
int ScoreServer::bindTo(const std::string &address, int port) {
  int bound = port;
  if (port == 0)
    bound = bind_to_any_port(address);
  else if (!bind_to_port(address, port))
    bound = -1;
  if (bound > 0)
    ::listen(svr_sock_, kListenBacklog);
  return bound;
}

// The three game requests, the page, and plain-text errors for the rest.
void ScoreServer::installRoutes() {
  Get("/highscores/trivello/ishighscore.php",
      [this](const httplib::Request &req, httplib::Response &res) { qualify(req, res); });
  Get("/highscores/trivello/scoresubmit.php",
      [this](const httplib::Request &req, httplib::Response &res) { submitScore(req, res); });
  Get("/highscores/trivello/shown.php", [this](const httplib::Request &req, httplib::Response &res) {
    QueryParams params;
    std::vector<Entry> top;
    if (!readQuery(req, res, params))
      return;
    if (!_store.readTopTen(top))
      return reply(res, 500, "not available");
    reply(res, 200, plainTopTen(top));
  });
  Get("/highscores/trivello/", [this](const httplib::Request &, httplib::Response &res) {
    std::vector<Entry> top;
    if (!_store.readTopTen(top))
      return reply(res, 500, "not available");
    res.set_content(topTenPage(top), kHtml);
  });
  set_error_handler([](const httplib::Request &, httplib::Response &res) {
    if (res.body.empty())
      reply(res, res.status, res.status == 404 ? "not found" : "bad request");
  });
}

// Parses the raw query of the request; answers 400 itself when it is bad.
bool ScoreServer::readQuery(const httplib::Request &req, httplib::Response &res, QueryParams &params) {
  size_t mark = req.target.find('?');
  std::string_view raw;
  if (mark != std::string::npos)
    raw = std::string_view(req.target).substr(mark + 1);
  if (!parseQuery(raw, params)) {
    reply(res, 400, "bad query");
    return false;
  }
  return true;
}

// "yes" or "no": would this score enter the top ten.
void ScoreServer::qualify(const httplib::Request &req, httplib::Response &res) {
  QueryParams params;
  if (!readQuery(req, res, params))
    return;
  const std::string *text = findParam(params, "subscore");
  int32_t score = 0;
  if (text == nullptr || params.size() != 1 || !parseScore(*text, score))
    return reply(res, 400, "bad score");
  Answer answer = _store.qualify(score);
  if (answer == Answer::Failed)
    return reply(res, 500, "not available");
  reply(res, 200, answer == Answer::Yes ? "yes" : "no");
}

// Stores a qualifying score: "ok" when stored, "no" when it does not enter.
void ScoreServer::submitScore(const httplib::Request &req, httplib::Response &res) {
  QueryParams params;
  if (!readQuery(req, res, params))
    return;
  const std::string *name = findParam(params, "name");
  const std::string *text = findParam(params, "score");
  int32_t score = 0;
  if (name == nullptr || text == nullptr || params.size() != 2 || !parseScore(*text, score))
    return reply(res, 400, "bad submission");
  double now = std::chrono::duration<double>(std::chrono::steady_clock::now() - _start).count();
  if (!_limiter.allow(req.remote_addr, now))
    return reply(res, 429, "too many submissions");
  switch (_store.submit(cleanName(*name), score)) {
  case SubmitResult::Stored: return reply(res, 200, "ok");
  case SubmitResult::NotQualifying: return reply(res, 200, "no");
  case SubmitResult::Failed: return reply(res, 500, "not stored");
  }
}

} // namespace scores
