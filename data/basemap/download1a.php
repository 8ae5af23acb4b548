<?php
// download1a.php: downloads map features for the view into the package.
$argv = [$argv[0], 'downloads.txt', 'Downloading map features'];
require __DIR__ . '/not_installed.php';
