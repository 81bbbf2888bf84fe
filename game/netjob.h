// Requests to the score server that run beside the frame loop. Each request
// runs on a worker thread of its own over one synchronous KWeb fetch, so a
// slow or silent server never holds a frame: the game starts a request, polls
// it once a frame and draws on meanwhile.
#ifndef TRIVELLO_NETJOB_H
#define TRIVELLO_NETJOB_H

#include <functional>
#include <memory>
#include <string>

// What became of a request.
enum NetOutcome {
  NET_WAITING,     // no outcome yet
  NET_OK,          // a 2xx reply (its body may be empty)
  NET_UNREACHABLE, // no connection, a time-out, a broken reply or a server error: worth trying later
  NET_REFUSED,     // a 4xx reply: the server will not take this request, now or later
};

// One request in flight, shared by the game and its worker.
struct NetJob;
using NetJobRef = std::shared_ptr<NetJob>;

// The outcome a reply with this HTTP status means (0: no whole reply came).
NetOutcome OutcomeOfStatus(long status);
// Fetches url on this thread with a KWeb of its own; the body when NET_OK.
NetOutcome FetchNow(const std::string &url, std::string *body);
// Starts fetching url on a worker thread and returns at once.
NetJobRef NetStart(const std::string &url);
// The outcome so far, without waiting; copies the body once it is NET_OK.
// A null job reads as NET_WAITING.
NetOutcome NetPoll(const NetJobRef &job, std::string *body = nullptr);
// Waits until the request has its outcome (tests; never the frame loop).
NetOutcome NetWait(const NetJobRef &job, std::string *body = nullptr);
// Runs task on a worker thread of its own and returns at once; the job gets
// the outcome the task returns and the body it fills. When no thread can be
// made the task is not run and the job reads NET_UNREACHABLE.
NetJobRef NetRun(std::function<NetOutcome(std::string *body)> task);

#endif
