// Bringing another program's window to the front for "FRWD", through the X server Qt talks to.
// Off screen and on Wayland no other program's window can be reached.
#include <xcb/xcb.h>

#include <QGuiApplication>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/qt/text_codec.h"
#include "shell/sharing_commands.h"

namespace tlv {

namespace {

template <typename T>
using XcbReply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  XcbReply<xcb_intern_atom_reply_t> reply(
      xcb_intern_atom_reply(
          c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr),
      &std::free);
  return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

// The property's bytes; empty when the window has none.
std::string Property(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property) {
  if (property == XCB_ATOM_NONE) return "";
  XcbReply<xcb_get_property_reply_t> reply(
      xcb_get_property_reply(
          c, xcb_get_property(c, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr),
      &std::free);
  if (!reply) return "";
  const int length = xcb_get_property_value_length(reply.get());
  return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                     static_cast<size_t>(std::max(length, 0)));
}

bool WindowExists(xcb_connection_t* c, xcb_window_t window) {
  XcbReply<xcb_get_window_attributes_reply_t> reply(
      xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr),
      &std::free);
  return reply != nullptr;
}

// The top-level windows: the window manager's client list, else the root's children.
std::vector<xcb_window_t> TopLevelWindows(xcb_connection_t* c, xcb_window_t root) {
  std::vector<xcb_window_t> windows;
  const std::string list = Property(c, root, Atom(c, "_NET_CLIENT_LIST"));
  for (size_t at = 0; at + sizeof(xcb_window_t) <= list.size(); at += sizeof(xcb_window_t)) {
    xcb_window_t window = 0;
    std::memcpy(&window, list.data() + at, sizeof window);
    windows.push_back(window);
  }
  if (!windows.empty()) return windows;
  XcbReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr),
                                        &std::free);
  if (!tree) return windows;
  const xcb_window_t* children = xcb_query_tree_children(tree.get());
  windows.assign(children, children + xcb_query_tree_children_length(tree.get()));
  return windows;
}

bool ClassIs(xcb_connection_t* c, xcb_window_t window, const std::string& name) {
  // WM_CLASS holds the instance name and the class name, each ended by NUL.
  const std::string value = Property(c, window, XCB_ATOM_WM_CLASS);
  const size_t split = value.find('\0');
  if (split == std::string::npos) return false;
  const std::string className = value.substr(split + 1, value.find('\0', split + 1) - split - 1);
  return className == name || value.substr(0, split) == name;
}

bool TitleIs(xcb_connection_t* c, xcb_window_t window, const std::string& name) {
  std::string title = Property(c, window, Atom(c, "_NET_WM_NAME"));
  if (title.empty()) title = Property(c, window, XCB_ATOM_WM_NAME);
  return title == name;
}

}  // namespace

bool BringOtherWindowForward(const std::string& name, const std::string& windowId) {
  auto* x11 =
      qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t* c = x11 != nullptr ? x11->connection() : nullptr;
  if (c == nullptr) return false;
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  if (screen == nullptr) return false;
  const std::string wanted = FromWindows1252(name).toStdString();

  xcb_window_t target = XCB_WINDOW_NONE;
  char* end = nullptr;
  const unsigned long id = std::strtoul(windowId.c_str(), &end, 10);
  if (!windowId.empty() && *end == '\0' && id != 0 && id <= UINT32_MAX &&
      WindowExists(c, static_cast<xcb_window_t>(id))) {
    target = static_cast<xcb_window_t>(id);
  }
  const std::vector<xcb_window_t> windows = TopLevelWindows(c, screen->root);
  for (const xcb_window_t window : windows) {
    if (target != XCB_WINDOW_NONE) break;
    if (ClassIs(c, window, wanted)) target = window;
  }
  for (const xcb_window_t window : windows) {
    if (target != XCB_WINDOW_NONE) break;
    if (TitleIs(c, window, wanted)) target = window;
  }
  if (target == XCB_WINDOW_NONE) return false;

  // The window manager restores a minimised window it is asked to activate.
  xcb_client_message_event_t activate{};
  activate.response_type = XCB_CLIENT_MESSAGE;
  activate.format = 32;
  activate.window = target;
  activate.type = Atom(c, "_NET_ACTIVE_WINDOW");
  activate.data.data32[0] = 2;  // from a program that acts for the user
  activate.data.data32[1] = XCB_CURRENT_TIME;
  xcb_send_event(c, 0, screen->root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&activate));
  xcb_map_window(c, target);
  const uint32_t above = XCB_STACK_MODE_ABOVE;
  xcb_configure_window(c, target, XCB_CONFIG_WINDOW_STACK_MODE, &above);
  xcb_flush(c);
  return true;
}

}  // namespace tlv
