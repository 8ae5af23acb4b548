# address_geocode.bat TEXT: finds a ZIP code or "Place, ST" (address_geocode.txt).
exec basemaptools/php/php basemaptools/address_geocode.php "$@"
