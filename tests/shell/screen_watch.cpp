// screen-watch: starts a program and reports how long it took until a pixel
// of the screen shows a given colour, for the start-up benchmark.
//
//   screen-watch X Y RRGGBB TIMEOUT_MS -- PROGRAM ARGS...
//
// Prints "started PID" at once, then "shown MS" (milliseconds from just
// before the program's start to the first poll that saw the colour at X,Y on
// the root window) or "timeout", then waits for the program and exits with
// its status.

#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

double now_ms() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

int usage() {
  std::fputs("usage: screen-watch X Y RRGGBB TIMEOUT_MS -- PROGRAM ARGS...\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 7 || std::strcmp(argv[5], "--") != 0) return usage();
  const int x = std::atoi(argv[1]);
  const int y = std::atoi(argv[2]);
  const unsigned long colour = std::strtoul(argv[3], nullptr, 16);
  const double timeout = std::atof(argv[4]);

  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fputs("screen-watch: cannot open the display\n", stderr);
    return 2;
  }
  const Window root = DefaultRootWindow(display);

  const double start = now_ms();
  const pid_t child = fork();
  if (child == 0) {
    execvp(argv[6], argv + 6);
    std::perror("screen-watch: exec");
    _exit(127);
  }
  std::printf("started %d\n", static_cast<int>(child));
  std::fflush(stdout);

  bool shown = false;
  while (now_ms() - start < timeout) {
    XImage* image = XGetImage(display, root, x, y, 1, 1, AllPlanes, ZPixmap);
    if (image != nullptr) {
      shown = (XGetPixel(image, 0, 0) & 0xFFFFFF) == colour;
      XDestroyImage(image);
    }
    if (shown) break;
    if (waitpid(child, nullptr, WNOHANG) == child) break;
    usleep(1000);
  }
  if (shown) {
    std::printf("shown %.1f\n", now_ms() - start);
  } else {
    std::puts("timeout");
  }
  std::fflush(stdout);
  XCloseDisplay(display);

  int status = 0;
  if (waitpid(child, &status, 0) != child) return 1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
