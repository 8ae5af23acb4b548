<?php
// The start of every render script the program writes (Temp/makemap.php): opens the package's
// map and gives the script the calls it is written with, on top of the MapScript binding
// installed here. The program runs the script from its own folder, so paths are relative to it
// unless the exchange folder is named in TOLVANE_EXCHANGE.

$basemapTools = __DIR__;
$exchange = getenv('TOLVANE_EXCHANGE');
if ($exchange === false || $exchange === '') {
    $exchange = dirname(realpath($_SERVER['SCRIPT_FILENAME']));
}
$exchange = rtrim($exchange, '/') . '/';

// The first line of php_error.txt is what the program shows as the render's error.
function basemapWriteError($text)
{
    global $exchange;
    $line = str_replace(["\r", "\n"], ' ', $text);
    @file_put_contents($exchange . 'php_error.txt', $line . "\n", FILE_APPEND);
}

function myErrorHandler($errno, $errstr, $errfile = '', $errline = 0)
{
    if (!(error_reporting() & $errno)) {
        return false;
    }
    basemapWriteError('[PHP Error]: ' . $errstr . ' (' . basename($errfile) . ':' . $errline . ')');
    return true;
}

// The binding throws where the older one warned; the program reads the same first line.
set_exception_handler(function ($e) {
    $message = $e->getMessage();
    if (strpos($message, '[MapServer Error]') !== 0) {
        $message = '[MapServer Error]: ' . $message;
    }
    basemapWriteError($message);
    exit(1);
});

if (!extension_loaded('mapscript')) {
    basemapWriteError('[MapServer Error]: the PHP MapScript extension is not installed');
    exit(1);
}

// A layer as the render scripts use it: set("status", MS_ON) and the binding's own members.
class BasemapLayer
{
    public $layer;
    public function __construct($layer)
    {
        $this->layer = $layer;
    }
    public function set($name, $value)
    {
        $this->layer->$name = $value;
        return MS_SUCCESS;
    }
    public function __get($name)
    {
        return $this->layer->$name;
    }
    public function __set($name, $value)
    {
        $this->layer->$name = $value;
    }
    public function __call($name, $arguments)
    {
        return $this->layer->$name(...$arguments);
    }
}

// A rectangle with set("minx", …) as the render scripts write it.
class BasemapRect
{
    public $rect;
    public function __construct()
    {
        $this->rect = new rectObj();
    }
    public function set($name, $value)
    {
        $this->rect->$name = (float) $value;
        return MS_SUCCESS;
    }
    public function __get($name)
    {
        return $this->rect->$name;
    }
    public function __call($name, $arguments)
    {
        return $this->rect->$name(...$arguments);
    }
}

// The drawn picture: saveImage(f) stores it as PNG.
class BasemapImage
{
    public $image;
    public function __construct($image)
    {
        $this->image = $image;
    }
    public function saveImage($path)
    {
        return $this->image->save($path);
    }
    public function __call($name, $arguments)
    {
        return $this->image->$name(...$arguments);
    }
}

class BasemapMap
{
    public $map;
    public function __construct($map)
    {
        $this->map = $map;
    }
    public function setsize($width, $height)
    {
        return $this->map->setSize((int) $width, (int) $height);
    }
    // The second argument asks for the map's units to follow the projection, which the scale
    // of the layers' zoom limits is reckoned in.
    public function setProjection($projection, $setUnits = MS_TRUE)
    {
        $status = $this->map->setProjection($projection);
        if ($setUnits) {
            $this->map->units = preg_match('/(^|[ ,+])proj=(longlat|latlong)/', $projection) ? MS_DD : MS_METERS;
        }
        return $status;
    }
    public function getLayerByName($name)
    {
        $layer = $this->map->getLayerByName($name);
        if ($layer === null) {
            throw new Exception("[MapServer Error]: getLayerByName(): no layer named $name");
        }
        return new BasemapLayer($layer);
    }
    public function draw()
    {
        return new BasemapImage($this->map->draw());
    }
    public function __get($name)
    {
        return $this->map->$name;
    }
    public function __call($name, $arguments)
    {
        return $this->map->$name(...$arguments);
    }
}

function ms_newPointObj()
{
    return new pointObj();
}

function ms_newRectObj()
{
    return new BasemapRect();
}

// The package's map; BasemapFiles/Settings/global.map only marks the maps folder.
$oMap = new BasemapMap(new mapObj($basemapTools . '/basemap.map'));

// The render scripts call this before anything else. The map file lists the layers in drawing
// order (land first, the query area last) and nothing reorders them, so there is nothing to do.
function setLayerDrawOrder()
{
}
