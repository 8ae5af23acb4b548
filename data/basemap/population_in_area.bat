# population_in_area.bat W S E N CIRCLE: the people inside the query area (population.hta).
exec basemaptools/php/php basemaptools/population.php area "$@"
