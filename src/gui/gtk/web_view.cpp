#include "gui/gtk/web_view.hpp"

#include <webkit2/webkit2.h>

#include "gui/gtk/window.hpp"

namespace bq::gui {
namespace {

// The name under which the page reaches the native side:
// window.webkit.messageHandlers.ipc.
constexpr const char* CHANNEL = "ipc";

// Runs at document start in the top frame, before the page's own scripts.
constexpr const char* IPC_SCRIPT =
    "Object.defineProperty(window, 'ipc', {value: Object.freeze({postMessage: function (message) {"
    " window.webkit.messageHandlers.ipc.postMessage(message); }})});";

// The page is given as text and loads nothing else. Its base is a scheme of
// the program's own with no handler behind it, so a relative reference loads
// nothing and the page may read no file and no site. The scheme is marked
// secure: the page writes its summary through navigator.clipboard, which
// WebKit offers only to secure pages (about:blank is not one).
constexpr const char* PAGE_SCHEME = "bq-page";
constexpr const char* BASE_URI = "bq-page://app/";

void on_script_message(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer data) {
  JSCValue* value = webkit_javascript_result_get_js_value(result);
  if (!jsc_value_is_string(value)) return;
  // As bytes, so that a text holding U+0000 arrives whole.
  GBytes* bytes = jsc_value_to_string_as_bytes(value);
  gsize size = 0;
  const auto* text = static_cast<const char*>(g_bytes_get_data(bytes, &size));
  (*static_cast<PageMessageHandler*>(data))(std::string_view(text != nullptr ? text : "", size));
  g_bytes_unref(bytes);
}

void release_handler(gpointer data, GClosure*) { delete static_cast<PageMessageHandler*>(data); }

void drop_script_result(GObject* web_view, GAsyncResult* result, gpointer) {
  GError* error = nullptr;
  JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(web_view), result, &error);
  if (value != nullptr) g_object_unref(value);
  g_clear_error(&error);
}

}  // namespace

WebContext* create_web_context(const std::string& data_folder) {
  WebKitWebsiteDataManager* data_manager = webkit_website_data_manager_new(
      "base-data-directory", data_folder.c_str(), "base-cache-directory", data_folder.c_str(), nullptr);
  WebKitWebContext* context = webkit_web_context_new_with_website_data_manager(data_manager);
  g_object_unref(data_manager);  // the context holds it
  webkit_security_manager_register_uri_scheme_as_secure(webkit_web_context_get_security_manager(context), PAGE_SCHEME);
  return new WebContext{context};
}

support::Result<WebView*> build_web_view(Window* window, WebContext* context, const std::string& html,
                                         PageMessageHandler on_message) {
  WebKitUserContentManager* content = webkit_user_content_manager_new();
  if (!webkit_user_content_manager_register_script_message_handler(content, CHANNEL)) {
    g_object_unref(content);
    return std::string("the page's message channel could not be registered");
  }
  WebKitUserScript* script = webkit_user_script_new(IPC_SCRIPT, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                                    WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(content, script);
  webkit_user_script_unref(script);
  g_signal_connect_data(content, "script-message-received::ipc", G_CALLBACK(on_script_message),
                        new PageMessageHandler(std::move(on_message)), release_handler, GConnectFlags{});

  GtkWidget* widget = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context->webkit_context,
                                              "user-content-manager", content, nullptr));
  g_object_unref(content);  // the web view holds it, and with it the handler
  if (widget == nullptr) return std::string("WebKit returned no web view");

  WebKitWebView* web_view = WEBKIT_WEB_VIEW(widget);
  // The page is a plain document: no canvas, video or 3D, two short colour
  // and opacity fades. Accelerated compositing would load the GPU driver into
  // the web process, compile shaders for the first frames and keep textures
  // for the page's tiles, all for a later first report and more memory;
  // painted on the CPU the whole window takes a few milliseconds.
  webkit_settings_set_hardware_acceleration_policy(webkit_web_view_get_settings(web_view),
                                                   WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);

  gtk_container_add(GTK_CONTAINER(window->gtk_window), widget);
  gtk_widget_show(widget);
  // The page is the window's whole content: keys go to it from the start.
  gtk_widget_grab_focus(widget);
  webkit_web_view_load_html(web_view, html.c_str(), BASE_URI);
  return new WebView{web_view};
}

void run_script(WebView* web_view, const std::string& script) {
  webkit_web_view_evaluate_javascript(web_view->webkit_view, script.data(), static_cast<gssize>(script.size()), nullptr,
                                      nullptr, nullptr, drop_script_result, nullptr);
}

}  // namespace bq::gui
