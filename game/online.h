// The online top ten: asking the score server whether a score qualifies,
// the name-entry form, sending a score and fetching and showing the top ten.
// The server's base URL is fixed when the game is built; an empty one turns
// every request into a failure.
#ifndef TRIVELLO_ONLINE_H
#define TRIVELLO_ONLINE_H

class KText;

// 1 when the server says the current player's score enters its top ten.
// A score of 500 or less never qualifies and is not sent.
int isOnlineScore();
// The offer at a turn end: when the preference submitOnline is on, the
// current player's score is above 500 and the server says it qualifies, sets
// ManagerName to "Your Name" and SubmitScore to 1 and returns 1; else 0.
int OfferOnlineScore();
// Sends ManagerName and the current player's score (only when the
// preference submitOnline is on); the reply is not used.
void submitOnlineScore();
// 1 when the top ten was fetched and parsed into OnlineScore, else 0.
int GetHighScores();
// Parses a top-ten reply "name,score,name,score,..." into OnlineScore,
// cutting the text up in place.
void extractPlayers(char *reply);
// One frame of typing into `buffer`; 1 when Return finished the entry.
int CheckInput(char *buffer, KText *font, short maxWidth, short maxLength);
// One frame of the name-entry form over the game screen (typing, caret,
// texts); submits and closes the form when Return is pressed.
void DrawNameEntry();
// The top-ten view drawn over the title screen.
void DrawTopTen();
// The title screen's hover lines for its second button (view the top ten).
void DrawTopTenHoverText();

// The base URL the requests go to ("http://host:port", no trailing slash);
// tests point it at their own server. Null or "" switches requests off.
void setScoreServer(const char *baseUrl);
const char *getScoreServer();

#endif
