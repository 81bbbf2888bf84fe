// What keeps the score server standing: the per-address rate limit, the
// bounds of a request head, and log text that cannot forge log lines. Pure
// code with no I/O, so that it can be tested without sockets.
#ifndef TRIVELLO_SCORES_GUARDS_H
#define TRIVELLO_SCORES_GUARDS_H

#include <cstddef>
#include <list>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace scores {

// A token bucket per client address: `perMinute` requests, refilled evenly
// over a minute, with a burst of the same size. 0 switches the limit off.
//
// An address unseen for a minute has a full bucket again, so it is forgotten,
// oldest first, one at a time as the clock passes. When `maxTracked`
// addresses were all active within the minute, a new address pushes out only
// the one that has been quiet longest: the others keep what they have used.
class RateLimiter {
public:
  explicit RateLimiter(unsigned perMinute, size_t maxTracked = 10000)
      : _perMinute(perMinute), _maxTracked(maxTracked < 1 ? 1 : maxTracked) {}
  // True when the address may make a request now (`nowSeconds` from a steady
  // clock, never going back); takes one token.
  bool allow(const std::string &address, double nowSeconds);
  // Addresses remembered now.
  size_t tracked();

private:
  struct Bucket {
    std::string address;
    double tokens;
    double last;
  };
  unsigned _perMinute;
  size_t _maxTracked;
  std::mutex _lock;
  std::list<Bucket> _recent; // most recently used first
  std::unordered_map<std::string, std::list<Bucket>::iterator> _index;
};

// Bounds of one request head.
constexpr size_t kMaxHeadLineBytes = 8 * 1024; // the request line or one header line
constexpr size_t kMaxHeaderLines = 64;
constexpr size_t kMaxHeadBytes = 16 * 1024; // every line with its CRLF, and the blank line

// The sizes of a head as the client sent it.
class HeadSize {
public:
  // The request line: method, target and version with the blanks between.
  explicit HeadSize(size_t requestLineBytes);
  // One header line "key: value".
  void addHeader(size_t keyBytes, size_t valueBytes);
  // True when the head keeps within the bounds above.
  bool withinBounds() const;

private:
  size_t _lines = 0;
  size_t _longest = 0;
  size_t _total = 0;
};

// Request text made safe for one log line: bytes outside printable ASCII as
// %XX, cut to about `maxBytes` with "..." after.
std::string loggable(std::string_view text, size_t maxBytes = 160);

} // namespace scores

#endif
