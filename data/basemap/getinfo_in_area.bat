# getinfo_in_area.bat W S E N CIRCLE: what lies inside the query area (MapServerData.hta).
exec basemaptools/php/php basemaptools/getinfo_in_area.php "$@"
