// klctl watch against a fake notification socket and a fake daemon queue, in private namespaces, and
// how it formats a pushed document.
#include "klctl_watch.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <sstream>

#include "fake_daemon_queue.h"
#include "klUniqueFd.h"
#include "klcontrol_endpoints.h"
#include "klctl_document_format.h"
#include "klctl_run.h"

namespace {

class KlctlWatch : public FakeDaemonTest {
 protected:
  bool listen() {
    mListener.reset(socket(AF_INET, SOCK_STREAM, 0));
    const int on = 1;  // the port of the test before may still be in TIME_WAIT
    setsockopt(mListener.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(KLCONTROL_NOTIFICATION_PORT);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return bind(mListener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
           ::listen(mListener.get(), 3) == 0;
  }

  // The fake daemon answers command 43 quiet + 1 times: it accepts the connection the first time and
  // sends frames on it the last time, then closes it or leaves it open.
  void pushOnResume(FakeDaemon& daemon, const std::string& frames, bool closeAfter, int quiet) {
    daemon.serve(quiet + 1, [this, frames, closeAfter, quiet, answered = 0](const Bytes&) mutable {
      if (answered == 0) mClient.reset(accept(mListener.get(), nullptr, nullptr));
      if (answered++ < quiet) return clientAnswer(0, {});
      EXPECT_EQ(static_cast<ssize_t>(frames.size()), send(mClient.get(), frames.data(), frames.size(), 0));
      if (closeAfter) mClient.reset();
      return clientAnswer(0, {});
    });
  }

  UniqueFd mListener;
  UniqueFd mClient;
};

// Documents as indented JSON or one line each, members in the order sent; a document that is not JSON
// is printed as it came, with a warning. The daemon closing the connection ends the watch, and so does
// the time-out while it stays open: Ok after a document, NoAnswer without one.
TEST_F(KlctlWatch, PrintsEachDocumentAsJsonUntilTheEnd) {
  const std::string three =
      "LENGTH:11\n\n{\"mode\":1}LENGTH:22\n\n{\"b\":1,\n\"a\":[2,true]}LENGTH:6\n\n{\"a\":";
  const std::string warning = "klctl: watch: document 3 is not valid JSON; printed as received\n";
  const struct {
    std::string frames;
    bool compact;
    double timeout;  // 0: the daemon closes the connection after the frames
    KlctlOutcome outcome;
    std::string printed, err;
    int quiet = 0;  // resumes answered before the frames come
  } cases[] = {
      {three, false, 0, KlctlOutcome::Ok,
       "{\n  \"mode\": 1\n}\n{\n  \"b\": 1,\n  \"a\": [\n    2,\n    true\n  ]\n}\n{\"a\":\n", warning},
      {three, true, 0, KlctlOutcome::Ok, "{\"mode\":1}\n{\"b\":1,\"a\":[2,true]}\n{\"a\":\n", warning},
      {"LENGTH:3\n\n{}", false, 3, KlctlOutcome::Ok, "{}\n", "", 1},  // resumed again after a second
      {"", false, 1, KlctlOutcome::NoAnswer, "", "klctl: watch: no document within the time-out\n"},
  };
  ASSERT_TRUE(listen());
  for (const auto& c : cases) {
    FakeDaemon daemon;
    ASSERT_TRUE(daemon.ok());
    pushOnResume(daemon, c.frames, c.timeout == 0, c.quiet);
    std::ostringstream out;
    std::ostringstream err;
    KlctlWatchOptions options;
    options.compact = c.compact;
    options.timeout = c.timeout;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(c.outcome, klctlWatch(options, out, err)) << err.str();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::duration<double>(c.timeout));
    EXPECT_EQ(c.printed, out.str());
    EXPECT_EQ(c.err, err.str());
    ASSERT_EQ(size_t(1 + c.quiet), daemon.requests().size());
    for (const Bytes& request : daemon.requests()) {
      EXPECT_EQ(std::string("\x2B\0\0\0", 4), valueText(request, TLV_CMD));
      EXPECT_EQ(std::string("status=1\0", 9), valueText(request, TLV_CMDARG));
    }
    mClient.reset();
  }
}

TEST_F(KlctlWatch, WithoutTheDaemonThereIsNothingToWatch) {
  KlctlPlan plan;
  plan.watch = true;
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(KlctlOutcome::NoDaemon, klctlRun(plan, out, err));
  EXPECT_NE(std::string::npos, err.str().find("127.0.0.1:8081")) << err.str();
}

TEST(KlctlDocumentFormat, MembersKeepTheirOrderAndBadTextIsRefused) {
  const std::string deep =
      std::string(KLCTL_MAX_DOCUMENT_DEPTH + 1, '[') + std::string(KLCTL_MAX_DOCUMENT_DEPTH + 1, ']');
  const std::string deepest =
      std::string(KLCTL_MAX_DOCUMENT_DEPTH, '[') + std::string(KLCTL_MAX_DOCUMENT_DEPTH, ']');
  const struct {
    std::string text;
    bool compact;
    bool ok;
    std::string formatted;
  } cases[] = {
      {"{\"status\":{\"70\":50,\"2\":1},\n\"settings\":{\"144\":17}\n}", true, true,
       "{\"status\":{\"70\":50,\"2\":1},\"settings\":{\"144\":17}}"},
      {"{\"z\":[1,{\"a\":null}]}", false, true,
       "{\n  \"z\": [\n    1,\n    {\n      \"a\": null\n    }\n  ]\n}"},
      {deepest, true, true, deepest},
      {deep, true, false, ""},
      {"{\"a\":1}{}", true, false, ""},
      {"{\"a\":\"\xff\"}", true, false, ""},
      {"", true, false, ""},
  };
  for (const auto& c : cases) {
    std::string formatted;
    EXPECT_EQ(c.ok, klctlFormatDocument(c.text, c.compact, formatted)) << c.text.substr(0, 40);
    EXPECT_EQ(c.formatted, formatted) << c.text.substr(0, 40);
  }
}

}  // namespace
