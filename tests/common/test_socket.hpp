#pragma once
// The sockets of the tests' servers, one backend per platform
// (test_socket_posix.cpp, test_socket_win32.cpp).

#include <atomic>
#include <chrono>
#include <cstdint>

namespace bq::test {

// A file descriptor, or a Windows SOCKET; NO_SOCKET when there is none.
using SocketHandle = std::intptr_t;
inline constexpr SocketHandle NO_SOCKET = -1;

// A listening TCP socket on 127.0.0.1 at a port the system picks, written to
// `port`; throws when there is none. No child process inherits it.
SocketHandle listen_on_loopback(int& port);

// Waits up to `timeout` for `socket` to be readable; false on time-out or
// when `stop` is set.
bool wait_readable(SocketHandle socket, const std::atomic<bool>& stop, std::chrono::milliseconds timeout);

// The next connection on `listener`, with `seconds` as its send and receive
// time limit, not inherited by any child; NO_SOCKET on failure.
SocketHandle accept_connection(SocketHandle listener, int seconds);

void close_socket(SocketHandle socket);

// Makes a write to a socket whose peer has left fail with an error instead of
// ending the process (SIGPIPE on POSIX; Windows has no such signal).
void survive_broken_connections();

}  // namespace bq::test
