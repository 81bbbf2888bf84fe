// What the score server sends: the plain top-ten reply the game parses and
// the web page people look at in a browser.
#ifndef TRIVELLO_SCORES_PAGE_H
#define TRIVELLO_SCORES_PAGE_H

#include <string>
#include <string_view>
#include <vector>

#include "store.h"

namespace scores {

// "name,score,name,score,..." best first (ISO-8859-1, no trailing comma);
// "," for an empty table.
std::string plainTopTen(const std::vector<Entry> &top);
// ISO-8859-1 bytes as UTF-8.
std::string latin1ToUtf8(std::string_view latin1);
// Escapes & < > " ' for HTML text and attributes.
std::string htmlEscape(std::string_view text);
// The whole page (UTF-8 HTML) showing the top ten as a table.
std::string topTenPage(const std::vector<Entry> &top);

} // namespace scores

#endif
