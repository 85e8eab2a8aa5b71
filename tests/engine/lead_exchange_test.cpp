// The consultation request's exchange with a server: the bytes sent, each
// answer's reply, the bound on the body, and redirects.

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/lead_test_helpers.hpp"

namespace {

using bq::test::answer;
using bq::test::body_of;
using bq::test::failure;
using bq::test::http_status_message;
using bq::test::LeadForm;
using bq::test::LeadReply;
using bq::test::network_message;
using bq::test::not_sent_message;
using bq::test::PHONE;
using bq::test::RecordingServer;
using bq::test::SAMPLE_BODY;
using bq::test::sample_form;
using bq::test::send;
using bq::test::server_credentials;
using bq::test::success;

TEST(LeadReplyJson, AlwaysCarriesTheThreeKeysWithNullForTheAbsentOne) {
  EXPECT_EQ(bq::support::write_json(bq::engine::lead_reply_to_json(success(PHONE))),
            R"({"displayContact":"0987 654 321","error":null,"ok":true})");
  EXPECT_EQ(bq::support::write_json(bq::engine::lead_reply_to_json(failure("Lỗi \"x\""))),
            R"({"displayContact":null,"error":"Lỗi \"x\"","ok":false})");
  EXPECT_EQ(bq::support::write_json(bq::engine::lead_reply_to_json(failure(""))),
            R"({"displayContact":null,"error":"","ok":false})");
}

// ---------------------------------------------------------------------------
// The exchange with a server

TEST(LeadExchange, PostsTheBodyWithTheFourHeaders) {
  RecordingServer server(server_credentials(), answer(200, R"({"ok":true})"));
  EXPECT_EQ(send(server.url("/api/public/consultation-lead")), success(PHONE));
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  const auto& r = requests[0];
  EXPECT_EQ(r.method, "POST");
  EXPECT_EQ(r.target, "/api/public/consultation-lead");
  EXPECT_EQ(r.body, SAMPLE_BODY);
  const auto header = [&r](const std::string& name) {
    EXPECT_EQ(r.headers.count(name), 1u) << name;
    const auto it = r.headers.find(name);
    return it == r.headers.end() ? std::string("(none)") : it->second;
  };
  EXPECT_EQ(header("Content-Type"), "application/json");
  EXPECT_EQ(header("Accept"), "application/json");
  EXPECT_EQ(header("Origin"), bq::engine::WEB_ORIGIN);
  EXPECT_EQ(header("Referer"), bq::engine::CHECK_PAGE_URL);
  EXPECT_EQ(header("Accept-Encoding"), "gzip");
  EXPECT_EQ(header("Content-Length"), std::to_string(SAMPLE_BODY.size()));
  EXPECT_EQ(header("Host"), "127.0.0.1:" + std::to_string(server.port()));
}

TEST(LeadExchange, RequestBytesHoldTheHeadersInOrderAndNothingElse) {
  // A body over 1 MiB, for which curl would otherwise announce "Expect: 100-continue".
  LeadForm form = sample_form();
  form.scanNote = std::string(600, 'n');
  form.productInterest = std::string(3u << 19, 'p');
  const std::string body = body_of(form);
  ASSERT_GT(body.size(), 1u << 20);
  bq::test::RawTlsServer server(server_credentials(),
                                "HTTP/1.1 200 OK\r\nContent-Length: 11\r\nConnection: close\r\n\r\n{\"ok\":true}");
  EXPECT_EQ(send(server.url("/lead?x=1"), form), success(PHONE));
  const std::string request = server.received();
  const std::size_t end = request.find("\r\n\r\n");
  ASSERT_NE(end, std::string::npos) << request;
  EXPECT_EQ(request.substr(end + 4), body);
  ASSERT_TRUE(request.starts_with("POST /lead?x=1 HTTP/1.1\r\n")) << request;

  std::vector<std::string> lines;
  for (std::size_t at = request.find("\r\n") + 2; at < end;) {
    const std::size_t next = request.find("\r\n", at);
    lines.push_back(request.substr(at, next - at));
    at = next + 2;
  }
  const std::vector<std::string> ours = {"Content-Type: application/json", "Accept: application/json",
                                         "Origin: " + std::string(bq::engine::WEB_ORIGIN),
                                         "Referer: " + std::string(bq::engine::CHECK_PAGE_URL)};
  std::vector<std::string> in_order;
  std::copy_if(lines.begin(), lines.end(), std::back_inserter(in_order),
               [&ours](const std::string& line) { return std::find(ours.begin(), ours.end(), line) != ours.end(); });
  EXPECT_EQ(in_order, ours);
  std::vector<std::string> theirs;
  std::copy_if(lines.begin(), lines.end(), std::back_inserter(theirs),
               [&ours](const std::string& line) { return std::find(ours.begin(), ours.end(), line) == ours.end(); });
  std::sort(theirs.begin(), theirs.end());
  EXPECT_EQ(theirs, (std::vector<std::string>{"Accept-Encoding: gzip", "Content-Length: " + std::to_string(body.size()),
                                              "Host: " + server.url("").substr(8)}));
}

struct AnswerCase {
  std::string name;
  int status;
  std::string body;
  LeadReply expected;
  std::string content_type = "application/json; charset=utf-8";
  bool gzipped = false;
};

TEST(LeadExchange, EachAnswerBecomesItsReply) {
  const std::vector<AnswerCase> cases = {
      {"200 empty", 200, "", success(PHONE)},
      {"200 HTML", 200, "<!doctype html><p>Cảm ơn</p>", success(PHONE), "text/html; charset=utf-8"},
      {"200 ok true", 200, R"({"ok":true})", success(PHONE)},
      {"200 ok true with displayContact", 200, R"({"ok":true,"displayContact":"Zalo 0987 654 321"})",
       success("Zalo 0987 654 321")},
      {"200 displayContact empty", 200, R"({"displayContact":"","ok":true})", success("")},
      {"200 displayContact null", 200, R"({"ok":true,"displayContact":null})", success(PHONE)},
      {"200 displayContact number", 200, R"({"ok":true,"displayContact":987654321})", success(PHONE)},
      {"200 ok true ignores error", 200, R"({"ok":true,"error":"bỏ qua"})", success(PHONE)},
      {"200 ok false", 200, R"({"ok":false})", failure(not_sent_message())},
      {"200 ok false with error", 200, R"({"ok":false,"error":"Đã nhận yêu cầu trước đó"})",
       failure("Đã nhận yêu cầu trước đó")},
      {"200 ok false with error number", 200, R"({"ok":false,"error":7})", failure(not_sent_message())},
      {"200 ok string", 200, R"({"ok":"true"})", failure(not_sent_message())},
      {"200 ok number", 200, R"({"ok":1})", failure(not_sent_message())},
      {"200 ok null", 200, R"({"ok":null,"error":"không"})", failure("không")},
      {"200 no ok", 200, R"({"displayContact":"x"})", failure(not_sent_message())},
      {"200 array", 200, R"([{"ok":true}])", failure(not_sent_message())},
      {"200 scalar true", 200, "true", failure(not_sent_message())},
      {"200 white space around", 200, " \r\n\t{\"ok\":false,\"error\":\"e\"} \n\r\t", failure("e")},
      {"200 repeated key keeps the last", 200, R"({"ok":true,"ok":false})", failure(not_sent_message())},
      {"200 text after the value", 200, R"({"ok":false} x)", success(PHONE)},
      {"200 two values", 200, R"({"ok":false}{"ok":false})", success(PHONE)},
      {"200 not JSON", 200, R"({ok:false})", success(PHONE)},
      {"200 invalid UTF-8 in a string", 200, "{\"ok\":false,\"error\":\"\xC3\x28\"}", success(PHONE)},
      {"200 invalid UTF-8 outside", 200, "\xFF\xFE{\"ok\":false}", success(PHONE)},
      {"200 nested deeply", 200, R"({"ok":false,"x":)" + std::string(100000, '[') + std::string(100000, ']') + "}",
       failure(not_sent_message())},
      {"201 ok true", 201, R"({"ok":true,"displayContact":"c"})", success("c")},
      {"204", 204, "", success(PHONE)},
      {"302 without Location", 302, R"({"ok":false,"error":"ở lại"})", failure("ở lại")},
      {"399", 399, R"({"ok":true})", success(PHONE)},
      {"400 ok true", 400, R"({"ok":true,"displayContact":"c"})", failure(http_status_message(400))},
      {"404 HTML", 404, "<html>Not found</html>", failure(http_status_message(404)), "text/html"},
      {"422 error", 422, R"({"ok":false,"error":"Số điện thoại không hợp lệ"})", failure("Số điện thoại không hợp lệ")},
      {"422 empty error", 422, R"({"error":""})", failure("")},
      {"422 error null", 422, R"({"error":null})", failure(http_status_message(422))},
      {"422 error in an array", 422, R"([{"error":"x"}])", failure(http_status_message(422))},
      {"422 invalid UTF-8", 422, "{\"error\":\"\xED\xA0\x80\"}", failure(http_status_message(422))},
      {"429 trailing text", 429, R"({"error":"x"},)", failure(http_status_message(429))},
      {"500 HTML", 500, "<html><body>Internal Server Error</body></html>", failure(http_status_message(500)),
       "text/html; charset=utf-8"},
      {"503 empty", 503, "", failure(http_status_message(503))},
      {"599", 599, R"({"error":"bảo trì"})", failure("bảo trì")},
      {"gzip ok true", 200, R"({"ok":true,"displayContact":"nén"})", success("nén"), "application/json; charset=utf-8",
       true},
      {"gzip 422", 422, R"({"error":"nén lỗi"})", failure("nén lỗi"), "application/json; charset=utf-8", true},
  };
  RecordingServer server(server_credentials(), [&cases](const httplib::Request& request, httplib::Response& response) {
    const AnswerCase& c = cases.at(std::stoul(request.path.substr(1)));
    response.status = c.status;
    if (c.gzipped) {
      response.set_header("Content-Encoding", "gzip");
      response.set_content(bq::test::gzip(c.body), c.content_type);
    } else {
      response.set_content(c.body, c.content_type);
    }
  });
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    EXPECT_EQ(send(server.url("/" + std::to_string(i))), cases[i].expected);
  }
  EXPECT_EQ(server.requests().size(), cases.size());
}

// The most bytes of answer body read: 1 MiB.
constexpr std::size_t BODY_BOUND = std::size_t{1} << 20;

// A chunked answer of `status` holding `head`, then spaces in 64 KiB chunks up
// to `size` bytes with a closing "}" as the last one, or without end when
// `size` is 0 (until the client leaves, or for at most 256 MiB). `sent`
// counts the bytes the server got out.
RecordingServer::Handler padded(int status, std::string head, std::size_t size,
                                std::shared_ptr<std::atomic<std::size_t>> sent) {
  return [=](const httplib::Request&, httplib::Response& response) {
    response.status = status;
    response.set_chunked_content_provider("application/json", [=](std::size_t, httplib::DataSink& sink) {
      static const std::string spaces(64 * 1024, ' ');
      std::size_t done = *sent;
      if (done == 0) {
        if (!sink.write(head.data(), head.size())) return false;
        done = head.size();
      }
      const std::size_t last = size == 0 ? std::size_t{256} << 20 : size - 1;
      const std::size_t chunk = std::min(spaces.size(), last - done);
      if (chunk > 0 && !sink.write(spaces.data(), chunk)) return false;
      *sent = done + chunk;
      if (*sent == last) {
        if (size != 0) sink.write("}", 1);
        sink.done();
      }
      return true;
    });
  };
}

TEST(LeadExchange, BodyIsReadToItsEndUpToTheBound) {
  // Exactly the bound: white space inside the object, only its last byte
  // closes it. One byte more is not one JSON value, whatever it would read as.
  const std::string head = R"({"error":"tới cuối","ok":false)";
  for (const int status : {200, 422}) {
    SCOPED_TRACE(status);
    RecordingServer whole(server_credentials(),
                          padded(status, head, BODY_BOUND, std::make_shared<std::atomic<std::size_t>>(0)));
    EXPECT_EQ(send(whole.url("/whole")), failure("tới cuối"));
    RecordingServer over(server_credentials(),
                         padded(status, head, BODY_BOUND + 1, std::make_shared<std::atomic<std::size_t>>(0)));
    EXPECT_EQ(send(over.url("/over")), status == 200 ? success(PHONE) : failure(http_status_message(422)));
  }
}

TEST(LeadExchange, EndlessBodyEndsAtTheBound) {
  // The reading stops at the bound rather than at the deadline: the server
  // gets out little more than the bound and the socket buffers before the
  // client has left.
  for (const int status : {200, 422}) {
    SCOPED_TRACE(status);
    const auto sent = std::make_shared<std::atomic<std::size_t>>(0);
    RecordingServer server(server_credentials(), padded(status, R"({"error":"endless")", 0, sent));
    EXPECT_EQ(send(server.url("/endless")), status == 200 ? success(PHONE) : failure(http_status_message(422)));
    EXPECT_LT(sent->load(), 32 * BODY_BOUND);
  }
  // The bound counts the body as decoded: a small gzip stream that unpacks to
  // more is cut too.
  const std::string packed = bq::test::gzip(R"({"error":"bomb")" + std::string(64 * BODY_BOUND, ' ') + "}");
  ASSERT_LT(packed.size(), BODY_BOUND);
  RecordingServer bomb(server_credentials(), [&packed](const httplib::Request&, httplib::Response& response) {
    response.status = 422;
    response.set_header("Content-Encoding", "gzip");
    response.set_content(packed, "application/json");
  });
  EXPECT_EQ(send(bomb.url("/bomb")), failure(http_status_message(422)));
}

TEST(LeadExchange, BrokenAnswerBodiesCountAsNoJsonValue) {
  // The status arrived, so the reply follows it; the body did not arrive whole.
  const std::string broken_gzip =
      std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10) + "not deflate data at all";
  std::map<std::string, RecordingServer::Handler> routes = {
      {"/gzip-200",
       [&](const httplib::Request&, httplib::Response& response) {
         response.set_header("Content-Encoding", "gzip");
         response.set_content(broken_gzip, "application/json; charset=utf-8");
       }},
      {"/gzip-422",
       [&](const httplib::Request&, httplib::Response& response) {
         response.status = 422;
         response.set_header("Content-Encoding", "gzip");
         response.set_content(broken_gzip, "application/json; charset=utf-8");
       }},
      {"/gzip-cut",
       [&](const httplib::Request&, httplib::Response& response) {
         response.set_header("Content-Encoding", "gzip");
         const std::string whole = bq::test::gzip(R"({"ok":false,"error":"cut"})");
         response.set_content(whole.substr(0, whole.size() - 12), "application/json; charset=utf-8");
       }},
      // The text decodes whole, but its checksum is wrong.
      {"/gzip-checksum",
       [&](const httplib::Request&, httplib::Response& response) {
         response.set_header("Content-Encoding", "gzip");
         std::string whole = bq::test::gzip(R"({"ok":false,"error":"crc"})");
         whole[whole.size() - 8] ^= 1;
         response.set_content(whole, "application/json; charset=utf-8");
       }},
  };
  // A complete-looking value whose Content-Length promises more, then the connection closes.
  for (const int status : {200, 422}) {
    routes["/short-" + std::to_string(status)] = [status](const httplib::Request&, httplib::Response& response) {
      response.status = status;
      response.set_content_provider(200, "application/json; charset=utf-8",
                                    [](std::size_t, std::size_t, httplib::DataSink& sink) {
                                      sink.write(R"({"ok":false,"error":"half"})", 27);
                                      return false;
                                    });
    };
  }
  RecordingServer server(server_credentials(), [&routes](const httplib::Request& request, httplib::Response& response) {
    routes.at(request.path)(request, response);
  });
  EXPECT_EQ(send(server.url("/gzip-200")), success(PHONE));
  EXPECT_EQ(send(server.url("/gzip-422")), failure(http_status_message(422)));
  EXPECT_EQ(send(server.url("/gzip-cut")), success(PHONE));
  EXPECT_EQ(send(server.url("/gzip-checksum")), success(PHONE));
  EXPECT_EQ(send(server.url("/short-200")), success(PHONE));
  EXPECT_EQ(send(server.url("/short-422")), failure(http_status_message(422)));
}

TEST(LeadExchange, AnswerBrokenBeforeItsStatusIsANetworkFailure) {
  for (const std::string raw : {"HTTP/1.1 200 OK\r\nContent-Type: applic", "HTTP/1.1 200", "", "HELLO\r\n\r\n",
                                "HTTP/1.1 100 Continue\r\n\r\n"}) {
    SCOPED_TRACE(raw);
    bq::test::RawTlsServer server(server_credentials(), raw);
    EXPECT_EQ(send(server.url("/lead")), failure(network_message()));
  }
}

// ---------------------------------------------------------------------------
// Redirects

struct Route {
  int status;
  std::string location;  // none when empty
  std::string body;
};

RecordingServer::Handler routed(std::map<std::string, Route> routes) {
  return [routes = std::move(routes)](const httplib::Request& request, httplib::Response& response) {
    const auto it = routes.find(request.target);
    if (it == routes.end()) {
      response.status = 404;
      return;
    }
    response.status = it->second.status;
    if (!it->second.location.empty()) response.set_header("Location", it->second.location);
    response.set_content(it->second.body, "application/json; charset=utf-8");
  };
}

std::vector<std::string> methods_and_targets(const RecordingServer& server) {
  std::vector<std::string> seen;
  for (const auto& r : server.requests()) seen.push_back(r.method + " " + r.target);
  return seen;
}

TEST(LeadRedirects, ThreeHundredOneTwoThreeAreFollowedAsAGetWithoutABody) {
  for (const int status : {301, 302, 303}) {
    SCOPED_TRACE(status);
    RecordingServer server(server_credentials(),
                           routed({{"/lead", {status, "/done?step=2", "moved"}},
                                   {"/done?step=2", {200, "", R"({"ok":true,"displayContact":"đã nhận"})"}}}));
    EXPECT_EQ(send(server.url("/lead")), success("đã nhận"));
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].body, SAMPLE_BODY);
    EXPECT_EQ(requests[1].method, "GET");
    EXPECT_EQ(requests[1].target, "/done?step=2");
    EXPECT_EQ(requests[1].body, "");
    EXPECT_EQ(requests[1].headers.count("Content-Type"), 0u);
    EXPECT_EQ(requests[1].headers.count("Content-Length"), 0u);
    EXPECT_EQ(requests[1].headers.find("Accept")->second, "application/json");
  }
}

TEST(LeadRedirects, SevenAndEightAreNotFollowedForThePost) {
  for (const int status : {307, 308}) {
    SCOPED_TRACE(status);
    RecordingServer server(server_credentials(), routed({{"/lead", {status, "/again", ""}},
                                                         {"/again", {200, "", R"({"ok":false,"error":"x"})"}}}));
    EXPECT_EQ(send(server.url("/lead")), success(PHONE));
    EXPECT_EQ(methods_and_targets(server), std::vector<std::string>{"POST /lead"});
  }
  RecordingServer server(server_credentials(), routed({{"/lead", {307, "/again", R"({"ok":false,"error":"ở"})"}}}));
  EXPECT_EQ(send(server.url("/lead")), failure("ở"));
}

TEST(LeadRedirects, SevenAndEightAreFollowedOnceTheRequestIsAGet) {
  for (const int status : {307, 308}) {
    SCOPED_TRACE(status);
    RecordingServer server(server_credentials(),
                           routed({{"/lead", {303, "/get", ""}},
                                   {"/get", {status, "/final", ""}},
                                   {"/final", {200, "", R"({"ok":true,"displayContact":"f"})"}}}));
    EXPECT_EQ(send(server.url("/lead")), success("f"));
    EXPECT_EQ(methods_and_targets(server), (std::vector<std::string>{"POST /lead", "GET /get", "GET /final"}));
  }
}

TEST(LeadRedirects, OtherRedirectStatusesStandAsTheAnswer) {
  for (const int status : {300, 304, 305, 306, 309, 398}) {
    SCOPED_TRACE(status);
    const std::string body = status == 304 ? "" : R"({"ok":false,"error":"dừng"})";
    RecordingServer server(server_credentials(),
                           routed({{"/lead", {status, "/final", body}}, {"/final", {200, "", R"({"ok":true})"}}}));
    EXPECT_EQ(send(server.url("/lead")), status == 304 ? success(PHONE) : failure("dừng"));
    EXPECT_EQ(methods_and_targets(server), std::vector<std::string>{"POST /lead"});
  }
}

TEST(LeadRedirects, FourAreFollowedAndAFurtherOneIsANetworkFailure) {
  const auto chain = [](int hops, Route last) {
    std::map<std::string, Route> routes;
    for (int i = 0; i < hops; ++i) routes["/hop/" + std::to_string(i)] = {302, "/hop/" + std::to_string(i + 1), ""};
    routes["/hop/" + std::to_string(hops)] = std::move(last);
    return routes;
  };
  {
    RecordingServer server(server_credentials(), routed(chain(4, {200, "", R"({"ok":true,"displayContact":"4"})"})));
    EXPECT_EQ(send(server.url("/hop/0")), success("4"));
    EXPECT_EQ(server.requests().size(), 5u);
  }
  {
    RecordingServer server(server_credentials(), routed(chain(5, {200, "", R"({"ok":true})"})));
    EXPECT_EQ(send(server.url("/hop/0")), failure(network_message()));
    EXPECT_EQ(server.requests().size(), 5u);
  }
  {  // After four, even a redirect status that would not be followed ends the exchange.
    RecordingServer server(server_credentials(), routed(chain(4, {300, "", R"({"ok":true})"})));
    EXPECT_EQ(send(server.url("/hop/0")), failure(network_message()));
  }
  {
    RecordingServer server(server_credentials(), routed({{"/loop", {302, "/loop", ""}}}));
    EXPECT_EQ(send(server.url("/loop")), failure(network_message()));
    EXPECT_EQ(methods_and_targets(server),
              (std::vector<std::string>{"POST /loop", "GET /loop", "GET /loop", "GET /loop", "GET /loop"}));
  }
}

TEST(LeadRedirects, LocationIsResolvedAgainstTheCurrentUrl) {
  RecordingServer elsewhere(server_credentials(),
                            routed({{"/x/final", {200, "", R"({"ok":true,"displayContact":"B"})"}}}));
  RecordingServer server(server_credentials(), routed({{"/api/lead", {303, "next", ""}},
                                                       {"/api/next", {302, "../x/y?q=1", ""}},
                                                       {"/x/y?q=1", {302, elsewhere.url("/x/final"), ""}}}));
  EXPECT_EQ(send(server.url("/api/lead")), success("B"));
  EXPECT_EQ(methods_and_targets(server), (std::vector<std::string>{"POST /api/lead", "GET /api/next", "GET /x/y?q=1"}));
  EXPECT_EQ(methods_and_targets(elsewhere), std::vector<std::string>{"GET /x/final"});
}

TEST(LeadRedirects, LocationThatCannotBeFollowedIsANetworkFailure) {
  for (const std::string location : {"https://[::1", "ftp://127.0.0.1/lead", "file:///etc/passwd"}) {
    SCOPED_TRACE(location);
    RecordingServer server(server_credentials(), routed({{"/lead", {303, location, ""}}}));
    EXPECT_EQ(send(server.url("/lead")), failure(network_message()));
  }
}

}  // namespace
