<?php
// address_geocode.php TEXT: a ZIP code, or "Place, ST", to a latitude and longitude in
// address_geocode.txt; "0", "0" and a third line saying why when nothing matches.
require __DIR__ . '/lookups.php';
$text = trim($argv[1] ?? '');
$found = null;
$why = '';
if (preg_match('/^(\d{5})(-\d{4})?$/', $text, $m)) {
    $rows = lookupByAttribute('zipcodes', 'zip', $m[1]);
    if ($rows) {
        [$x, $y] = lookupPointOf($rows[0]);
        $found = [$y, $x];
    } else {
        $why = "The ZIP code $m[1] is not in this basemap's list.";
    }
} elseif (preg_match('/^(.+?),\s*([A-Za-z]{2})$/', $text, $m)) {
    $best = null;
    foreach (lookupByAttribute('places', 'state', strtoupper($m[2])) as $row) {
        if (strcasecmp(trim($row['name']), trim($m[1])) === 0 &&
            ($best === null || (int) $row['population'] > (int) $best['population'])) {
            $best = $row;
        }
    }
    if ($best !== null) {
        [$x, $y] = lookupPointOf($best);
        $found = [$y, $x];
    } else {
        $why = "No place named \"$m[1]\" in " . strtoupper($m[2]) . " is in this basemap's list.";
    }
} else {
    $why = 'Give a ZIP code (22747) or a place and state ("Washington, VA"): street addresses need an online service.';
}
if ($found !== null) {
    lookupWrite('address_geocode.txt', sprintf("%.6f\n%.6f\n", $found[0], $found[1]));
} else {
    lookupWrite('address_geocode.txt', "0\n0\n" . $why . "\n");
}
