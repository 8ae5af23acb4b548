# download_tiger3.bat: downloads data sets into the package.
exec basemaptools/php/php basemaptools/not_installed.php downloads.txt "Downloading data sets"
