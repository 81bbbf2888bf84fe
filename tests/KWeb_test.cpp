// KWeb: whole-body fetches against a canned server on 127.0.0.1, the bounds
// every fetch keeps (time-outs, body cap, redirects), failures as null, and
// percent-encoding of query values.
#include "KWeb.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <string>

#include "support/CannedHttpServer.h"

using testsupport::CannedHttpServer;

namespace {

// Every test starts and ends with the default bounds.
class KWebTest : public ::testing::Test {
protected:
  void TearDown() override { KWeb::resetLimits(); }
};

std::string http(int status, const std::string &body, const std::string &headers = "") {
  return CannedHttpServer::http(status, body, headers).bytes;
}

// Only a whole 2xx reply with a body is an answer: its body comes back ended
// by a NUL the size does not count. Anything else (an error status, an empty
// or short body, a redirect to a file, a reply that is not HTTP, a body over
// the cap, declared or chunked, or no reply at all) is null, no data and one
// log line naming the address but not what the query carried. The status is
// kept only for a whole reply, so a refusal can be told from a server that
// could not be reached or did not answer whole.
TEST_F(KWebTest, OnlyAWholeSuccessfulReplyWithABodyIsAnAnswer) {
  const std::string shortBody = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\nyes";
  const std::string notHttp = "hello\r\n\r\n";
  const std::string toFile = http(302, "", "Location: file:///etc/passwd\r\n");
  const std::string overCap = http(200, std::string(64 * 1024 + 1, 'x'));
  const std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n10001\r\n" +
                              std::string(0x10001, 'x') + "\r\n0\r\n\r\n";
  const struct {
    std::string bytes; // empty: the server never answers
    long status;
    std::string body; // empty: the fetch fails
  } cases[] = {{"", 0, ""},      {shortBody, 0, ""},       {http(200, "yes"), 200, "yes"},
               {toFile, 0, ""},  {notHttp, 0, ""},         {http(404, "yes"), 404, ""},
               {overCap, 0, ""}, {http(200, ""), 200, ""}, {http(503, "busy"), 503, ""},
               {chunked, 0, ""}};
  KWeb::setLimits(200, 300, KWeb::kDefaultMaxBodyBytes);
  for (const auto &c : cases) {
    SCOPED_TRACE(c.bytes.substr(0, 40));
    CannedHttpServer::Reply reply;
    reply.bytes = c.bytes;
    reply.silent = c.bytes.empty();
    CannedHttpServer server([&](const std::string &) { return reply; });
    KWeb web;
    testing::internal::CaptureStderr();
    auto start = std::chrono::steady_clock::now();
    char *body = web.callURL((server.baseUrl() + "/q?name=Secret").c_str(), false);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    std::string logged = testing::internal::GetCapturedStderr();
    EXPECT_EQ(web.getHttpStatus(), c.status);
    EXPECT_EQ(body == nullptr, c.body.empty());
    EXPECT_EQ(std::string(body ? body : ""), c.body);
    EXPECT_EQ(web.getBufferSize(), c.body.size());
    if (c.body.empty()) {
      EXPECT_EQ(logged.rfind("error: web request to " + server.baseUrl() + "/q failed: ", 0), 0u) << logged;
      EXPECT_EQ(std::count(logged.begin(), logged.end(), '\n'), 1) << logged;
      EXPECT_EQ(logged.find("Secret"), std::string::npos) << logged;
    }
  }
  // The first use set the process up so that a peer closing the socket cannot raise SIGPIPE.
  struct sigaction now;
  ASSERT_EQ(sigaction(SIGPIPE, nullptr, &now), 0);
  EXPECT_EQ(now.sa_handler, SIG_IGN);
}

TEST_F(KWebTest, AFailedFetchAlsoFreesTheBodyBeforeIt) {
  CannedHttpServer server([](const std::string &) { return CannedHttpServer::http(200, "first"); });
  KWeb web;
  const std::string refused = "http://127.0.0.1:" + std::to_string(CannedHttpServer::refusedPort()) + "/";
  for (const char *bad : {refused.c_str(), "", (const char *)nullptr, "file:///etc/hostname"}) {
    ASSERT_NE(web.openURL(server.baseUrl().c_str(), false), nullptr);
    EXPECT_EQ(web.callURL(bad, false), nullptr) << (bad ? bad : "null");
    EXPECT_EQ(web.getBufferSize(), 0u);
    EXPECT_EQ(web.getHttpStatus(), 0);
  }
  ASSERT_NE(web.openURL(server.baseUrl().c_str(), false), nullptr);
  web.freeDataBuffer();
  EXPECT_EQ(web.getBufferSize(), 0u);
}

// A fetch follows three redirects but not four, and keeps a body of exactly
// the cap but not one a byte longer.
TEST_F(KWebTest, FollowsThreeRedirectsButNotFourAndKeepsABodyOfExactlyTheCap) {
  // /r<n> redirects to /r<n-1>; /r0 answers with 1,000 bytes.
  CannedHttpServer server([](const std::string &target) {
    int n = atoi(target.c_str() + 2);
    return n == 0 ? CannedHttpServer::http(200, std::string(1000, 'x'))
                  : CannedHttpServer::http(302, "", "Location: /r" + std::to_string(n - 1) + "\r\n");
  });
  KWeb::setLimits(3000, 8000, 1000);
  KWeb web;
  char *body = web.callURL((server.baseUrl() + "/r3").c_str(), false);
  ASSERT_NE(body, nullptr);
  EXPECT_EQ(std::string(body), std::string(1000, 'x'));
  EXPECT_EQ(web.callURL((server.baseUrl() + "/r4").c_str(), false), nullptr);
  KWeb::setLimits(3000, 8000, 999);
  EXPECT_EQ(web.callURL((server.baseUrl() + "/r0").c_str(), false), nullptr);
}

TEST(KWebEscape, EncodesEveryByteAQueryCouldMisreadAndRefusesWhatDoesNotFit) {
  const struct {
    const char *in;
    size_t size;
    bool fits;
    const char *out;
  } cases[] = {{"Your Name", 64, true, "Your%20Name"},
               {"a&score=99999999#", 64, true, "a%26score%3D99999999%23"},
               {"100%", 64, true, "100%25"},
               {"x,y", 64, true, "x%2Cy"},
               {"\xE8t\xE9", 64, true, "%E8t%E9"},
               {"plain-._~Az09", 64, true, "plain-._~Az09"},
               {"", 64, true, ""},
               {"Your Name", 12, true, "Your%20Name"},
               {"Your Name!", 12, false, ""},
               {nullptr, 12, false, ""}};
  for (const auto &c : cases) {
    char out[64] = "junk";
    EXPECT_EQ(KWeb::escapeQueryValue(c.in, out, c.size), c.fits) << (c.in ? c.in : "null");
    EXPECT_STREQ(out, c.out);
  }
}

} // namespace
