<?php
// mie2shp.php FILE.mie POINT|POLYLINE|POLYGON
// Converts the interchange file into the shapefile set mie.shp, mie.shx, mie.dbf and mie.prj
// beside it. The converter is started with an argument list, never through a shell, so paths
// with blanks, quotes or "$" pass whole. The exit status is the converter's.
if ($argc < 3) {
    fwrite(STDERR, "usage: mie2shp.php FILE.mie POINT|POLYLINE|POLYGON\n");
    exit(64);
}
$mie = $argv[1];
$kind = $argv[2];
$out = dirname($mie) . '/mie';
$converter = __DIR__ . '/bin/tolvane-convert';
$pipes = [];
$process = proc_open(
    [$converter, 'mie2shp', $mie, $kind, $out],
    [0 => ['file', '/dev/null', 'r'], 1 => STDOUT, 2 => STDERR],
    $pipes
);
if (!is_resource($process)) {
    fwrite(STDERR, "mie2shp: cannot start $converter\n");
    exit(1);
}
exit(proc_close($process));
