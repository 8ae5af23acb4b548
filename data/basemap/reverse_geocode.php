<?php
// reverse_geocode.php LAT LON: the nearest place, the county and the state of a point, into
// reverse_geocode.txt.
require __DIR__ . '/lookups.php';
[$lat, $lon] = lookupArguments(2);
$lines = [];
$place = lookupNearestPlace($lon, $lat);
if ($place !== null) {
    $where = $place['state'] !== '' ? $place['state'] : $place['country'];
    $miles = $place['miles'];
    $lines[] = $miles < 0.5
        ? sprintf('In %s, %s', $place['name'], $where)
        : sprintf('%.1f miles %s of %s, %s', $miles, lookupBearing($place['lon'], $place['lat'], $lon, $lat), $place['name'], $where);
}
$county = lookupAtPoint('counties', $lon, $lat);
if ($county !== null) {
    $lines[] = $county['name'] . ' County';
    $state = lookupStateName(substr($county['id'], 0, 2));
    if ($state !== '') {
        $lines[] = $state;
    }
} else {
    $state = lookupAtPoint('states', $lon, $lat);
    if ($state !== null) {
        $lines[] = $state['name'];
    }
}
lookupWrite('reverse_geocode.txt', $lines ? implode("\n", $lines) . "\n" : '');
