// WebView2.h includes "EventToken.h"; mingw-w64 names that header in lower
// case, which a case-sensitive file system does not match.
#include <eventtoken.h>
