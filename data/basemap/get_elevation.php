<?php
// get_elevation.php LAT LON: the elevation at a point from basemaptools/data/elevation.tif,
// into elevation.txt. Without that file the package has no elevation data.
require __DIR__ . '/lookups.php';
// runtool passes "LAT&LON" as a page link writes it.
if ($argc == 2 && strpos($argv[1], '&') !== false) {
    $argv = array_merge([$argv[0]], explode('&', $argv[1]));
    $argc = count($argv);
}
if ($argc < 3) {
    // Without a point the Click Point the program last wrote is used.
    $click = @file_get_contents($exchange . 'clickpoint.php');
    if ($click !== false && preg_match('/setXY\(([-0-9.]+),([-0-9.]+)\)/', $click, $m)) {
        $argv = [$argv[0], $m[2], $m[1]];
    }
}
[$lat, $lon] = lookupArguments(2);
$tif = __DIR__ . '/data/elevation.tif';
if (!is_file($tif)) {
    lookupWrite('elevation.txt', "No elevation data is installed.\n");
    exit(0);
}
$layer = lookupLayer('topo');
$layer->template = 'lookup';
$text = "No elevation is known at this point.\n";
if (@$layer->queryByPoint(lookupMap(), new pointObj($lon, $lat), MS_SINGLE, -1) === MS_SUCCESS) {
    foreach (lookupResults($layer) as $row) {
        if (isset($row['value_0']) && is_numeric($row['value_0'])) {
            $metres = (float) $row['value_0'];
            $text = sprintf("Elevation at %.5f, %.5f: %.0f m (%.0f ft)\n", $lat, $lon, $metres, $metres / 0.3048);
        }
    }
}
lookupWrite('elevation.txt', $text);
