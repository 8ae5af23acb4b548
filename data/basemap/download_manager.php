<?php
// download_manager.php: the window listing the data sets that can be downloaded.
$argv = [$argv[0], 'download_manager.hta', 'Download Manager'];
require __DIR__ . '/not_installed.php';
