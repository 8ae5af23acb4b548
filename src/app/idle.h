// Work that waits for the idle step: queued map changes that lead to a redraw, the redraw
// count-down, and deferred jobs other parts of the program hand over.
#pragma once

#include <cstdint>
#include <functional>

namespace tlv {

// Changes waiting to be drawn; at 1000 (in the foreground) the idle step redraws.
int32_t QueuedChangeCount();
void AddQueuedChanges(int32_t count);
void ClearQueuedChanges();
// The idle step counts this down by one per step and redraws when it goes from 1 to 0.
void SetRedrawCountdown(int32_t steps);
int32_t RedrawCountdown();
// A job run once by the next idle step.
void DeferWork(std::function<void()> job);

// Runs the deferred jobs and the redraw rules; returns true when a redraw was asked for.
bool RunIdleWork(bool inForeground);
void ResetIdleWorkForTesting();

constexpr int32_t kQueuedChangesForRedraw = 1000;

}  // namespace tlv
