// KWeb: whole-body fetches against a canned server on 127.0.0.1, the bounds
// every fetch keeps (time-outs, body cap, redirects), failures as null, and
// percent-encoding of query values.
#include "KWeb.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <string>

#include "support/CannedHttpServer.h"

using testsupport::CannedHttpServer;

namespace {

// Every test starts and ends with the default bounds.
class KWebTest : public ::testing::Test {
protected:
  void TearDown() override { KWeb::resetLimits(); }
};

// A server that answers every request with the same reply.
CannedHttpServer::Handler always(CannedHttpServer::Reply reply) {
  return [reply](const std::string &) { return reply; };
}

TEST_F(KWebTest, FetchesTheBodyEndedByANulThatTheSizeDoesNotCount) {
  CannedHttpServer server(always(CannedHttpServer::http(200, "yes")));
  KWeb web;
  char *body = web.callURL((server.baseUrl() + "/q").c_str(), false);
  ASSERT_NE(body, nullptr);
  EXPECT_STREQ(body, "yes");
  EXPECT_EQ(web.getBufferSize(), 3u);
  EXPECT_EQ(server.targets(), std::vector<std::string>{"/q"});
}

TEST_F(KWebTest, ASecondFetchFreesTheFirstAlsoWhenItFails) {
  CannedHttpServer server(always(CannedHttpServer::http(200, "first")));
  KWeb web;
  ASSERT_NE(web.openURL(server.baseUrl().c_str(), false), nullptr);
  std::string refused = "http://127.0.0.1:" + std::to_string(CannedHttpServer::refusedPort()) + "/";
  EXPECT_EQ(web.openURL(refused.c_str(), false), nullptr);
  EXPECT_EQ(web.getBufferSize(), 0u);
  ASSERT_NE(web.openURL(server.baseUrl().c_str(), false), nullptr);
  web.freeDataBuffer();
  EXPECT_EQ(web.getBufferSize(), 0u);
}

// Replies that must come back as a failure: null and no data.
struct FailingReply {
  const char *what;
  std::string bytes;
};

void PrintTo(const FailingReply &r, std::ostream *os) { *os << r.what; }

class KWebFailure : public KWebTest, public ::testing::WithParamInterface<FailingReply> {};

TEST_P(KWebFailure, CountsAsNoAnswer) {
  CannedHttpServer::Reply r;
  r.bytes = GetParam().bytes;
  CannedHttpServer server(always(r));
  KWeb web;
  testing::internal::CaptureStderr();
  EXPECT_EQ(web.callURL((server.baseUrl() + "?name=Secret").c_str(), false), nullptr) << GetParam().what;
  std::string logged = testing::internal::GetCapturedStderr();
  EXPECT_EQ(web.getBufferSize(), 0u);
  // One log line that names the address but not what the query carried.
  EXPECT_EQ(logged.rfind("error: web request to " + server.baseUrl() + " failed: ", 0), 0u) << logged;
  EXPECT_EQ(std::count(logged.begin(), logged.end(), '\n'), 1) << logged;
  EXPECT_EQ(logged.find("Secret"), std::string::npos) << logged;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, KWebFailure,
    ::testing::Values(
        FailingReply{"404 with a body", CannedHttpServer::http(404, "yes").bytes},
        FailingReply{"500 with a body", CannedHttpServer::http(500, "yes").bytes},
        FailingReply{"empty body", CannedHttpServer::http(200, "").bytes},
        FailingReply{"short body", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\nyes"},
        FailingReply{"redirect to a file", CannedHttpServer::http(302, "", "Location: file:///etc/passwd\r\n").bytes},
        FailingReply{"not HTTP", "hello\r\n\r\n"},
        FailingReply{"over the cap, declared", CannedHttpServer::http(200, std::string(64 * 1024 + 1, 'x')).bytes},
        FailingReply{"over the cap, chunked",
                     "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
                     "10001\r\n" +
                         std::string(0x10001, 'x') + "\r\n0\r\n\r\n"}),
    [](const ::testing::TestParamInfo<FailingReply> &info) {
      std::string name = info.param.what;
      for (char &c : name)
        if (!isalnum((unsigned char)c))
          c = '_';
      return name;
    });

// The status tells a refusal (a whole reply with an error status) from a
// server that could not be reached or did not answer whole.
TEST_F(KWebTest, TheHttpStatusIsKeptOnlyForAWholeReply) {
  struct Case {
    const char *what;
    std::string bytes;
    long status;
  } cases[] = {
      {"ok", CannedHttpServer::http(200, "yes").bytes, 200},
      {"refused", CannedHttpServer::http(400, "bad score").bytes, 400},
      {"server error", CannedHttpServer::http(503, "busy").bytes, 503},
      {"empty body", CannedHttpServer::http(200, "").bytes, 200},
      {"short body", "HTTP/1.1 400 X\r\nContent-Length: 100\r\nConnection: close\r\n\r\nno", 0},
      {"not HTTP", "hello\r\n\r\n", 0},
  };
  for (const Case &c : cases) {
    CannedHttpServer::Reply r;
    r.bytes = c.bytes;
    CannedHttpServer server(always(r));
    KWeb web;
    web.callURL(server.baseUrl().c_str(), false);
    EXPECT_EQ(web.getHttpStatus(), c.status) << c.what;
  }
  KWeb web;
  std::string refused = "http://127.0.0.1:" + std::to_string(CannedHttpServer::refusedPort()) + "/";
  web.callURL(refused.c_str(), false);
  EXPECT_EQ(web.getHttpStatus(), 0);
}

TEST_F(KWebTest, ABodyOfExactlyTheCapIsKept) {
  CannedHttpServer server(always(CannedHttpServer::http(200, std::string(1000, 'x'))));
  KWeb::setLimits(3000, 8000, 1000);
  KWeb web;
  ASSERT_NE(web.callURL(server.baseUrl().c_str(), false), nullptr);
  EXPECT_EQ(web.getBufferSize(), 1000u);
  KWeb::setLimits(3000, 8000, 999);
  EXPECT_EQ(web.callURL(server.baseUrl().c_str(), false), nullptr);
}

TEST_F(KWebTest, AServerThatNeverAnswersIsGivenUpWithinTheTotalTimeOut) {
  CannedHttpServer::Reply silent;
  silent.silent = true;
  CannedHttpServer server(always(silent));
  KWeb::setLimits(200, 300, KWeb::kDefaultMaxBodyBytes);
  KWeb web;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(web.callURL(server.baseUrl().c_str(), false), nullptr);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

TEST_F(KWebTest, ARefusedPortIsAFailure) {
  KWeb web;
  std::string url = "http://127.0.0.1:" + std::to_string(CannedHttpServer::refusedPort()) + "/";
  EXPECT_EQ(web.callURL(url.c_str(), false), nullptr);
  EXPECT_EQ(web.callURL("", false), nullptr);
  EXPECT_EQ(web.callURL(nullptr, false), nullptr);
  EXPECT_EQ(web.callURL("file:///etc/hostname", false), nullptr);
}

// /r<n> redirects to /r<n-1>; /r0 answers.
CannedHttpServer::Reply redirectChain(const std::string &target) {
  int n = atoi(target.c_str() + 2);
  if (n == 0)
    return CannedHttpServer::http(200, "end");
  return CannedHttpServer::http(302, "", "Location: /r" + std::to_string(n - 1) + "\r\n");
}

TEST_F(KWebTest, FollowsThreeRedirectsButNotFour) {
  CannedHttpServer server(redirectChain);
  KWeb web;
  char *body = web.callURL((server.baseUrl() + "/r3").c_str(), false);
  ASSERT_NE(body, nullptr);
  EXPECT_STREQ(body, "end");
  EXPECT_EQ(web.callURL((server.baseUrl() + "/r4").c_str(), false), nullptr);
}

TEST_F(KWebTest, APeerClosingTheSocketCannotRaiseSigpipe) {
  KWeb web;
  web.callURL("", false); // the first use sets the process up
  struct sigaction now;
  ASSERT_EQ(sigaction(SIGPIPE, nullptr, &now), 0);
  EXPECT_EQ(now.sa_handler, SIG_IGN);
}

TEST(KWebEscape, EncodesEveryByteAQueryCouldMisread) {
  struct Case {
    const char *in, *out;
  } cases[] = {
      {"Your Name", "Your%20Name"},
      {"a&score=99999999#", "a%26score%3D99999999%23"},
      {"100%", "100%25"},
      {"x,y", "x%2Cy"},
      {"\xE8t\xE9", "%E8t%E9"},
      {"plain-._~Az09", "plain-._~Az09"},
      {"", ""},
  };
  for (const Case &c : cases) {
    char out[64];
    ASSERT_TRUE(KWeb::escapeQueryValue(c.in, out, sizeof out)) << c.in;
    EXPECT_STREQ(out, c.out);
  }
}

TEST(KWebEscape, RefusesWhatDoesNotFitAndLeavesNothing) {
  char out[12];
  EXPECT_TRUE(KWeb::escapeQueryValue("Your Name", out, sizeof out)); // 11 bytes and a NUL
  EXPECT_FALSE(KWeb::escapeQueryValue("Your Name!", out, sizeof out));
  EXPECT_STREQ(out, "");
  EXPECT_FALSE(KWeb::escapeQueryValue(nullptr, out, sizeof out));
}

} // namespace
