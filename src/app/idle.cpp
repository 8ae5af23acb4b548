#include "app/idle.h"

#include <utility>
#include <vector>

#include "app/shell_services.h"

namespace tlv {

namespace {

int32_t queuedChanges = 0;
int32_t redrawCountdown = 0;
std::vector<std::function<void()>> deferred;

}  // namespace

int32_t QueuedChangeCount() {
  return queuedChanges;
}
void AddQueuedChanges(int32_t count) {
  queuedChanges += count;
}
void ClearQueuedChanges() {
  queuedChanges = 0;
}
void SetRedrawCountdown(int32_t steps) {
  redrawCountdown = steps;
}
int32_t RedrawCountdown() {
  return redrawCountdown;
}
void DeferWork(std::function<void()> job) {
  deferred.push_back(std::move(job));
}

bool RunIdleWork(bool inForeground) {
  // Jobs may defer further jobs; those wait for the next step.
  std::vector<std::function<void()>> jobs;
  jobs.swap(deferred);
  for (auto& job : jobs) job();

  bool redraw = false;
  if (queuedChanges >= kQueuedChangesForRedraw && inForeground) {
    queuedChanges = 0;
    redraw = true;
  }
  if (redrawCountdown > 0) {
    --redrawCountdown;
    if (redrawCountdown == 0) redraw = true;
  }
  if (redraw) Shell().InvalidateMap();
  return redraw;
}

void ResetIdleWorkForTesting() {
  queuedChanges = 0;
  redrawCountdown = 0;
  deferred.clear();
}

}  // namespace tlv
