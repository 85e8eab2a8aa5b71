#include "common/https_test_server.hpp"

#include <zlib.h>

#include <cstdlib>
#include <random>
#include <stdexcept>

#include <openssl/bio.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include "common/test_socket.hpp"

namespace bq::test {
namespace {

constexpr auto SERVER_LIFETIME = std::chrono::seconds(30);  // no server outlives a test's bound

[[noreturn]] void fail(const std::string& what) { throw std::runtime_error("test server: " + what); }

void add_extension(X509* cert, X509V3_CTX& context, int nid, const char* value) {
  X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
  if (!extension || X509_add_ext(cert, extension, -1) != 1) fail("certificate extension");
  X509_EXTENSION_free(extension);
}

std::string to_pem(X509* cert) {
  const std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), BIO_free);
  if (!bio || PEM_write_bio_X509(bio.get(), cert) != 1) fail("PEM");
  char* data = nullptr;
  const long size = BIO_get_mem_data(bio.get(), &data);
  return std::string(data, static_cast<std::size_t>(size));
}

Credentials issue(const std::string& common_name, const Credentials* issuer) {
  std::shared_ptr<EVP_PKEY> key(EVP_EC_gen("P-256"), EVP_PKEY_free);
  std::shared_ptr<X509> cert(X509_new(), X509_free);
  if (!key || !cert) fail("key");
  X509* x = cert.get();
  std::random_device random;
  X509_set_version(x, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(x), static_cast<long>(random() & 0x7fffffff));
  X509_gmtime_adj(X509_getm_notBefore(x), -3600);
  X509_gmtime_adj(X509_getm_notAfter(x), 2 * 86400);
  X509_set_pubkey(x, key.get());
  X509_NAME_add_entry_by_txt(X509_get_subject_name(x), "CN", MBSTRING_UTF8,
                             reinterpret_cast<const unsigned char*>(common_name.c_str()), -1, -1, 0);
  X509* issuer_cert = issuer ? issuer->cert.get() : x;
  X509_set_issuer_name(x, X509_get_subject_name(issuer_cert));
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, issuer_cert, x, nullptr, nullptr, 0);
  add_extension(x, context, NID_subject_key_identifier, "hash");
  if (issuer) {
    add_extension(x, context, NID_authority_key_identifier, "keyid:always");
    add_extension(x, context, NID_basic_constraints, "critical,CA:FALSE");
    add_extension(x, context, NID_key_usage, "critical,digitalSignature");
    add_extension(x, context, NID_ext_key_usage, "serverAuth");
    add_extension(x, context, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost");
  } else {
    add_extension(x, context, NID_basic_constraints, "critical,CA:TRUE");
    add_extension(x, context, NID_key_usage, "critical,keyCertSign,cRLSign");
  }
  if (X509_sign(x, issuer ? issuer->key.get() : key.get(), EVP_sha256()) == 0) fail("signing");
  Credentials made{key, cert, to_pem(x)};
  return made;
}

std::string loopback_url(int port, const std::string& target) {
  return "https://127.0.0.1:" + std::to_string(port) + target;
}

}  // namespace

Credentials make_authority(const std::string& common_name) { return issue(common_name, nullptr); }

Credentials make_server_credentials(const Credentials& issuer) { return issue("127.0.0.1", &issuer); }

RecordingServer::RecordingServer(const Credentials& credentials, Handler handler)
    : server_(credentials.cert.get(), credentials.key.get()), handler_(std::move(handler)) {
  // OpenSSL writes to the socket with write(): a client that leaves in the
  // middle of a long answer must make that write fail, not end the tests.
  survive_broken_connections();
  if (!server_.is_valid()) fail("SSLServer");
  const auto record = [this](const httplib::Request& request, httplib::Response& response) {
    {
      const std::lock_guard lock(mutex_);
      requests_.push_back({request.method, request.target, request.headers, request.body, request.remote_port});
    }
    handler_(request, response);
  };
  server_.Get(".*", record);
  server_.Post(".*", record);
  server_.Put(".*", record);
  port_ = server_.bind_to_any_port("127.0.0.1");
  if (port_ <= 0) fail("bind");
  thread_ = std::thread([this] { server_.listen_after_bind(); });
  // stop() does nothing before the loop runs, so the destructor waits for it.
  for (int i = 0; i < 500 && !server_.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

RecordingServer::~RecordingServer() {
  server_.stop();
  thread_.join();
}

std::string RecordingServer::url(const std::string& target) const { return loopback_url(port_, target); }

std::vector<ReceivedRequest> RecordingServer::requests() const {
  const std::lock_guard lock(mutex_);
  return requests_;
}

RawTlsServer::RawTlsServer(const Credentials& credentials, std::string answer, bool hold_open)
    : context_(SSL_CTX_new(TLS_server_method()), SSL_CTX_free), answer_(std::move(answer)), hold_open_(hold_open) {
  if (!context_ || SSL_CTX_use_certificate(context_.get(), credentials.cert.get()) != 1 ||
      SSL_CTX_use_PrivateKey(context_.get(), credentials.key.get()) != 1) {
    fail("SSL_CTX");
  }
  listener_ = listen_on_loopback(port_);
  thread_ = std::thread([this] { serve(); });
}

RawTlsServer::~RawTlsServer() {
  stop_ = true;
  thread_.join();
  close_socket(listener_);
}

std::string RawTlsServer::url(const std::string& target) const { return loopback_url(port_, target); }

std::string RawTlsServer::received() {
  for (int i = 0; i < 200; ++i) {
    {
      const std::lock_guard lock(mutex_);
      if (done_) return received_;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const std::lock_guard lock(mutex_);
  return received_;
}

void RawTlsServer::serve() {
  const auto finish = [this](std::string bytes) {
    const std::lock_guard lock(mutex_);
    received_ = std::move(bytes);
    done_ = true;
  };
  if (!wait_readable(listener_, stop_, SERVER_LIFETIME)) return finish({});
  const SocketHandle fd = accept_connection(listener_, 5);
  if (fd == NO_SOCKET) return finish({});
  const std::unique_ptr<SSL, decltype(&SSL_free)> ssl(SSL_new(context_.get()), SSL_free);
  std::string request;
  if (ssl && SSL_set_fd(ssl.get(), static_cast<int>(fd)) == 1 && SSL_accept(ssl.get()) == 1) {
    char buffer[16384];
    std::size_t wanted = std::string::npos;  // the request's whole length, once its headers are in
    while (request.size() < wanted) {
      const int n = SSL_read(ssl.get(), buffer, sizeof buffer);
      if (n <= 0) break;
      request.append(buffer, static_cast<std::size_t>(n));
      const std::size_t end = request.find("\r\n\r\n");
      if (wanted == std::string::npos && end != std::string::npos) {
        std::size_t length = 0;
        const std::size_t at = request.find("\r\nContent-Length: ");
        if (at != std::string::npos && at < end) length = std::strtoul(request.c_str() + at + 18, nullptr, 10);
        wanted = end + 4 + length;
      }
    }
    finish(request);
    if (!answer_.empty()) SSL_write(ssl.get(), answer_.data(), static_cast<int>(answer_.size()));
    if (hold_open_) {
      while (!stop_) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } else {
      SSL_shutdown(ssl.get());
    }
  } else {
    finish({});
  }
  close_socket(fd);
}

CountingListener::CountingListener() {
  listener_ = listen_on_loopback(port_);
  thread_ = std::thread([this] {
    while (wait_readable(listener_, stop_, SERVER_LIFETIME)) {
      const SocketHandle fd = accept_connection(listener_, 5);
      if (fd != NO_SOCKET) {
        ++accepted_;
        close_socket(fd);
      }
    }
  });
}

CountingListener::~CountingListener() {
  stop_ = true;
  thread_.join();
  close_socket(listener_);
}

int closed_port() {
  int port = 0;
  close_socket(listen_on_loopback(port));
  return port;
}

std::string gzip(const std::string& data) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) fail("zlib");
  std::string out(deflateBound(&stream, data.size()) + 32, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = deflate(&stream, Z_FINISH);
  deflateEnd(&stream);
  if (result != Z_STREAM_END) fail("zlib");
  out.resize(stream.total_out);
  return out;
}

}  // namespace bq::test
