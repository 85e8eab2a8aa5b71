// screen-watch: starts a program and reports how long it took until the
// screen shows a given colour, for the start-up benchmark.
//
//   screen-watch X Y0 Y1 RRGGBB TIMEOUT_MS -- PROGRAM ARGS...
//
// Watches the column of pixels at X from Y0 to Y1 (inclusive) on the root
// window, so that what it waits for may sit anywhere along it. Prints
// "started PID" and "origin MS" (its start on CLOCK_MONOTONIC, in
// milliseconds) at once, then "shown MS" (milliseconds from just before the
// program's start to the first poll that saw the colour) or "timeout", then
// waits for the program and exits with its status.

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
  std::fputs("usage: screen-watch X Y0 Y1 RRGGBB TIMEOUT_MS -- PROGRAM ARGS...\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 8 || std::strcmp(argv[6], "--") != 0) return usage();
  const int x = std::atoi(argv[1]);
  const int y0 = std::atoi(argv[2]);
  const int y1 = std::atoi(argv[3]);
  const unsigned long colour = std::strtoul(argv[4], nullptr, 16);
  const double timeout = std::atof(argv[5]);
  if (y1 < y0) return usage();

  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fputs("screen-watch: cannot open the display\n", stderr);
    return 2;
  }
  const Window root = DefaultRootWindow(display);

  const double start = now_ms();
  const pid_t child = fork();
  if (child == 0) {
    execvp(argv[7], argv + 7);
    std::perror("screen-watch: exec");
    _exit(127);
  }
  std::printf("started %d\norigin %.1f\n", static_cast<int>(child), start);
  std::fflush(stdout);

  bool shown = false;
  while (now_ms() - start < timeout) {
    XImage* image = XGetImage(display, root, x, y0, 1, static_cast<unsigned>(y1 - y0 + 1), AllPlanes, ZPixmap);
    if (image != nullptr) {
      for (int y = 0; y <= y1 - y0 && !shown; ++y) shown = (XGetPixel(image, 0, y) & 0xFFFFFF) == colour;
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
