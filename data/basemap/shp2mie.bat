# shp2mie.bat FILE.shp: converts a shapefile into shapefile_import.mie for the program to import.
if [ -z "$1" ]; then
  echo "shp2mie.bat: no shapefile given" >&2
  exit 64
fi
exchange="${TOLVANE_EXCHANGE:-TolvaneMaps/BasemapFiles/Temp/}"
exec basemaptools/bin/tolvane-convert shp2mie "$1" "${exchange%/}/shapefile_import.mie"
