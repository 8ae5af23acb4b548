<?php
// population.php radius LAT LON [MILES] | area W S E N CIRCLE
// The people of the places inside a circle around a point or inside the query area, as the
// window population.hta. The radius circle is left in circle.map for the map to show.
require __DIR__ . '/lookups.php';
$mode = $argv[1] ?? '';
array_splice($argv, 1, 1);
if ($mode === 'radius') {
    [$lat, $lon] = lookupArguments(2);
    $miles = isset($argv[3]) && is_numeric($argv[3]) && $argv[3] > 0 ? (float) $argv[3] : 5.0;
    $dy = $miles / MILES_PER_DEGREE;
    $dx = $dy / max(0.01, cos($lat * M_PI / 180));
    $places = lookupPlacesInside($lon - $dx, $lat - $dy, $lon + $dx, $lat + $dy,
        fn ($x, $y) => lookupMiles($lon, $lat, $x, $y) <= $miles);
    $ring = '';
    for ($i = 0; $i <= 100; $i++) {
        $a = 2 * M_PI * ($i % 100) / 100;
        $ring .= sprintf("%f %f \n", $lon + $dx * cos($a), $lat + $dy * sin($a));
    }
    lookupWrite('circle.map', $ring);
    lookupPopulationPage(sprintf('Within %.1f miles of %.5f, %.5f', $miles, $lat, $lon), $places);
} elseif ($mode === 'area') {
    [$west, $south, $east, $north, $circle] = lookupArguments(5);
    $places = lookupPlacesInside($west, $south, $east, $north,
        lookupInsideArea($west, $south, $east, $north, $circle != 0));
    lookupPopulationPage(($circle != 0 ? 'Inside the circle' : 'Inside the rectangle')
        . sprintf(' %.5f, %.5f to %.5f, %.5f', $south, $west, $north, $east), $places);
} else {
    fwrite(STDERR, "usage: population.php radius LAT LON [MILES] | area W S E N CIRCLE\n");
    exit(64);
}
