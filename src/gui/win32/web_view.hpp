#pragma once
// What the Win32 window tells the web view built on it. Each of these is
// called by the window procedure on the UI thread.

#include <windows.h>

#include "gui/web_view.hpp"

namespace bq::gui {

// The window's client area changed (WM_SIZE, with its kind): the view fills
// it, and is hidden while the window is minimised.
void follow_window_size(WebView* web_view, WPARAM kind);

// The window moved (WM_MOVE): the view's own pop-ups move with it.
void follow_window_position(WebView* web_view);

// The window got the keyboard focus (WM_SETFOCUS): the view takes it, so that
// typing reaches the page at once.
void take_window_focus(WebView* web_view);

}  // namespace bq::gui
