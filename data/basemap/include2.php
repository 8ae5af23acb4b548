<?php
// The middle of every render script: the button layers and the query area, after the script has
// set $basemapOn, $photoOn and $topoOn for the buttons that are on.

foreach (['below_scale.txt', 'above_scale.txt'] as $note) {
    @unlink($exchange . $note);
}

$basemapShown = !empty($basemapOn);
for ($i = 0; $i < $oMap->numlayers; $i++) {
    $layer = $oMap->getLayer($i);
    if ($layer->group === 'basemap') {
        $layer->status = $basemapShown ? MS_ON : MS_OFF;
    }
}

// No photographs come with this package; the topographic layer is the elevation raster when
// one is installed. Either missing reads as "not available at this zoom level".
if (!empty($photoOn)) {
    @file_put_contents($exchange . 'above_scale.txt', "1\n");
}
if (!empty($topoOn)) {
    if (is_file($basemapTools . '/data/elevation.tif')) {
        $oMap->getLayerByName('topo')->set('status', MS_ON);
    } else {
        @file_put_contents($exchange . 'above_scale.txt', "1\n");
    }
}

// The query area's outline: its ring from circle.map or rect.map, one "LON LAT" a line.
function basemapRingShape($path)
{
    $text = @file_get_contents($path);
    if ($text === false) {
        return null;
    }
    $line = new lineObj();
    foreach (preg_split('/\r?\n/', $text) as $row) {
        $fields = preg_split('/\s+/', trim($row));
        if (count($fields) >= 2 && is_numeric($fields[0]) && is_numeric($fields[1])) {
            $line->add(new pointObj((float) $fields[0], (float) $fields[1]));
        }
    }
    if ($line->numpoints < 4) {
        return null;
    }
    $shape = new shapeObj(MS_SHAPE_POLYGON);
    $shape->add($line);
    return $shape;
}

function basemapShowQueryArea($layerName, $file)
{
    global $oMap, $exchange;
    $shape = basemapRingShape($exchange . $file);
    if ($shape !== null) {
        $oMap->getLayerByName($layerName)->addFeature($shape);
    }
}
basemapShowQueryArea('query_circle', 'circle.map');
basemapShowQueryArea('query_rect', 'rect.map');

// Nothing of this package is downloaded: it works offline.
@file_put_contents($exchange . 'downloadsavailable.txt', '00');
