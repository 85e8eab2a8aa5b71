#include "common/test_socket.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

#include "platform/fd_posix.hpp"

namespace bq::test {

SocketHandle listen_on_loopback(int& port) {
  platform::Fd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (fd.get() < 0) throw std::runtime_error("test server: socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(fd.get(), 16) != 0 ||
      ::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("test server: bind");
  }
  port = ntohs(address.sin_port);
  return fd.release();
}

bool wait_readable(SocketHandle socket, const std::atomic<bool>& stop, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!stop && std::chrono::steady_clock::now() < deadline) {
    pollfd entry{static_cast<int>(socket), POLLIN, 0};
    if (::poll(&entry, 1, 50) > 0) return true;
  }
  return false;
}

SocketHandle accept_connection(SocketHandle listener, int seconds) {
  const int fd = ::accept4(static_cast<int>(listener), nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return NO_SOCKET;
  const timeval timeout{seconds, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  return fd;
}

void close_socket(SocketHandle socket) { ::close(static_cast<int>(socket)); }

void survive_broken_connections() { ::signal(SIGPIPE, SIG_IGN); }

}  // namespace bq::test
