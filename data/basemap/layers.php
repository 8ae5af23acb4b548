<?php
// layers.php: the Basemap Builder window (layers.hta) listing the layers of the package's map.
require __DIR__ . '/lookups.php';
$map = lookupMap();
$rows = '';
for ($i = 0; $i < $map->numlayers; $i++) {
    $layer = $map->getLayer($i);
    $data = $layer->data !== '' ? $layer->data : '(drawn by the program)';
    $rows .= '<tr><td>' . lookupHtml($layer->name) . '</td><td>' . lookupHtml($layer->group) . '</td><td>'
        . lookupHtml($data) . "</td></tr>\n";
}
lookupWindow('layers.hta', 'Basemap Builder',
    "<p>The layers of this offline basemap, in drawing order. The basemap button shows the group \"basemap\".</p>\n"
    . "<table border=\"1\"><tr><th>Layer</th><th>Group</th><th>Data</th></tr>\n$rows</table>");
