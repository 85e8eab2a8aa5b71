#pragma once
// The Win32 side of the portable header's opaque Window, for the layers that
// need its handle (the web view) and for the tests.

#include <windows.h>

#include "gui/event_loop.hpp"

namespace bq::gui {

struct Window {
  HWND handle = nullptr;
  EventLoop loop;  // its handler receives the close requests
  // The smallest client area in logical pixels; scaled by the window's DPI
  // whenever the system asks, since the window may move to another monitor.
  int min_width = 0;
  int min_height = 0;
};

}  // namespace bq::gui
