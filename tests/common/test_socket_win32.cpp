#include <winsock2.h>
#include <ws2tcpip.h>

#include <stdexcept>

#include "common/test_socket.hpp"

namespace bq::test {
namespace {

// Winsock wants one start-up per process before its first call.
void start_winsock() {
  static const bool started = [] {
    WSADATA data;
    return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  if (!started) throw std::runtime_error("test server: WSAStartup");
}

SOCKET native(SocketHandle socket) { return static_cast<SOCKET>(socket); }

}  // namespace

SocketHandle listen_on_loopback(int& port) {
  start_winsock();
  const SOCKET s = ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
  if (s == INVALID_SOCKET) throw std::runtime_error("test server: socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  if (::bind(s, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(s, 16) != 0 ||
      ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::closesocket(s);
    throw std::runtime_error("test server: bind");
  }
  port = ntohs(address.sin_port);
  return static_cast<SocketHandle>(s);
}

bool wait_readable(SocketHandle socket, const std::atomic<bool>& stop, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!stop && std::chrono::steady_clock::now() < deadline) {
    WSAPOLLFD entry{native(socket), POLLRDNORM, 0};
    if (::WSAPoll(&entry, 1, 50) > 0) return true;
  }
  return false;
}

SocketHandle accept_connection(SocketHandle listener, int seconds) {
  const SOCKET s = ::accept(native(listener), nullptr, nullptr);
  if (s == INVALID_SOCKET) return NO_SOCKET;
  // An accepted socket takes the listener's attributes, not its inheritance.
  ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
  const DWORD milliseconds = static_cast<DWORD>(seconds) * 1000;
  ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&milliseconds), sizeof milliseconds);
  ::setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&milliseconds), sizeof milliseconds);
  return static_cast<SocketHandle>(s);
}

void close_socket(SocketHandle socket) { ::closesocket(native(socket)); }

void survive_broken_connections() {}

}  // namespace bq::test
