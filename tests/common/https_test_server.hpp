#pragma once
// Local HTTPS servers for the consultation request's tests: a throwaway
// certificate authority made in the process, a recording cpp-httplib server,
// a raw TLS server that answers with scripted bytes, and a plain listener that
// only counts connections. Everything listens on 127.0.0.1 and stops by itself.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <httplib.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include "common/test_socket.hpp"

namespace bq::test {

// A key pair and its certificate, valid from an hour ago for two days.
struct Credentials {
  std::shared_ptr<EVP_PKEY> key;
  std::shared_ptr<X509> cert;
  std::string pem;  // the certificate
};

// A self-signed authority named `common_name`.
Credentials make_authority(const std::string& common_name);
// A server certificate for 127.0.0.1 and localhost, issued by `issuer`.
Credentials make_server_credentials(const Credentials& issuer);

// What a server was sent.
struct ReceivedRequest {
  std::string method;
  std::string target;  // path and query
  httplib::Headers headers;
  std::string body;
  int remote_port = -1;  // tells connections apart
};

// cpp-httplib's HTTPS server on 127.0.0.1, answering every method and path
// with `handler` and keeping a record of each request it received.
class RecordingServer {
 public:
  using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

  RecordingServer(const Credentials& credentials, Handler handler);
  ~RecordingServer();
  RecordingServer(const RecordingServer&) = delete;
  RecordingServer& operator=(const RecordingServer&) = delete;

  int port() const { return port_; }
  std::string url(const std::string& target) const;
  std::vector<ReceivedRequest> requests() const;

 private:
  httplib::SSLServer server_;
  Handler handler_;
  int port_ = -1;
  mutable std::mutex mutex_;
  std::vector<ReceivedRequest> requests_;
  std::thread thread_;
};

// A TLS server for one connection: reads one request (its headers and its
// Content-Length of body), keeps its bytes, writes `answer` and closes, or,
// with `hold_open`, stays silent until it is destroyed.
class RawTlsServer {
 public:
  RawTlsServer(const Credentials& credentials, std::string answer, bool hold_open = false);
  ~RawTlsServer();
  RawTlsServer(const RawTlsServer&) = delete;
  RawTlsServer& operator=(const RawTlsServer&) = delete;

  std::string url(const std::string& target) const;
  // The request's bytes; waits for the server to have read them (bounded).
  std::string received();

 private:
  void serve();

  std::shared_ptr<SSL_CTX> context_;
  std::string answer_;
  bool hold_open_;
  SocketHandle listener_ = NO_SOCKET;
  int port_ = -1;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::string received_;
  bool done_ = false;
  std::thread thread_;
};

// A plain TCP listener on 127.0.0.1 that accepts and closes, and counts.
class CountingListener {
 public:
  CountingListener();
  ~CountingListener();
  CountingListener(const CountingListener&) = delete;
  CountingListener& operator=(const CountingListener&) = delete;

  int port() const { return port_; }
  int accepted() const { return accepted_; }

 private:
  SocketHandle listener_ = NO_SOCKET;
  int port_ = -1;
  std::atomic<bool> stop_{false};
  std::atomic<int> accepted_{0};
  std::thread thread_;
};

// A port on 127.0.0.1 where nothing listens.
int closed_port();

// `data` as a gzip stream.
std::string gzip(const std::string& data);

}  // namespace bq::test
