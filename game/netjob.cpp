// Requests beside the frame loop (see netjob.h). Workers are detached: the
// game never waits for one, not even when it quits (a request in flight then
// simply ends with the process; a score being resent stays in its queue file
// until the server has taken it).
#include "netjob.h"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "KWeb.h"

struct NetJob {
  std::mutex lock;
  std::condition_variable done;
  NetOutcome outcome = NET_WAITING;
  std::string body;
};

NetOutcome OutcomeOfStatus(long status) {
  if (status >= 200 && status < 300)
    return NET_OK;
  // 408 (request time-out) and 429 (too many requests) ask to come back later.
  if (status >= 400 && status < 500 && status != 408 && status != 429)
    return NET_REFUSED;
  return NET_UNREACHABLE;
}

NetOutcome FetchNow(const std::string &url, std::string *body) {
  KWeb web;
  char *reply = web.callURL(url.c_str(), false);
  NetOutcome outcome = OutcomeOfStatus(web.getHttpStatus());
  if (body != nullptr)
    body->assign(outcome == NET_OK && reply != nullptr ? reply : "");
  return outcome;
}

NetJobRef NetStart(const std::string &url) {
  return NetRun([url](std::string *body) { return FetchNow(url, body); });
}

NetOutcome NetPoll(const NetJobRef &job, std::string *body) {
  if (!job)
    return NET_WAITING;
  std::lock_guard<std::mutex> hold(job->lock);
  if (body != nullptr && job->outcome == NET_OK)
    *body = job->body;
  return job->outcome;
}

NetOutcome NetWait(const NetJobRef &job, std::string *body) {
  if (!job)
    return NET_WAITING;
  {
    std::unique_lock<std::mutex> hold(job->lock);
    job->done.wait(hold, [&] { return job->outcome != NET_WAITING; });
  }
  return NetPoll(job, body);
}

NetJobRef NetRun(std::function<NetOutcome(std::string *body)> task) {
  NetJobRef job = std::make_shared<NetJob>();
  try {
    std::thread([job, task] {
      std::string body;
      NetOutcome outcome = task(&body);
      std::lock_guard<std::mutex> hold(job->lock);
      job->body.swap(body);
      job->outcome = outcome == NET_WAITING ? NET_UNREACHABLE : outcome;
      job->done.notify_all();
    }).detach();
  } catch (const std::system_error &) {
    job->outcome = NET_UNREACHABLE; // no thread to be had
  }
  return job;
}
