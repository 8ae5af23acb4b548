<?php
// connected.php: whether the package's look-ups can answer, into connected.txt ("1" or "0").
// This package answers from its own data, so it needs no Internet connection: it answers "1"
// when that data is in place.
require __DIR__ . '/lookups.php';
lookupWrite('connected.txt', is_file(__DIR__ . '/data/places.shp') ? "1\n" : "0\n");
