// The reference view in use: the one the user chose, or, once the map has moved outside it, the
// smallest saved view that holds the current view; and its thumbnail, read once per view.
#pragma once

#include "catalogue/views.h"
#include "geometry/screen.h"
#include "render/draw_port.h"
#include "render/reference_view.h"

namespace tlv {

// The view whose inset is drawn (scale -1: none).
const ViewRecord& ReferenceViewInUse();
// Set Reference View's choice: stored in the settings and used at once.
void ChooseReferenceView(const ViewRecord& view);
// After every view change: back to the chosen view when it holds the current view again (grown
// by 2 map pixels), else, when the view in use no longer holds it, the smallest view that does.
// Nothing changes while the inset is hidden or "allow any view in reference" is on.
void UpdateReferenceView();
// Draws the inset over the map when it is shown and a view is in use. A thumbnail that is
// missing or cannot be read is said once per view, not on every pass.
void DrawReferenceViewInset(DrawPort& port, const ViewMapping& mapping);

// Whether the inset is drawn now (shown, a view in use, its thumbnail readable).
bool ReferenceInsetDrawn();
// Steps the screen marker's dash phase to the next of its 8 states.
void StepReferenceMarkerPhase();

// The inset's layout on a device of the kind and resolution over the mapping, as
// DrawReferenceViewInset draws it; false when no inset is drawn.
bool ReferenceInsetLayoutFor(DeviceKind kind, double pixelsPerInch, const ViewMapping& mapping,
                             ReferenceInsetLayout& layout);

void ResetReferenceViewsForTesting();

}  // namespace tlv
