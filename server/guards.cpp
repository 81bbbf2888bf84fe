// Rate limit, head bounds and log text of the score server (see guards.h).
#include "guards.h"

#include <algorithm>

namespace scores {

namespace {

const double kWindowSeconds = 60.0; // an idle bucket is full again after this

} // namespace

// Forgets the addresses idle for a whole minute, refills the bucket of this
// one for the time passed, then takes a token.
bool RateLimiter::allow(const std::string &address, double nowSeconds) {
  if (_perMinute == 0)
    return true;
  std::lock_guard<std::mutex> lock(_lock);
  double capacity = _perMinute;
  while (!_recent.empty() && nowSeconds - _recent.back().last >= kWindowSeconds) {
    _index.erase(_recent.back().address);
    _recent.pop_back();
  }
  auto found = _index.find(address);
  if (found == _index.end()) {
    if (_recent.size() >= _maxTracked) {
      _index.erase(_recent.back().address);
      _recent.pop_back();
    }
    _recent.push_front(Bucket{address, capacity, nowSeconds});
    found = _index.emplace(address, _recent.begin()).first;
  } else {
    _recent.splice(_recent.begin(), _recent, found->second);
  }
  Bucket &b = *found->second;
  b.tokens = std::min(capacity, b.tokens + std::max(0.0, nowSeconds - b.last) * capacity / kWindowSeconds);
  b.last = nowSeconds;
  if (b.tokens < 1.0)
    return false;
  b.tokens -= 1.0;
  return true;
}

// Number of buckets held.
size_t RateLimiter::tracked() {
  std::lock_guard<std::mutex> lock(_lock);
  return _recent.size();
}

// The request line counts as a line of its own, with its CRLF; the blank
// line that ends the head adds two bytes.
HeadSize::HeadSize(size_t requestLineBytes) : _longest(requestLineBytes), _total(requestLineBytes + 2 + 2) {}

// "key: value" and CRLF.
void HeadSize::addHeader(size_t keyBytes, size_t valueBytes) {
  size_t line = keyBytes + 2 + valueBytes;
  _lines++;
  _longest = std::max(_longest, line);
  _total += line + 2;
}

bool HeadSize::withinBounds() const {
  return _lines <= kMaxHeaderLines && _longest <= kMaxHeadLineBytes && _total <= kMaxHeadBytes;
}

// Escapes what a terminal or a log reader could take for a line end or a
// control sequence.
std::string loggable(std::string_view text, size_t maxBytes) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : text) {
    if (out.size() >= maxBytes) {
      out += "...";
      break;
    }
    unsigned char b = (unsigned char)c;
    if (b < 0x20 || b >= 0x7F) {
      out += '%';
      out += hex[b >> 4];
      out += hex[b & 15];
    } else {
      out += c;
    }
  }
  return out;
}

} // namespace scores
