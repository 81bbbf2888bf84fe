// The top ten: asking the score server whether a score qualifies, the
// name-entry form, sending a score, fetching and showing the top ten, and the
// table of the ten best scores made on this computer that stands in for it
// when the server cannot be reached. Requests run beside the frame loop
// (netjob.h): the screens poll them once a frame and draw on meanwhile.
//
// The server's base URL is the first line of the file "scores-server" in the
// player's config folder, else of /etc/trivello/scores-server, else the one
// the game was built with; an empty file switches the online top ten off.
#ifndef TRIVELLO_ONLINE_H
#define TRIVELLO_ONLINE_H

#include <cstdint>
#include <string>

#include "netjob.h"

class KText;

// ---- the server's address ----------------------------------------------------
// The setting as read from the first of the two files that exists (a file
// that cannot be read counts as missing), else buildDefault: the first line
// without blanks around it or slashes at its end; "" switches requests off.
std::string ReadScoreServerSetting(const std::string &userFile, const std::string &systemFile,
                                   const char *buildDefault);
// The base URL requests go to ("http://host:port"), read from the files above
// on first use; "" when the online top ten is off.
const char *getScoreServer();
// Points the requests at another server (tests); null or "" switches them off.
void setScoreServer(const char *baseUrl);

// ---- the score offer at the end of a player's game ----------------------------
// What OnlineWait holds while the game screen waits.
enum { ONLINE_IDLE = 0, ONLINE_WAIT_QUALIFY = 1, ONLINE_WAIT_SUBMIT = 2 };
// At the turn end of a player whose lives ran out, with a score above 500
// and the preference submitOnline on: asks the server whether the score
// qualifies (OnlineWait becomes 1 until the reply); with the online top ten
// off, opens the name form when the score enters this computer's table.
// 1 when the turn end must wait (a request or the form), else 0.
int StartScoreOffer();
// What a frame of waiting found.
enum OnlineWaitResult {
  ONLINE_STILL_WAITING, // no reply yet
  ONLINE_DONE,          // the form is open, or the submit is over: the screen goes on as usual
  ONLINE_NO_OFFER,      // the score is not offered: the turn end goes on at once
};
// Polls the request the game screen waits for (OnlineWait). A qualifying
// score, or one that enters this computer's table (the server said no or
// could not be reached), opens the name form; a submit that fails is queued
// to be sent again at the next start.
OnlineWaitResult OnlineWaitStep();
// Return in the name form: the name and score go into this computer's table
// when they enter it, and to the server (beside the loop) or its queue.
void FinishNameEntry();
// Sends, beside the loop, the scores a failed submit left queued; the job
// ends (NET_OK) when the queue has been worked through.
NetJobRef StartResendingScores();

// ---- the top-ten view over the title --------------------------------------------
// The title's top-ten button: fetches the top ten beside the loop, or, with
// the online top ten off, shows this computer's table at once.
void RequestTopTen();
// Polls that request once a frame: the server's list opens the view; a
// failure opens this computer's table instead. A reply that comes after the
// player has left the title is dropped.
void TopTenStep();
// Loads this computer's table into LocalScore and shows it over the title.
void ShowLocalTopTen();
// Parses a top-ten reply "name,score,name,score,..." into OnlineScore,
// cutting the text up in place.
void extractPlayers(char *reply);

// ---- the line that tells what the network is doing ----------------------------
// The line shown now: "Connecting to the high-score server..." while the game
// waits for a request, else for a few seconds a failure's reason or another
// line the game shows (ShowNotice), else null.
const char *OnlineNotice();
// Draws that line over the top of whatever screen is shown.
void DrawOnlineNotice();
// Waits for the requests the screens poll to have their outcomes (tests).
void WaitForOnlineRequests();

// ---- typing and drawing -----------------------------------------------------------
// One frame of typing into `buffer`; 1 when Return finished the entry.
int CheckInput(char *buffer, KText *font, short maxWidth, short maxLength);
// One frame of the name-entry form over the game screen (typing, caret,
// texts); on Return the score goes to its tables and the form closes.
void DrawNameEntry();
// The top-ten view drawn over the title screen (the server's or this computer's).
void DrawTopTen();
// The title screen's hover lines for its second button (view the top ten).
void DrawTopTenHoverText();

#endif
