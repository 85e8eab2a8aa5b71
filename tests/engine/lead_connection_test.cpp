// The consultation request's connection: whom it trusts, how long it waits,
// which proxy it ignores and what each call opens.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include "common/environment.hpp"
#include "engine/lead_test_helpers.hpp"

namespace {

using bq::test::answer;
using bq::test::authority;
using bq::test::closed_url;
using bq::test::Credentials;
using bq::test::failure;
using bq::test::form_with_phone;
using bq::test::http_status_message;
using bq::test::LeadReply;
using bq::test::network_message;
using bq::test::PHONE;
using bq::test::RecordingServer;
using bq::test::sample_form;
using bq::test::send;
using bq::test::send_within;
using bq::test::server_credentials;
using bq::test::success;

TEST(PublicRoots, AreTheCompiledInBundleOfCertificates) {
  const std::string_view roots = bq::engine::PUBLIC_ROOT_CERTIFICATES;
  ASSERT_TRUE(roots.starts_with("-----BEGIN CERTIFICATE-----"));
  std::size_t markers = 0;
  for (std::size_t at = roots.find("-----BEGIN CERTIFICATE-----"); at != std::string_view::npos;
       at = roots.find("-----BEGIN CERTIFICATE-----", at + 1)) {
    ++markers;
  }
  const std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new_mem_buf(roots.data(), static_cast<int>(roots.size())),
                                                      BIO_free);
  std::size_t parsed = 0;
  while (X509* cert = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr)) {
    ++parsed;
    X509_free(cert);
  }
  EXPECT_GT(markers, 50u);
  EXPECT_EQ(parsed, markers);
}

// ---------------------------------------------------------------------------
// Connections

TEST(LeadConnection, CertificateFromAnotherAuthorityIsRefused) {
  const Credentials other = bq::test::make_authority("Another Root");
  RecordingServer server(bq::test::make_server_credentials(other), answer(200, R"({"ok":true})"));
  EXPECT_EQ(send(server.url("/lead")), failure(network_message()));
  // The compiled-in public roots do not know the test's authority either.
  EXPECT_EQ(send(server.url("/lead"), sample_form(), 60, bq::engine::PUBLIC_ROOT_CERTIFICATES),
            failure(network_message()));
  EXPECT_TRUE(server.requests().empty());
  // And the same server is reached with its own authority.
  EXPECT_EQ(send(server.url("/lead"), sample_form(), 60, other.pem), success(PHONE));
}

TEST(LeadConnection, OnlyTheGivenRootsAreTrusted) {
  // Point OpenSSL's own default locations at the server's authority.
  const auto folder = std::filesystem::temp_directory_path() / ("lead-roots-" + std::to_string(bq::test::process_id()));
  std::filesystem::create_directories(folder);
  const unsigned long hash = X509_subject_name_hash(authority().cert.get());
  char name[16];
  std::snprintf(name, sizeof name, "%08lx.0", hash);
  std::ofstream(folder / name) << authority().pem;
  std::ofstream(folder / "bundle.pem") << authority().pem;
  bq::test::set_environment("SSL_CERT_DIR", folder.string());
  bq::test::set_environment("SSL_CERT_FILE", (folder / "bundle.pem").string());
  RecordingServer server(server_credentials(), answer(200, R"({"ok":true})"));
  const Credentials other = bq::test::make_authority("Unrelated Root");
  const LeadReply reply = send(server.url("/lead"), sample_form(), 60, other.pem);
  bq::test::unset_environment("SSL_CERT_DIR");
  bq::test::unset_environment("SSL_CERT_FILE");
  std::filesystem::remove_all(folder);
  EXPECT_EQ(reply, failure(network_message()));
}

TEST(LeadConnection, RefusedPortIsANetworkFailure) { EXPECT_EQ(send(closed_url()), failure(network_message())); }

TEST(LeadConnection, SilentServerEndsAsANetworkFailure) {
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  RecordingServer server(server_credentials(), [released](const httplib::Request&, httplib::Response& response) {
    released.wait_for(std::chrono::seconds(30));
    response.set_content(R"({"ok":true})", "application/json");
  });
  EXPECT_EQ(send(server.url("/lead"), sample_form(), 1), failure(network_message()));
  release.set_value();
  EXPECT_EQ(server.requests().size(), 1u);
  // A TLS server that reads the request and keeps the connection open without a word.
  bq::test::RawTlsServer raw(server_credentials(), "", true);
  EXPECT_EQ(send(raw.url("/lead"), sample_form(), 1), failure(network_message()));
}

TEST(LeadConnection, TrickleEndsAtTheDeadline) {
  // Two bytes a second stay above the stall rule; the whole body would take
  // seconds more than the deadline, and then read as another reply.
  for (const auto& [status, body] : {std::pair{200, std::string(R"({"ok":false, "error":"slow"})")},
                                     std::pair{422, std::string(R"({"error":"slow"})")}}) {
    SCOPED_TRACE(status);
    RecordingServer server(server_credentials(), [status, body](const httplib::Request&, httplib::Response& response) {
      response.status = status;
      response.set_chunked_content_provider("application/json", [body](std::size_t offset, httplib::DataSink& sink) {
        if (offset >= body.size()) {
          sink.done();
          return true;
        }
        std::this_thread::sleep_for(std::chrono::seconds(1));
        return sink.write(body.data() + offset, std::min<std::size_t>(2, body.size() - offset));
      });
    });
    EXPECT_EQ(send_within(server.url("/trickle"), 1500),
              status == 200 ? success(PHONE) : failure(http_status_message(422)));
  }
}

TEST(LeadConnection, SilenceEndsAtTheDeadline) {
  // The header block of a final status, then nothing: the status stands.
  for (const int status : {200, 422}) {
    SCOPED_TRACE(status);
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    RecordingServer server(
        server_credentials(), [status, released](const httplib::Request&, httplib::Response& response) {
          response.status = status;
          response.set_chunked_content_provider("application/json", [released](std::size_t, httplib::DataSink&) {
            released.wait_for(std::chrono::seconds(30));
            return false;
          });
        });
    EXPECT_EQ(send_within(server.url("/silent"), 1000),
              status == 200 ? success(PHONE) : failure(http_status_message(422)));
    release.set_value();
  }
  // Silence before the header block has ended is silence before the status.
  struct Case {
    std::string raw;
    LeadReply expected;
  };
  const Case cases[] = {
      {"", failure(network_message())},
      {"HTTP/1.1 200 OK\r\n", failure(network_message())},
      {"HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Len", failure(network_message())},
      {"HTTP/1.1 100 Continue\r\n\r\n", failure(network_message())},
      {"HTTP/1.1 200 OK\r\nContent-Length: 40\r\n\r\n{\"ok\":false", success(PHONE)},
      {"HTTP/1.1 422 Unprocessable\r\nContent-Length: 40\r\n\r\n{\"error\":", failure(http_status_message(422))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.raw);
    bq::test::RawTlsServer server(server_credentials(), c.raw, true);
    EXPECT_EQ(send_within(server.url("/lead"), 1000), c.expected);
  }
}

TEST(LeadConnection, TheDeadlineCoversEveryRedirect) {
  // Each answer comes quickly enough on its own; together they take longer
  // than the deadline, which then runs out before a final status.
  RecordingServer server(server_credentials(), [](const httplib::Request& request, httplib::Response& response) {
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    const int hop = std::stoi(request.path.substr(1));
    if (hop < 4) {
      response.status = 303;
      response.set_header("Location", "/" + std::to_string(hop + 1));
    }
    response.set_content(R"({"ok":true})", "application/json");
  });
  EXPECT_EQ(send_within(server.url("/0"), 1500), failure(network_message()));
  EXPECT_LE(server.requests().size(), 3u);
  EXPECT_EQ(send_within(server.url("/0"), 30'000), success(PHONE));
}

TEST(LeadConnection, ProxyVariablesAreIgnored) {
  bq::test::CountingListener proxy;
  const std::string proxy_url = "http://127.0.0.1:" + std::to_string(proxy.port());
  const char* names[] = {"https_proxy", "HTTPS_PROXY", "http_proxy", "ALL_PROXY", "all_proxy"};
  for (const char* name : names) bq::test::set_environment(name, proxy_url);
  bq::test::unset_environment("no_proxy");
  bq::test::unset_environment("NO_PROXY");
  RecordingServer server(server_credentials(), answer(200, R"({"ok":true})"));
  const LeadReply reply = send(server.url("/lead"));
  for (const char* name : names) bq::test::unset_environment(name);
  EXPECT_EQ(reply, success(PHONE));
  EXPECT_EQ(server.requests().size(), 1u);
  EXPECT_EQ(proxy.accepted(), 0);
}

TEST(LeadConnection, EachCallHasItsOwnConnection) {
  RecordingServer server(server_credentials(), answer(200, R"({"ok":true})"));
  EXPECT_EQ(send(server.url("/lead")), success(PHONE));
  EXPECT_EQ(send(server.url("/lead")), success(PHONE));
  std::vector<std::future<LeadReply>> running;
  for (int i = 0; i < 4; ++i)
    running.push_back(std::async(std::launch::async, [&server] { return send(server.url("/lead")); }));
  for (auto& reply : running) EXPECT_EQ(reply.get(), success(PHONE));
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 6u);
  std::vector<int> ports;
  for (const auto& r : requests) ports.push_back(r.remote_port);
  std::sort(ports.begin(), ports.end());
  EXPECT_EQ(std::unique(ports.begin(), ports.end()), ports.end());
}

TEST(LeadConnection, RefusedPhoneSendsNothing) {
  RecordingServer server(server_credentials(), answer(200, R"({"ok":true})"));
  for (const std::string phone : {"09876543", "0987654321012", "", "   "}) {
    EXPECT_EQ(send(server.url("/lead"), form_with_phone(phone)),
              failure("Vui lòng nhập đúng số điện thoại Zalo hợp lệ (10 số)."));
  }
  EXPECT_TRUE(server.requests().empty());
}

}  // namespace
