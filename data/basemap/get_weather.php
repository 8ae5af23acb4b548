<?php
// get_weather.php: the weather at the Click Point (clickpoint.php), into weather.txt.
$argv = [$argv[0], 'weather.txt', 'Weather'];
require __DIR__ . '/not_installed.php';
