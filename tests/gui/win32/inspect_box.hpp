#pragma once
// Looks at a message box from another thread, as a user would, and presses
// its OK button.

#include <windows.h>

#include <chrono>
#include <string>
#include <thread>

// What another thread sees of a message box.
struct SeenBox {
  bool found = false;
  std::wstring text;
  HWND owner = nullptr;
  int buttons = 0;
  bool icon = false;
  // The system's error icon is one shared handle within a process; wine does
  // not share it between processes, so this is seen only in the box's own.
  bool error_icon = false;
};

inline BOOL CALLBACK inspect_box_child(HWND child, LPARAM data) {
  auto* seen = reinterpret_cast<SeenBox*>(data);
  wchar_t class_name[32]{};
  GetClassNameW(child, class_name, 32);
  if (lstrcmpiW(class_name, L"Button") == 0) ++seen->buttons;
  if (lstrcmpiW(class_name, L"Static") == 0) {
    const auto icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
    if (icon != nullptr) seen->icon = true;
    if (icon != nullptr && icon == LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_HAND))) seen->error_icon = true;
  }
  return TRUE;
}

// Waits up to fifteen seconds for the box captioned `caption`, notes what it
// shows and presses OK.
inline SeenBox inspect_box(const wchar_t* caption) {
  SeenBox seen;
  HWND box = nullptr;
  for (int i = 0; i < 300 && box == nullptr; ++i) {
    box = FindWindowW(L"#32770", caption);
    if (box == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (box == nullptr) return seen;
  seen.found = true;
  wchar_t text[1024]{};
  GetDlgItemTextW(box, 0xFFFF, text, 1024);  // the message's static control
  seen.text = text;
  seen.owner = GetWindow(box, GW_OWNER);
  EnumChildWindows(box, inspect_box_child, reinterpret_cast<LPARAM>(&seen));
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  return seen;
}
