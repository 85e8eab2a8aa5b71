#pragma once
// The event loop's proxy as the bridge sees it, apart from the bridge so that
// the toolkit layer that makes it needs nothing else of the shell.

#include <functional>
#include <string>

namespace bq::shell {

// Hands a script text to the UI thread, which runs it in the page. Copies may
// be used from any thread; a send never blocks and returns false once the
// event loop is gone (the script is then dropped).
using EventLoopProxy = std::function<bool(std::string script)>;

}  // namespace bq::shell
