// The threat-zone bridge gets ZEPHA's program place from the friends, the interchange writer for
// its export, and names the zones of every interchange import.
#pragma once

namespace tlv {

void WireThreatZones();

}  // namespace tlv
