# check_for_updates.bat: looks for a newer package (updates.txt).
exec basemaptools/php/php basemaptools/not_installed.php updates.txt "Checking for updates"
