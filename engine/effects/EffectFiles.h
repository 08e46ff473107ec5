// Work on effect files that needs no composition: the path an effect list item names,
// thumbnails for the program's lists, copies under new names, new effect files made from a
// picture, movie or text, and the identity texts of a file.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// An effect path as the program's lists give it: a file with the extension "lne" holds the
// path as text (its line ends do not count); a relative path lies in the program folder.
std::string ResolveEffectPath(const std::string& path);

// The thumbnail of a list item as a DIB section the caller frees: the camera picture for a
// source beginning with "@cam:", else the thumbnail stored in the effect file, else the
// picture of a file that cannot be read. Null only when not even that can be made.
HBITMAP MakeEffectThumbnail(const std::string& source);

// Opens the source effect file (resolved) and saves it under the destination with new
// identity texts. False when the source is missing or unreadable or the save fails.
bool CopyEffectFile(const std::string& source, const std::string& destination,
                    const std::string& kind, const std::string& category,
                    const std::string& name);

// Saves a new effect of the element type to the path: a picture (type 1: frame count,
// delays and path joined by '|'), a Flash movie (2) or a text (7) from the source text,
// placed as effects of the kind are ("Background", "Transform", "Mask", "Frame",
// "Emotion", "Text"), with a thumbnail on white.
bool CreateEffectFile(const std::string& path, const std::string& kind, int elementType,
                      const std::string& source);

// The kind, category and name of an effect file; false when it cannot be opened.
bool ReadEffectInfo(const std::string& path, std::vector<std::string>& info);
