#pragma once
// What a Window is under Win32, for the backend's other files (a web view is
// built on its handle and follows its size and focus) and the Win32 tests.

#include <windows.h>

#include "gui/web_view.hpp"
#include "gui/window.hpp"

namespace bq::gui {

struct Window {
  HWND handle = nullptr;
  EventLoop loop;  // its handler receives the close requests
  // The smallest client area in logical pixels; scaled by the window's DPI
  // whenever the system asks, since the window may move to another monitor.
  int min_width = 0;
  int min_height = 0;
  WebView* web_view = nullptr;  // once built on this window
};

}  // namespace bq::gui
