#include "shell/bridge.hpp"

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <latch>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "common/test_files.hpp"
#include "support/json_writer.hpp"

namespace {

using namespace bq;
using shell::BridgeServices;
using shell::IpcMessage;

std::string fixture(const std::string& name) { return bq::test::read_data_line(name); }

engine::RawHardwareSnapshot ready_snapshot() {
  return std::get<engine::RawHardwareSnapshot>(engine::read_snapshot(fixture("snapshot-ready.json")));
}

// Collects what workers send, from any thread.
struct ReplySink {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::string> scripts;
  bool accept = true;

  shell::EventLoopProxy proxy() {
    return [this](std::string script) {
      std::lock_guard lock(mutex);
      if (!accept) return false;
      scripts.push_back(std::move(script));
      changed.notify_all();
      return true;
    };
  }
  bool wait_for(std::size_t n) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(30), [&] { return scripts.size() >= n; });
  }
};

struct FakeServices {
  std::vector<std::string> opened;
  std::vector<engine::LeadForm> leads;
  std::variant<engine::RawHardwareSnapshot, std::string> probe_result = ready_snapshot();
  BridgeServices services{
      [this] { return probe_result; },
      [this](const engine::LeadForm& form) {
        leads.push_back(form);
        engine::LeadReply reply;
        reply.ok = true;
        reply.displayContact = form.phone;
        return reply;
      },
      [this](const std::string& link) { opened.push_back(link); },
  };
};

// The reply scripts for one request text, run on this thread.
std::vector<std::string> run(const std::string& body, FakeServices& fakes) {
  ReplySink sink;
  shell::handle_ipc_message(shell::IpcJob{sink.proxy(), body}, fakes.services);
  return sink.scripts;
}

std::string reply_for(const std::string& body) {
  FakeServices fakes;
  const auto scripts = run(body, fakes);
  return scripts.empty() ? "<none>" : scripts.front();
}

TEST(IpcMessageReader, AcceptsAndRefusesByTheRules) {
  struct Case {
    std::string body;
    bool parses;
    std::uint64_t id = 0;
  };
  const std::string deep126 = std::string(126, '[') + std::string(126, ']');
  const std::string deep127 = std::string(127, '[') + std::string(127, ']');
  const Case cases[] = {
      {R"({"id":0,"action":"x"})", true, 0},
      {R"({"id":18446744073709551615,"action":"x"})", true, 18446744073709551615u},
      {R"({"id":18446744073709551616,"action":"x"})", false},
      {R"({"id":-1,"action":"x"})", false},
      {R"({"id":-0,"action":"x"})", false},
      {R"({"id":1.5,"action":"x"})", false},
      {R"({"id":1.0,"action":"x"})", false},
      {R"({"id":1e3,"action":"x"})", false},
      {R"({"id":01,"action":"x"})", false},
      {R"({"id":"1","action":"x"})", false},
      {R"({"id":null,"action":"x"})", false},
      {R"({"action":"x"})", false},
      {R"({"id":1})", false},
      {R"({"id":1,"action":7})", false},
      {R"({"id":1,"action":null})", false},
      {R"({"id":1,"id":2,"action":"x"})", false},
      {R"({"id":1,"action":"x","action":"x"})", false},
      {R"({"id":1,"action":"x","payload":1,"payload":1})", false},
      {R"({"id":1,"action":"x","payload":null,"payload":null})", false},
      {R"({"ID":1,"id":3,"Action":[{"deep":[[[]]]}],"action":"x"})", true, 3},
      {R"({"id":4,"action":"x","payload":)" + deep126 + "}", true, 4},
      {R"({"id":4,"action":"x","payload":)" + deep127 + "}", false},
      {R"({"id":5,"action":"x","other":)" + std::string(5000, '[') + std::string(5000, ']') + "}", true, 5},
      {R"( {"id":6,"action":"x"} )"
       "\r\n\t",
       true, 6},
      {R"({"id":6,"action":"x"}{"id":7,"action":"x"})", false},
      {R"({"id":6,"action":"x"} x)", false},
      {R"({"id":6,"action":"x",})", false},
      {R"([8,"x"])", true, 8},
      {R"([9,"x",{"url":"https://a"}])", true, 9},
      {R"([9])", false},
      {R"([])", false},
      {R"([9,"x",null,1])", false},
      {R"([-9,"x"])", false},
      {"", false},
      {"null", false},
      {"\"scan_hardware\"", false},
      {"not json", false},
  };
  for (const Case& c : cases) {
    const auto result = shell::read_ipc_message(c.body);
    const auto* message = std::get_if<IpcMessage>(&result);
    EXPECT_EQ(message != nullptr, c.parses)
        << c.body.substr(0, 80) << " -> " << (message ? "parsed" : std::get<std::string>(result));
    if (message != nullptr && c.parses) {
      EXPECT_EQ(message->id, c.id) << c.body.substr(0, 80);
    }
  }
}

TEST(IpcMessageReader, DecodesTheActionAndKeepsThePayload) {
  const auto result =
      shell::read_ipc_message(R"({"payload":{"b":[1,"\u00e9"],"a":null},"action":"scan\u005fhardware","id":2})");
  const auto& message = std::get<IpcMessage>(result);
  EXPECT_EQ(message.action, "scan_hardware");
  EXPECT_EQ(support::write_json(message.payload), R"({"a":null,"b":[1,"é"]})");
  EXPECT_TRUE(std::get<IpcMessage>(shell::read_ipc_message(R"({"id":1,"action":"x"})")).payload.is_null());
}

TEST(Bridge, ScanRepliesWithTheReportOfTheProbedSnapshot) {
  FakeServices fakes;
  const auto scripts = run(R"({"id":7,"action":"scan_hardware","payload":{"ignored":[1,2]}})", fakes);
  ASSERT_EQ(scripts.size(), 1u);
  const std::string expected =
      "window.__bqCallback(7, " +
      support::write_json(engine::report_to_json(engine::evaluate_snapshot(ready_snapshot()))) + ");";
  EXPECT_EQ(scripts[0], expected);
  EXPECT_NE(scripts[0].find("\"rawError\":null"), std::string::npos);
}

TEST(Bridge, FailedProbeGivesTheFixedFailureReport) {
  FakeServices fakes;
  fakes.probe_result = std::string("PowerShell l\xE1\xBB\x97i\r\ndòng hai");
  const auto scripts = run(R"({"id":18446744073709551615,"action":"scan_hardware"})", fakes);
  ASSERT_EQ(scripts.size(), 1u);
  EXPECT_EQ(scripts[0], "window.__bqCallback(18446744073709551615, " + fixture("failure-report.json") + ");");
  EXPECT_EQ(scripts[0].find('\n'), std::string::npos);
}

TEST(Bridge, UnknownActionsAndUnreadableRequests) {
  const std::string unknown = R"({"error":"Unknown action"})";
  for (const char* action : {"Scan_hardware", "scan_hardware ", " open_url", "", "SUBMIT_LEAD", "other"}) {
    const std::string body = R"({"id":3,"action":")" + std::string(action) + R"(","payload":{"url":"https://x"}})";
    EXPECT_EQ(reply_for(body), "window.__bqCallback(3, " + unknown + ");") << action;
  }
  for (const char* body : {"", "{", "[1]", R"({"id":-0,"action":"open_url"})"}) {
    EXPECT_EQ(reply_for(body), "<none>") << body;
  }
}

TEST(Bridge, OpenUrlOpensOnlyTheAcceptedBeginnings) {
  struct Case {
    std::string payload;
    bool opened;
  };
  const Case cases[] = {
      {R"({"url":"https://brindlequay.vn/windows"})", true},
      {R"({"url":"http://example.invalid/a b"})", true},
      {R"({"url":"tel:0912345678"})", true},
      {R"({"url":"https://"})", true},
      {R"({"url":"HTTPS://brindlequay.vn"})", false},
      {R"({"url":" https://brindlequay.vn"})", false},
      {R"({"url":"mailto:a@b.c"})", false},
      {R"({"url":"file:///etc/passwd"})", false},
      {R"({"url":"/relative"})", false},
      {R"js({"url":"javascript:alert(1)"})js", false},
      {R"({"url":7})", false},
      {R"({"link":"https://a"})", false},
      {R"(["https://a"])", false},
      {R"("https://a")", false},
      {"null", false},
  };
  for (const Case& c : cases) {
    FakeServices fakes;
    const auto scripts = run(R"({"id":5,"action":"open_url","payload":)" + c.payload + "}", fakes);
    ASSERT_EQ(scripts.size(), 1u);
    EXPECT_EQ(scripts[0], R"(window.__bqCallback(5, {"ok":true});)") << c.payload;
    EXPECT_EQ(fakes.opened.size(), c.opened ? 1u : 0u) << c.payload;
  }
  FakeServices fakes;
  run(R"({"id":1,"action":"open_url"})", fakes);
  EXPECT_TRUE(fakes.opened.empty());
}

TEST(Bridge, OpenUrlHandsOnALinkWithANulWholeAndStillAnswersOk) {
  // The link goes to the platform as the page wrote it, NUL and all, for the
  // platform to refuse; the page gets the same answer either way.
  FakeServices fakes;
  const auto scripts = run(R"({"id":4,"action":"open_url","payload":{"url":"https://x.invalid/\u0000evil"}})", fakes);
  ASSERT_EQ(scripts.size(), 1u);
  EXPECT_EQ(scripts[0], R"(window.__bqCallback(4, {"ok":true});)");
  ASSERT_EQ(fakes.opened.size(), 1u);
  EXPECT_EQ(fakes.opened[0], std::string("https://x.invalid/\0evil", 23));
}

TEST(Bridge, SubmitLeadReadsThePayloadIntoAForm) {
  FakeServices fakes;
  const auto scripts = run(
      R"({"id":9,"action":"submit_lead","payload":{"phone":" 0987 654 321 ","productInterest":"Win","includeScanNote":false,"scanNote":"n"}})",
      fakes);
  ASSERT_EQ(fakes.leads.size(), 1u);
  EXPECT_EQ(fakes.leads[0].phone, " 0987 654 321 ");
  EXPECT_EQ(fakes.leads[0].productInterest, "Win");
  EXPECT_FALSE(fakes.leads[0].includeScanNote);
  ASSERT_EQ(scripts.size(), 1u);
  EXPECT_EQ(scripts[0], R"(window.__bqCallback(9, {"displayContact":" 0987 654 321 ","error":null,"ok":true});)");
}

TEST(Bridge, AReplyThatCannotBeDeliveredIsDropped) {
  FakeServices fakes;
  ReplySink sink;
  sink.accept = false;
  shell::handle_ipc_message(shell::IpcJob{sink.proxy(), R"({"id":1,"action":"x"})"}, fakes.services);
  EXPECT_TRUE(sink.scripts.empty());
}

TEST(Bridge, EveryPostedTextGetsItsOwnWorkerAndOneReply) {
  // Two scans run side by side: each probe waits until the other has started.
  static std::latch both_probing(2);
  static FakeServices fakes;
  static BridgeServices services = fakes.services;
  services.probe = []() -> std::variant<engine::RawHardwareSnapshot, std::string> {
    both_probing.arrive_and_wait();
    return ready_snapshot();
  };
  static ReplySink sink;  // workers may outlive a failed test; nothing they touch may go away
  const auto proxy = sink.proxy();
  constexpr int REQUESTS = 200;
  shell::ipc_handler(proxy, R"({"id":1000,"action":"scan_hardware"})", services);
  for (int i = 0; i < REQUESTS; ++i) {
    shell::ipc_handler(proxy, R"({"id":)" + std::to_string(i % 100) + R"(,"action":"nothing"})", services);
  }
  shell::ipc_handler(proxy, R"({"id":1001,"action":"scan_hardware"})", services);
  ASSERT_TRUE(sink.wait_for(REQUESTS + 2));

  std::lock_guard lock(sink.mutex);
  std::map<std::string, int> ids;
  for (const std::string& script : sink.scripts) {
    const auto comma = script.find(',');
    ids[script.substr(std::strlen("window.__bqCallback("), comma - std::strlen("window.__bqCallback("))]++;
  }
  for (int i = 0; i < 100; ++i) EXPECT_EQ(ids[std::to_string(i)], 2) << i;  // ids are not unique; both answered
  EXPECT_EQ(ids["1000"], 1);
  EXPECT_EQ(ids["1001"], 1);
  EXPECT_EQ(sink.scripts.size(), static_cast<std::size_t>(REQUESTS + 2));
}

}  // namespace
