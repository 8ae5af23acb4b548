# population_in_radius.bat LAT LON [MILES]: the people within a radius (population.hta).
exec basemaptools/php/php basemaptools/population.php radius "$@"
