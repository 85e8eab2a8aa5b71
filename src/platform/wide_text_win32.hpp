#pragma once
// UTF-8 and the UTF-16 of the Windows API, and the system's error messages,
// for the Windows backends only.

#include <string>
#include <string_view>

namespace bq::platform {

// Each ill-formed UTF-8 sequence becomes U+FFFD. Safe to call from any thread.
std::wstring to_wide(std::string_view text);

// Each unpaired surrogate becomes U+FFFD. Safe to call from any thread.
std::string to_utf8(std::wstring_view text);

// The system's message for a Windows error code in UTF-8, without the line
// break that ends it. Safe to call from any thread.
std::string system_message(unsigned long code);

// The system's message for an HRESULT, then the HRESULT in hex:
// "MESSAGE (0x80070002)". A Win32 error wrapped in an HRESULT gets the message
// of its own code. Safe to call from any thread.
std::string hresult_message(long code);

}  // namespace bq::platform
