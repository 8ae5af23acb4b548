# import2mapfile.bat: adds downloaded data sets to the map.
exec basemaptools/php/php basemaptools/not_installed.php downloads.txt "Importing data sets"
