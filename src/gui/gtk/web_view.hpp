#pragma once
// What a WebContext and a WebView are under WebKitGTK, for the GTK test
// tools that look inside them.

#include "gui/web_view.hpp"

typedef struct _WebKitWebContext WebKitWebContext;
typedef struct _WebKitWebView WebKitWebView;

namespace bq::gui {

struct WebContext {
  WebKitWebContext* webkit_context;
};

struct WebView {
  WebKitWebView* webkit_view;
};

}  // namespace bq::gui
