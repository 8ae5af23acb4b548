<?php
// Look-ups in the package's own data: places, counties, states and ZIP codes, all offline.
// The tools include this; each writes its answer into the exchange folder.

$basemapTools = __DIR__;
$exchange = getenv('TOLVANE_EXCHANGE');
if ($exchange === false || $exchange === '') {
    // Started from the program folder with a maps folder beside it.
    $maps = getenv('TOLVANE_MAPS');
    $exchange = ($maps !== false && $maps !== '' ? rtrim($maps, '/') : 'TolvaneMaps') . '/BasemapFiles/Temp';
}
$exchange = rtrim($exchange, '/') . '/';

const MILES_PER_DEGREE = 69.0934;

function lookupMap()
{
    static $map = null;
    if ($map === null) {
        $map = new mapObj(__DIR__ . '/basemap.map');
    }
    return $map;
}

// The rows a query left in a layer, each as name => value with its shape.
function lookupResults($layer)
{
    $rows = [];
    $items = [];
    $layer->open();
    for ($i = 0; $i < $layer->numitems; $i++) {
        $items[] = $layer->getItem($i);
    }
    for ($i = 0; $i < $layer->getNumResults(); $i++) {
        $shape = $layer->getShape($layer->getResult($i));
        $row = ['shape' => $shape];
        foreach ($items as $index => $item) {
            $row[$item] = $shape->getValue($index);
        }
        $rows[] = $row;
    }
    $layer->close();
    return $rows;
}

function lookupLayer($name)
{
    $layer = lookupMap()->getLayerByName($name);
    $layer->status = MS_ON;
    return $layer;
}

function lookupInRect($name, $west, $south, $east, $north)
{
    $layer = lookupLayer($name);
    $rect = new rectObj($west, $south, $east, $north);
    if (@$layer->queryByRect(lookupMap(), $rect) !== MS_SUCCESS) {
        return [];
    }
    return lookupResults($layer);
}

function lookupAtPoint($name, $lon, $lat)
{
    $layer = lookupLayer($name);
    if (@$layer->queryByPoint(lookupMap(), new pointObj($lon, $lat), MS_SINGLE, -1) !== MS_SUCCESS) {
        return null;
    }
    $rows = lookupResults($layer);
    return $rows ? $rows[0] : null;
}

function lookupByAttribute($name, $item, $value)
{
    $layer = lookupLayer($name);
    $quoted = str_replace('"', '', $value);
    if (@$layer->queryByAttributes(lookupMap(), $item, '("[' . $item . ']" == "' . $quoted . '")', MS_MULTIPLE) !== MS_SUCCESS) {
        return [];
    }
    return lookupResults($layer);
}

// Great-circle distance in miles.
function lookupMiles($lon1, $lat1, $lon2, $lat2)
{
    $r = M_PI / 180;
    $a = sin(($lat2 - $lat1) * $r / 2) ** 2 + cos($lat1 * $r) * cos($lat2 * $r) * sin(($lon2 - $lon1) * $r / 2) ** 2;
    return 3958.76 * 2 * atan2(sqrt($a), sqrt(1 - $a));
}

function lookupBearing($fromLon, $fromLat, $toLon, $toLat)
{
    $dx = ($toLon - $fromLon) * cos($fromLat * M_PI / 180);
    $dy = $toLat - $fromLat;
    $names = ['E', 'NE', 'N', 'NW', 'W', 'SW', 'S', 'SE'];
    $index = (int) round(atan2($dy, $dx) / (M_PI / 4));
    return $names[($index + 8) % 8];
}

function lookupPointOf($row)
{
    $line = $row['shape']->get(0);
    $point = $line->get(0);
    return [$point->x, $point->y];
}

function lookupNearestPlace($lon, $lat)
{
    foreach ([0.1, 0.3, 1, 3, 10] as $reach) {
        $best = null;
        foreach (lookupInRect('places', $lon - $reach, $lat - $reach, $lon + $reach, $lat + $reach) as $row) {
            [$x, $y] = lookupPointOf($row);
            $row['miles'] = lookupMiles($lon, $lat, $x, $y);
            $row['lon'] = $x;
            $row['lat'] = $y;
            if ($best === null || $row['miles'] < $best['miles']) {
                $best = $row;
            }
        }
        if ($best !== null) {
            return $best;
        }
    }
    return null;
}

function lookupStateName($fips)
{
    foreach (lookupByAttribute('states', 'id', $fips) as $row) {
        return $row['name'];
    }
    return '';
}

// The places inside a test; the people of each counted once.
function lookupPlacesInside($west, $south, $east, $north, callable $inside)
{
    $found = [];
    foreach (lookupInRect('places', $west, $south, $east, $north) as $row) {
        [$x, $y] = lookupPointOf($row);
        if ($inside($x, $y)) {
            $found[] = ['name' => $row['name'], 'state' => $row['state'], 'country' => $row['country'],
                        'population' => (int) $row['population'], 'lon' => $x, 'lat' => $y];
        }
    }
    usort($found, fn ($a, $b) => $b['population'] <=> $a['population']);
    return $found;
}

function lookupArguments($count)
{
    global $argv;
    $values = [];
    for ($i = 1; $i <= $count; $i++) {
        if (!isset($argv[$i]) || !is_numeric(trim($argv[$i]))) {
            fwrite(STDERR, basename($argv[0]) . ": expected $count numbers\n");
            exit(64);
        }
        $values[] = (float) trim($argv[$i]);
    }
    return $values;
}

function lookupWrite($name, $text)
{
    global $exchange;
    if (file_put_contents($exchange . $name, $text) === false) {
        fwrite(STDERR, "cannot write $exchange$name\n");
        exit(1);
    }
}

function lookupHtml($text)
{
    return htmlspecialchars($text, ENT_QUOTES | ENT_SUBSTITUTE, 'UTF-8');
}

// A package window: an HTML page the program shows, titled "TOLVANE - …".
function lookupWindow($name, $title, $body)
{
    lookupWrite($name, "<html><head><title>TOLVANE - " . lookupHtml($title) . "</title></head>\n<body>\n<h2>"
        . lookupHtml($title) . "</h2>\n" . $body . "\n</body></html>\n");
}

function lookupPopulationPage($heading, $places)
{
    $total = 0;
    $rows = '';
    foreach ($places as $place) {
        $total += $place['population'];
        $where = $place['state'] !== '' ? $place['state'] : $place['country'];
        $rows .= '<tr><td>' . lookupHtml($place['name']) . '</td><td>' . lookupHtml($where)
            . '</td><td align="right">' . number_format($place['population']) . "</td></tr>\n";
    }
    $body = '<p>' . lookupHtml($heading) . '</p>'
        . '<p><b>' . number_format($total) . ' people</b> live in the ' . count($places)
        . ' places inside.</p>'
        . '<p>Only the people of the places this basemap lists (US places of at least 1,000 people'
        . ' and cities of at least 100,000 elsewhere) are counted; others are not.</p>'
        . "<table border=\"1\"><tr><th>Place</th><th>State</th><th>People</th></tr>\n" . $rows . '</table>';
    lookupWindow('population.hta', 'Population', $body);
}

function lookupInsideArea($west, $south, $east, $north, $circle)
{
    if (!$circle) {
        return fn ($x, $y) => $x >= $west && $x <= $east && $y >= $south && $y <= $north;
    }
    // The circle inscribed in the area's width, drawn as the program draws it.
    $cx = ($west + $east) / 2;
    $cy = ($south + $north) / 2;
    $r = ($east - $west) / 2;
    $squeeze = cos($north * M_PI / 180);
    return function ($x, $y) use ($cx, $cy, $r, $squeeze) {
        $dx = ($x - $cx) / $r;
        $dy = $squeeze > 0 ? ($y - $cy) / ($r * $squeeze) : 0;
        return $dx * $dx + $dy * $dy <= 1;
    };
}
