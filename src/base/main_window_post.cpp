#include <atomic>

#include "base/platform.h"

namespace tlv {

namespace {
// Read from the message library's thread while the user-interface thread may install it.
std::atomic<MainWindowPoster> installedPoster{nullptr};
}  // namespace

void InstallMainWindowPoster(MainWindowPoster poster) {
  installedPoster.store(poster);
}

bool PostMainWindowMessage(int32_t message, int64_t param1, int64_t param2) {
  const MainWindowPoster poster = installedPoster.load();
  return poster != nullptr && poster(message, param1, param2);
}

}  // namespace tlv
