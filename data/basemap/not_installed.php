<?php
// The online services of a basemap package (weather, data downloads, updates): this package
// works offline, so each says so in its result file.
//   not_installed.php FILE WHAT
require __DIR__ . '/lookups.php';
$file = basename($argv[1] ?? 'notice.txt');
$what = $argv[2] ?? 'This service';
$text = "$what is not installed: this basemap package works offline.\n";
if (substr($file, -4) === '.hta') {
    lookupWindow($file, $what, '<p>' . lookupHtml($text) . '</p>');
} else {
    lookupWrite($file, $text);
}
