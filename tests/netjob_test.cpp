// Requests beside the frame loop: what a reply's status means, the body that
// comes with an answer, and a request to a server that never answers leaving
// the caller free until it ends.
#include "netjob.h"

#include <gtest/gtest.h>

#include <string>

#include "support/CannedHttpServer.h"

using testsupport::CannedHttpServer;

namespace {

TEST(NetJob, AStatusTellsARefusalFromAServerToTryAgainLater) {
  const std::pair<long, NetOutcome> cases[] = {{200, NET_OK},          {204, NET_OK},          {400, NET_REFUSED},
                                               {404, NET_REFUSED},     {431, NET_REFUSED},     {408, NET_UNREACHABLE},
                                               {429, NET_UNREACHABLE}, {500, NET_UNREACHABLE}, {503, NET_UNREACHABLE},
                                               {0, NET_UNREACHABLE},   {302, NET_UNREACHABLE}};
  for (const auto &c : cases)
    EXPECT_EQ(OutcomeOfStatus(c.first), c.second) << c.first;
}

TEST(NetJob, TheBodyComesWithTheOutcomeAndASilentServerLeavesTheCallerFree) {
  std::string body;
  NetJobRef job;
  {
    CannedHttpServer server([](const std::string &target) {
      CannedHttpServer::Reply reply = CannedHttpServer::http(200, "Ann,900");
      reply.silent = target != "/q"; // also a request the server stopped reading
      return reply;
    });
    EXPECT_EQ(NetWait(NetStart(server.baseUrl() + "/q"), &body), NET_OK);
    EXPECT_EQ(body, "Ann,900");
    // The server holds the connection and answers nothing: every poll comes
    // back at once with no outcome, however often the caller asks.
    job = NetStart(server.baseUrl() + "/silent");
    for (int i = 0; i < 1000; i++)
      ASSERT_EQ(NetPoll(job), NET_WAITING);
  } // the server stops and hangs up
  EXPECT_EQ(NetWait(job), NET_UNREACHABLE);
  EXPECT_EQ(NetPoll(job), NET_UNREACHABLE);
  EXPECT_EQ(NetPoll(nullptr), NET_WAITING);
  // A task that gives no outcome counts as a failure, never as waiting forever.
  EXPECT_EQ(NetWait(NetRun([](std::string *) { return NET_WAITING; })), NET_UNREACHABLE);
}

} // namespace
