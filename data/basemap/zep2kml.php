<?php
// zep2kml.php FILE.mie
// Converts ZEPHA's threat zones, exported as interchange text, into zepha_polygons.kml (areas and
// lines) and zepha_points.kml beside the file, with the run summary zep_ftp.txt of the same
// folder as their description. The converter is started with an argument list, never through a
// shell, so paths with blanks, quotes or "$" pass whole. When both files are made, the window
// zepha_kml.hta names them, since nobody would look for them in the exchange folder.
// The exit status is the converter's.
if ($argc < 2) {
    fwrite(STDERR, "usage: zep2kml.php FILE.mie\n");
    exit(64);
}
$mie = $argv[1];
$folder = dirname($mie) . '/';
$converter = __DIR__ . '/bin/tolvane-convert';
$pipes = [];
$process = proc_open(
    [$converter, 'mie2kml', $mie],
    [0 => ['file', '/dev/null', 'r'], 1 => STDOUT, 2 => STDERR],
    $pipes
);
if (!is_resource($process)) {
    fwrite(STDERR, "zep2kml: cannot start $converter\n");
    exit(1);
}
$status = proc_close($process);
$polygons = $folder . 'zepha_polygons.kml';
$points = $folder . 'zepha_points.kml';
if ($status !== 0 || !is_file($polygons) || !is_file($points)) {
    exit($status !== 0 ? $status : 1);
}

function zepHtml($text)
{
    return htmlspecialchars($text, ENT_QUOTES | ENT_SUBSTITUTE, 'UTF-8');
}

$link = function ($path, $what) {
    return '<p>' . zepHtml($what) . ':<br><a href="file://' . zepHtml(zepUrlPath($path)) . '">'
        . zepHtml($path) . "</a></p>\n";
};

function zepUrlPath($path)
{
    return implode('/', array_map('rawurlencode', explode('/', $path)));
}

$page = "<html><head><title>TOLVANE - KML Export</title></head>\n<body>\n<h2>KML Export</h2>\n"
    . "<p>The ZEPHA threat zones were written as KML files, which mapping programs and "
    . "virtual globes open.</p>\n"
    . $link($polygons, 'Threat zones, confidence lines and other areas and lines')
    . $link($points, 'Points (the release point)')
    . "</body></html>\n";
if (file_put_contents($folder . 'zepha_kml.hta', $page) === false) {
    fwrite(STDERR, "zep2kml: cannot write {$folder}zepha_kml.hta\n");
}
exit(0);
