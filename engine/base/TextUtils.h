// Small text, number, path and layout helpers that the whole engine uses. Texts are 8-bit
// strings in the process's ANSI code page; paths use "\" as folder separator.
#pragma once

#include <cstdint>
#include <string>

#include "engine/base/WinTypes.h"

// Numbers and flags as property texts carry them.

// The decimal number at the start of `text` (leading blanks, optional sign), as "%d" reads
// it; `defaultValue` when there is no number. Numbers beyond the int range are clamped.
int ParseInt(const std::string& text, int defaultValue);
// ParseInt with the default reduced to 0/1; the result is 1 for any non-zero number.
int ParseBool(const std::string& text, int defaultValue);
// min(high, max(value, low)).
int LimitToRange(int value, int low, int high);
std::string IntToText(int value);
// "1" for non-zero, "0" for zero.
std::string BoolToText(int value);

// Rectangles.

// The rectangle at (x, y) with the given width and height.
RECT MakeRect(int x, int y, int width, int height);
// The largest size with the source's proportions inside the box; the box size when any of
// the four is 0.
SIZE FitSize(int sourceWidth, int sourceHeight, int boxWidth, int boxHeight);
// FitSize of the two rectangles' sizes, centred in the box.
RECT FitRect(const RECT& source, const RECT& box);
// The smallest size with the source's proportions that covers the box; the box size when
// any of the four is 0.
SIZE CoverSize(int sourceWidth, int sourceHeight, int boxWidth, int boxHeight);
// CoverSize of the two rectangles' sizes, centred in the box (it reaches beyond the box).
RECT CoverRect(const RECT& source, const RECT& box);

// Paths.

// True for a text longer than 2 characters with a ":" at position 2 or later (a drive
// letter's colon does not count): "http://...", "mms://...", "@cam:...".
bool IsUrl(const std::string& text);
// The text after the last "\", the whole path when there is none.
std::string FileNameOfPath(const std::string& path);
// The text before the last "\", empty when there is none.
std::string DirectoryOfPath(const std::string& path);
// The text after the last "." of the file name, empty when there is none.
std::string ExtensionOfPath(const std::string& path);
// The path or address without its query: everything from the first "?" on is cut off (no
// file name holds one), so that "http://host/clip.wmv?id=1" ends in ".wmv".
std::string PathWithoutQuery(const std::string& path);
// Whether the path's extension is one of the list's, compared without regard to case. Lists
// are whole extensions each followed by a comma: "jpg,png,bmp,gif,".
bool ExtensionInList(const std::string& path, const std::string& list);
// The name inside the folder; a name with a drive stands alone, a name starting with "\"
// goes onto the folder's drive.
std::string CombinePath(const std::string& folder, const std::string& name);

// Text comparisons without regard to case.
bool EqualsNoCase(const std::string& a, const std::string& b);
// False when the prefix is longer than the text.
bool StartsWithNoCase(const std::string& text, const std::string& prefix);

// "mm:ss", or "hh:mm:ss" from one whole hour on (the hours keep counting beyond 99).
// Negative durations show as 0.
std::string FormatDuration(int64_t seconds);
std::string FormatDurationMs(int64_t milliseconds);
// "123B", "123KB" from 1000 bytes, "123MB" from 1,000,000 bytes (decimal units, rounded
// down). Negative sizes show as 0.
std::string FormatSize(int64_t bytes);
