// What the basemap bridge asks of the layers beside it: the selected area objects written as
// interchange text for the package's selection tools, and the package's converted shapefile
// imported onto the maps.
#pragma once

#include <cstdint>
#include <string>

namespace tlv {

struct BasemapHooks;

// Fills exportSelectedAreas and importInterchange.
void FillBasemapCoreHooks(BasemapHooks& hooks);

// File > Import of a shapefile: the package's shp2mie converts it, the result is imported.
int32_t ImportShapefileThroughBasemap(const std::string& path);

}  // namespace tlv
