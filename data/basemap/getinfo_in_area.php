<?php
// getinfo_in_area.php W S E N CIRCLE: what the basemap shows inside the query area (states,
// counties, places, ZIP codes) as the window MapServerData.hta.
require __DIR__ . '/lookups.php';
[$west, $south, $east, $north, $circle] = lookupArguments(5);
$inside = lookupInsideArea($west, $south, $east, $north, $circle != 0);
$sections = '';
foreach (['states' => 'States', 'counties' => 'Counties'] as $layer => $heading) {
    $names = [];
    foreach (lookupInRect($layer, $west, $south, $east, $north) as $row) {
        $names[] = lookupHtml($row['name']);
    }
    sort($names);
    $sections .= "<h3>$heading (" . count($names) . ")</h3><p>" . implode(', ', array_unique($names)) . "</p>\n";
}
$places = lookupPlacesInside($west, $south, $east, $north, $inside);
$list = array_map(fn ($p) => lookupHtml($p['name']) . ' (' . number_format($p['population']) . ')', $places);
$sections .= '<h3>Places (' . count($places) . ')</h3><p>' . implode(', ', $list) . "</p>\n";
$zips = [];
foreach (lookupInRect('zipcodes', $west, $south, $east, $north) as $row) {
    [$x, $y] = lookupPointOf($row);
    if ($inside($x, $y)) {
        $zips[] = lookupHtml($row['zip'] . ' ' . $row['city']);
    }
}
sort($zips);
$sections .= '<h3>ZIP codes (' . count($zips) . ')</h3><p>' . implode(', ', $zips) . "</p>\n";
$sections .= '<p><a href="runtool:get_elevation.php?' . sprintf('%.5f&%.5f', ($south + $north) / 2, ($west + $east) / 2)
    . '">Elevation at the centre</a></p>';
lookupWindow('MapServerData.hta', 'Information About Selected Basemap Layers', $sections);
