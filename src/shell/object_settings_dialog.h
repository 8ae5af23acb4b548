// The Object Settings dialog: the name and prefix, overlay and map, colour (the 16 colours or a
// custom one), line, fill pattern, symbol, text, the coordinates in the preferred format (typing
// new ones moves the object) and the ID of one object. It opens for a new object before it is
// made (prefilled with its overlay's default graphics) and, through Object Settings... (401 and
// the pop-up's 20401) or a double click, for the selected object.
#pragma once

#include <cstdint>
#include <string>

#include "edit/new_object.h"

class QString;
class QWidget;

namespace tlv {

class MainWindow;

// Reads a latitude (or longitude) typed in any of the three coordinate formats: decimal degrees,
// degrees and minutes, or degrees, minutes and seconds, with a hemisphere letter or a sign.
// False for text that is not a coordinate or is out of range.
bool ParseCoordinateText(const std::string& text, bool latitude, double& signedDegrees);

// Whether a file is a picture this program can show, and the refusal for one that is not.
bool PictureReadable(const QString& file);
std::string UnreadablePictureText(const QString& file);

// The dialog for a drawn object; false on Cancel. OK leaves the chosen values in object (its
// shape moved when new coordinates were typed).
bool EditNewObjectSettings(QWidget* parent, NewObject& object);

// The dialog for an existing object; OK applies the changes as one step Undo takes back. False
// on Cancel, on a refusal or when nothing could be read.
bool EditObjectSettings(QWidget* parent, ObjectRef& object);

// Registers Object Settings... (401) and the pop-up's item (20401): the dialog for the last
// selected object.
void RegisterObjectSettingsCommands(MainWindow& window);

}  // namespace tlv
