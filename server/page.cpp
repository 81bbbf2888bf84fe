// Replies and the web page of the score server (see page.h).
#include "page.h"

namespace scores {

// Pairs joined by commas; names never hold a comma (the name rule). An empty
// table is a lone comma: the game reads it as no rows, where an empty body
// would count as a failed request and the view would not open.
std::string plainTopTen(const std::vector<Entry> &top) {
  if (top.empty())
    return ",";
  std::string reply;
  for (const Entry &e : top) {
    if (!reply.empty())
      reply += ',';
    reply += e.name;
    reply += ',';
    reply += std::to_string(e.score);
  }
  return reply;
}

// Each byte is the code point of the same value.
std::string latin1ToUtf8(std::string_view latin1) {
  std::string out;
  out.reserve(latin1.size() * 2);
  for (char c : latin1) {
    unsigned char b = (unsigned char)c;
    if (b < 0x80) {
      out += c;
    } else {
      out += (char)(0xC0 | (b >> 6));
      out += (char)(0x80 | (b & 0x3F));
    }
  }
  return out;
}

// Replaces the five characters that mean something in HTML.
std::string htmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
    case '&':
      out += "&amp;";
      break;
    case '<':
      out += "&lt;";
      break;
    case '>':
      out += "&gt;";
      break;
    case '"':
      out += "&quot;";
      break;
    case '\'':
      out += "&#39;";
      break;
    default:
      out += c;
    }
  }
  return out;
}

// A small self-contained page: no scripts, no outside resources.
std::string topTenPage(const std::vector<Entry> &top) {
  std::string html = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
                     "<meta name=\"viewport\" content=\"width=device-width\">\n"
                     "<title>Trivello top ten</title>\n<style>\n"
                     "body{font-family:sans-serif;background:#123;color:#fff;margin:2em}\n"
                     "table{border-collapse:collapse;margin:auto}h1{text-align:center}\n"
                     "td,th{padding:.3em 1.2em;border-bottom:1px solid #456}td.score{text-align:right}\n"
                     "</style></head><body>\n<h1>Trivello top ten</h1>\n<table>\n"
                     "<tr><th>#</th><th>Name</th><th>Score</th></tr>\n";
  int rank = 1;
  for (const Entry &e : top) {
    html += "<tr><td>" + std::to_string(rank++) + "</td><td class=\"name\">" + htmlEscape(latin1ToUtf8(e.name)) +
            "</td><td class=\"score\">" + std::to_string(e.score) + "</td></tr>\n";
  }
  if (top.empty())
    html += "<tr><td colspan=\"3\">No scores yet.</td></tr>\n";
  html += "</table>\n</body></html>\n";
  return html;
}

} // namespace scores
