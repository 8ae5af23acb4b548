# getinfo_by_query.bat: the query window of the package; the area look-ups cover it here.
exec basemaptools/php/php basemaptools/not_installed.php getinfo_query.hta "Querying basemap layers"
