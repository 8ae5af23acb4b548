// The compiled string table and the platform string resources that back it. Texts are
// Windows-1252 bytes; a text is at most 255 bytes. kStrPoundTable is sorted by list, then index,
// and the lookup halves it, so an entry added out of order hides every entry after it.
#include "base/strings.h"

namespace tlv {

const MyStrPoundEntry kStrPoundTable[] = {
    // Legacy texts.
    {128, 18, "Click to continue..."},

    // Distance unit abbreviations (1 to 6, by unit code) and the paper units of the scale text.
    {200, 1, "ft"},
    {200, 2, "yds"},
    {200, 3, "m"},
    {200, 4, "km"},
    {200, 5, "mi"},
    {200, 6, "nm"},
    {200, 7, "in"},
    {200, 8, "cm"},

    // Sorting, merging, the technical-error report and the export failure.
    {1000, 1, "Sorting \"%s\" from record %ld to record %ld."},
    {1000, 2, "Merging files (%ld + %ld records)."},
    {1000, 3, "Sorry.  A technical error occurred:\n\n%s returned %ld in %s."},
    {1000, 4, "An error occurred while exporting the file: \n\n"},

    // Messaging, start-up folder and basemap texts.
    {10000, 20, "Starting %s."},
    {10000, 21, "Unable to send message to application \"%s\" (message = \"%s\")."},
    {10000, 22, "The application \"%s\" seems to have quit unexpectedly.  Please restart it."},
    {10000, 23,
     "Unable to find/start the application \"%s\".  Try starting the application from "
     "the Program Manager or File Manager."},
    {10000, 26, "All Files (*.*)|*.*"},
    {10000, 27, "Import Files (*.mie, *.shp, *.txt)|*.mie;*.shp;*.txt"},
    {10000, 28, "Shapefiles (*.shp)|*.shp"},
    {10000, 29, "Text Files (*.txt)|*.txt"},
    {10000, 30,
     "More than one \"TolvaneMaps\" folder was found. TOLVANE will use the "
     "folder:\n\n%s"},
    {10000, 31,
     "Unable to locate the \"TolvaneMaps\" folder.\n\nIf you have moved that folder "
     "from its original installed location,\nplease correct the path in the "
     "\"userfolder.txt\" file in the TOLVANE folder."},
    {10000, 37, "No information is available."},

    // Numbered messages 0 to 99.
    {25000, 2, "In Use"},
    {25000, 3, "Not In Use"},
    {25000, 4, "Not Found"},
    {25000, 10, "untitled"},
    {25000, 12, "Sorting search collection (%ld objects)."},
    {25000, 33, "There are too many pictures with that name in this map's folder."},
    {25000, 38,
     "An object was found that cannot be read by this version of TOLVANE.  Make sure "
     "you have the correct version for the  map files you are using."},
    {25000, 39, "Technical Error: New name/prefix too long in FSSetObjectName()."},
    {25000, 40, "Technical Error: New text too long in FSSetObjectText()."},
    {25000, 41, "Technical Error: Too many segments in FSInitObjectSegments()."},
    {25000, 42, "Technical Error: Summary record not found."},
    {25000, 43, "You cannot run TOLVANE from the top-level directory of a disk drive."},
    {25000, 44, "You must enter a symbol number that matches a symbol in the list."},
    {25000, 46, "Technical Error: The original object for the given alias could not be found."},
    {25000, 64, "TOLVANE: too many sharing sub-menus"},
    {25000, 65, "Unable to bring application forward."},
    {25000, 66, "One or more of the objects to be shown were not found."},
    {25000, 74, "%s\n\nWhile importing line %ld."},
    {25000, 75, "Import error: expected type: "},
    {25000, 76, "open brace '{'"},
    {25000, 77, "close brace '}'"},
    {25000, 78, "signature"},
    {25000, 79, "string"},
    {25000, 80, "number"},
    {25000, 81, "other"},
    {25000, 82, "String too long."},
    {25000, 83, "Signature too short."},
    {25000, 84, "Signature too long."},
    {25000, 85, "Unrecognized constant in file: %s."},
    {25000, 87, "Format requires a newer version of TOLVANE."},
    {25000, 88, "Unrecognized object type in import."},
    {25000, 92, "Import error."},
    {25000, 93,
     "One or more of the objects being imported were skipped because they were not "
     "located on any of the current maps, or because the needed maps are not editable."},
    {25000, 95, "Not enough memory to complete import."},
    {25000, 96, "TOLVANE Import"},
    {25000, 97, "Importing file: %s."},
    {25000, 98, "Unable to open import file."},
    {25000, 99, "Unable to close import pass file."},

    // Numbered messages 100 to 199.
    {25100, 0,
     "Could not find/open overlay file \"%s\" (map \"%s\").\n\n(Use the Overlay Maps "
     "menu item to check/update map status.)"},
    {25100, 1, "There are too many overlays with the name \"%s\" to create another."},
    {25100, 2, "Initializing overlays."},
    {25100, 4,
     "There are too many overlay file names starting with \"%s\" on the map \"%s\" to "
     "create another."},
    {25100, 5, "There are too many maps with the name \"%s\" to create another."},
    {25100, 6, "There are too many map folders with the name \"%s\" to create another."},
    {25100, 7, "The map you chose is already in the list."},
    {25100, 8,
     "You cannot add this map because it has been marked for removal (click the Cancel "
     "button to avoid removing it)."},
    {25100, 9, "Unable to completely delete this map.  You should delete the map folder by hand."},
    {25100, 10, "Initializing maps."},
    {25100, 14, "Unable to create overlay during import."},
    {25100, 15, "Error importing old-format file."},
    {25100, 16, "One or more new overlays were created during import."},
    {25100, 21,
     "Unable to write the file\r\n%s.\r\n\r\nVerify that you have write permission "
     "for the TolvaneMaps folder and all of its subfolders."},
    {25100, 34,
     "The TOLVANE2 font is not installed in your System.  Without this font, some "
     "symbol objects will not be drawn correctly."},
    {25100, 35,
     "The TOLVANE font is not installed in your System.  Without this font, some "
     "symbol objects will not be drawn correctly."},
    {25100, 37, "TOLVANE is already running."},
    {25100, 38,
     "TOLVANE will be unable to flash the Click Point because too many clocks/timers "
     "are in use."},
    {25100, 44, "Can't undo because one or more edited overlays have since been locked."},
    {25100, 51,
     "There must be at least one unlocked overlay to add an object or perform other "
     "edits."},
    {25100, 52,
     "There must be at least one map in use and editable to add an object or perform "
     "other edits."},
    {25100, 53,
     "Not enough memory to complete this operation.  You may want to quit other "
     "running programs."},
    {25100, 58, "Compacting overlay \"%s\" (map \"%s\")."},
    {25100, 59, "Removing deleted objects."},
    {25100, 60, "Copying objects."},
    {25100, 61, "Creating 'SM2' index."},
    {25100, 64, "Compacting Map Files"},
    {25100, 65, "One or more map files could not be compacted due to low disk space."},
    {25100, 66, "Technical error while exporting: Unknown object type: %ld"},
    {25100, 95,
     "Objects are shown only while the map is zoomed out farther than this scale (in "
     "\"range\" mode)."},
    {25100, 96,
     "Objects are shown only while the map is zoomed in closer than this scale (in "
     "\"range\" mode)."},
    {25100, 97, "Object names are shown while the map is zoomed in to this scale or closer."},
    {25100, 98, "Symbols are drawn as dots while the map is zoomed out to this scale or farther."},

    // Numbered messages 200 to 299.
    {25200, 0, "Show objects, along with their names."},
    {25200, 1, "Show objects; only show their names within the given range."},
    {25200, 2, "Show objects when the map scale is within the given range."},
    {25200, 3, "Do not show objects."},
    {25200, 4, "Use the default graphical settings (as indicated in graphics box pop-up)."},
    {25200, 5, "Use the graphical settings of the individual objects."},
    {25200, 7, "Restore the overlay settings of all overlays to their default settings."},

    // Numbered messages 500 to 599.
    {25500, 0, "User"},
    {25500, 1, "'s map"},
    {25500, 5, "Temporary Overlay"},
    {25500, 7, "Exporting..."},
    {25500, 16, "Object for envelope is not of the proper type."},
    {25500, 17, "Object for envelope zone not found on map."},
    {25500, 20,
     "Cannot create a polygon because the User Map and/or Temporary Overlay could not "
     "be found."},
    {25500, 22, "union"},
    {25500, 23, "intersection"},
    {25500, 26,
     "One or more of the selected objects could not be moved because an object with "
     "the same ID already exists on the chosen map or overlay."},
    {25500, 27, "THEMATIC"},
    {25500, 35,
     "Cannot create a polyline because the User Map and/or Temporary Overlay could "
     "not be found."},
    {25500, 46, "Error writing MNU file."},
    {25500, 47, "Technical Error: Shared menu owner not found."},
    {25500, 48, "Error writing VWR file."},
    {25500, 49, "Friend not found in SaveRunningFriendViewer()."},
    {25500, 50, "You must update your version of %s before using it with this version of TOLVANE."},
    {25500, 51, "Settings"},
    {25500, 52, "Views"},
    {25500, 53, "Searches"},
    {25500, 54, "UserMap"},
    {25500, 55, "Friends"},
    {25500, 60, "OverlayMaps"},
    {25500, 65, "Overlay not found."},
    {25500, 66,
     "Your graphical changes will not show on the map while the given overlay is in "
     "\"graphics override\" mode."},
    {25500, 67,
     "One or more of the selected objects could not be changed because their overlays "
     "are locked."},
    {25500, 69,
     "One or more of the selected objects could not be changed because their maps are "
     "locked."},
    {25500, 70,
     "One or more of the selected objects could not be changed because their overlays "
     "are in thematic-mapping mode."},
    {25500, 71,
     "One or more of the selected objects could not be changed because they cannot be "
     "edited by this version of TOLVANE."},
    {25500, 72, "One or more of the selected objects could not be changed."},
    {25500, 73, "The map to be shown is not visible because it is not in use."},
    {25500, 74, "The map to be shown is not visible because none of its overlays are shown."},
    {25500, 75, "Object to be renamed not found on map."},
    {25500, 81, "The selected object could not be changed because its overlay is locked."},
    {25500, 83, "The selected object could not be changed because its map is locked."},
    {25500, 84,
     "The selected object could not be changed because its overlay is in "
     "thematic-mapping mode."},
    {25500, 85,
     "The selected object could not be changed because it cannot be edited by this "
     "version of TOLVANE."},
    {25500, 86, "The selected object could not be changed."},
    {25500, 87,
     "One or more of the selected objects could not be deleted because their overlays "
     "are locked."},
    {25500, 89, "The selected object could not be deleted because its overlay is locked."},
    {25500, 92, "The map to be added was not found."},
    {25500, 93, "You can only delete objects from one map at a time."},
    {25500, 94,
     "The selected object(s) cannot be deleted because the application associated "
     "with their map is not running."},
    {25500, 95, "One or more objects could not be shown because the map %s is not present."},
    {25500, 96, "The selected objects could not be deleted because their map is locked."},
    {25500, 97, "The selected object could not be deleted because its map is locked."},

    // Numbered messages 600 to 699.
    {25600, 6,
     "The changes you made to the scales at which this overlay is visible will take "
     "effect only when the overlay is put into \"range\" mode."},
    {25600, 7,
     "The change you made to the scale at which names for this overlay appear will "
     "take effect only when the overlay is put into \"show\" or \"range\" mode."},
    {25600, 8,
     "The change you made to the scale at which symbols on this overlay appear as dots "
     "will take effect only when the overlay is not in \"hide\" mode."},
    {25600, 11,
     "The selected objects could not be deleted because the application associated "
     "with their overlay does not allow it."},
    {25600, 12,
     "The selected object could not be deleted because the application associated "
     "with its overlay does not allow it."},
    {25600, 13,
     "The overlay \"%s\" is represented on the map \"%s\" by both the \".LYR\" files "
     "\"%s\" and \"%s.\"  The latter file will be ignored."},
    {25600, 20, "The selected file is empty."},
    {25600, 22, "Could not complete the import because the User's Map could not be found."},
    {25600, 32, "objects processed [ESC to stop]"},
    {25600, 33, "difference"},
    {25600, 34,
     "Your overlay groups have been modified because they were not consistent with "
     "your current overlays."},
    {25600, 43,
     "The selected objects could not be deleted because their map is an indexed map "
     "or CDMap."},
    {25600, 44,
     "The selected object could not be deleted because its map is an indexed map or "
     "CDMap."},
    {25600, 46,
     "One or more of the selected objects could not be changed because their maps are "
     "indexed maps or CDMaps."},
    {25600, 47,
     "The selected object could not be changed because its map is an indexed map or "
     "CDMap."},
    {25600, 57, "Drawing Basemap."},
    {25600, 61, "Import"},
    {25600, 65, "Export"},
    {25600, 67,
     "You must have Quicktime installed on your computer to use the Basemap "
     "functions.\n\nThe Basemap buttons have been turned off."},
    {25600, 68, "Unable to download map features, because an Internet connection can't be found."},
    {25600, 69, "Unable to find the address, because an Internet connection can't be found."},
    {25600, 70, "Unable to check for updates, because an Internet connection can't be found."},
    {25600, 71, "There was a problem exporting the selected objects."},
    {25600, 72, "Unable to get the weather, because an Internet connection can't be found."},
    {25600, 73,
     "Unable to get the elevation or the address, because an Internet connection can't be "
     "found."},
    {25600, 74, "There was a problem exporting the ZEPHA objects."},
    {25600, 75,
     "You must be have an ZEPHA Threat Zone on the map to use the Export to KML "
     "function."},
    {25600, 83, "You can only get info within polygon, circle, or rectangle objects."},
    {25600, 84, "You can only get the population within polygon, circle, or rectangle objects."},

    // The drawing tools' refusals of a new object.
    {26100, 1, "A new object must lie inside the world: click within latitude 90 S to 90 N."},
    {26100, 2, "The new object has no size.  Drag farther to draw it."},
    {26100, 3, "A polyline needs at least two points in each piece."},
    {26100, 4, "A polygon needs at least three points in each piece."},
    {26100, 5, "A text object needs some text."},
    {26100, 6, "Objects of this kind cannot be drawn."},
    {26100, 7, "The picture file \"%s\" cannot be read."},
    {26100, 8, "%s   bearing %.1f\xB0"},
    {26100, 9, "\"%s\" is not a coordinate in any of the three coordinate formats."},

    // The Overlay Manager's, Unlocking Overlay's and Set Scale's own texts.
    {26200, 1, "Unlocking the overlay \"%s\" lets you add objects to it and change its objects."},
    {26200, 2, "%s (%ld objects): its objects can be changed."},
    {26200, 3,
     "%s (%ld objects): the map is locked (its folder cannot be written), so its objects "
     "stay as they are."},
    {26200, 4,
     "%s (%ld objects): the map is an indexed map or CDMap, so its objects stay as they are."},
    {26200, 5,
     "%s (%ld objects): the map belongs to the application \"%s\", which decides what may change."},
    {26200, 6,
     "The overlay belongs to another application: unlocked, it still takes only the changes "
     "that application allows."},
    {26200, 7, "The overlay has no objects on any map yet."},
    {26200, 8, "A group named \"%s\" already exists."},
    {26200, 9, "An overlay named \"%s\" already exists."},
    {26200, 10, "A name is needed."},
    {26200, 11, "The Temporary Overlay keeps its name."},
    {26200, 12,
     "Delete the group \"%s\" and the %ld overlays in it from the overlay list?  Their files "
     "stay on the maps."},
    {26200, 13,
     "Delete the overlay \"%s\" and its files on every map?  Its %ld objects will be lost."},
    {26200, 14, "\"%s\" is not a scale.  Type a number."},
    {26200, 15, "Choose the group the overlay goes into."},
    {26200, 16, "The overlay settings could not be saved."},
    {26200, 17,
     "Are you sure you want to remove the map \"%s\"?\n\n(This will not delete the map on "
     "disk, but will simply remove it from TOLVANE's list of maps.)"},
    {26200, 18, "Map \"%s\"\n\nFolder: %s\nOwner: %s\nOverlay files: %ld\nObjects: %ld%s"},
    {26200, 19, "\n\nThe map is locked: its folder cannot be written."},
    {26200, 20, "The map \"%s\" has no objects to show."},

    // The vertex commands' refusals.
    {26300, 1, "The Click Point is not near a segment of the selected object."},
    {26300, 2, "This object already has the minimum number of points allowed."},
    {26300, 3, "This is an anchor point of the selected object, and cannot be deleted."},

    // The polygon commands' refusals.
    {26400, 1,
     "In this version of TOLVANE, the Make New Polygon function can be used only when you have "
     "selected one or more polyline objects, or multiple objects that are polygons, rectangles, "
     "or circles."},
    {26400, 2,
     "In this version of TOLVANE, the Make New Polyline function can be used only when you have "
     "selected two or more polyline objects."},
    {26400, 3, "The resulting polygon has no points."},
    {26400, 4,
     "Connect Polylines at Nearest Point can be used only when you have selected two polyline "
     "objects."},
    {26400, 5, "The distance must be a number greater than 0."},
    {26400, 6, "The polylines cannot be joined: one of them lies on a locked overlay or map."},

    {0, 0, nullptr},
};

// Looked up by the 16-bit sum list + index when the table has no entry: line widths (14901 on),
// colour names by colour table index (15001 on), fill and line pattern names (15201, 15301 on),
// distance unit names by unit code (16201 on), hemisphere words (16301/16302 North and South,
// 16401/16402 East and West) and month names (16501 January to 16512 December).
const StringResource kStringResources[] = {
    // Line widths.
    {14901, "1 pt"},
    {14902, "2 pt"},
    {14903, "4 pt"},
    {14904, "6 pt"},
    {14905, "8 pt"},
    {14906, "10 pt"},

    // Colour names.
    {15001, "Black"},
    {15002, "White"},
    {15003, "Dark Gray"},
    {15004, "Gray"},
    {15005, "Light Gray"},
    {15006, "Brown"},
    {15007, "Olive"},
    {15008, "Dark Green"},
    {15009, "Green"},
    {15010, "Light Blue"},
    {15011, "Blue"},
    {15012, "Dark Blue"},
    {15013, "Purple"},
    {15014, "Pink"},
    {15015, "Red"},
    {15016, "Yellow"},

    // Fill pattern names.
    {15201, "Pat 1"},
    {15202, "Pat 2"},
    {15203, "Pat 3"},
    {15204, "Pat 4"},
    {15205, "Pat 5"},
    {15206, "Pat 6"},
    {15207, "Pat 7"},
    {15208, "Pat 8"},
    {15209, "Pat 9"},
    {15210, "Pat 10"},

    // Line pattern names.
    {15301, "Pat 1"},
    {15302, "Pat 2"},
    {15303, "Pat 3"},
    {15304, "Pat 4"},
    {15305, "Pat 5"},
    {15306, "Pat 6"},
    {15307, "Pat 7"},
    {15308, "Pat 8"},
    {15309, "Pat 9"},
    {15310, "Pat 10"},

    // Distance unit names.
    {16201, "feet"},
    {16202, "yards"},
    {16203, "meters"},
    {16204, "kilometers"},
    {16205, "miles"},
    {16206, "nautical miles"},

    // Hemisphere words.
    {16301, "North"},
    {16302, "South"},
    {16401, "East"},
    {16402, "West"},

    // Month names.
    {16501, "January"},
    {16502, "February"},
    {16503, "March"},
    {16504, "April"},
    {16505, "May"},
    {16506, "June"},
    {16507, "July"},
    {16508, "August"},
    {16509, "September"},
    {16510, "October"},
    {16511, "November"},
    {16512, "December"},

    {0, nullptr},
};

}  // namespace tlv
