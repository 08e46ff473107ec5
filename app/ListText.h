// The engine's list texts as the program writes and reads them: items joined by "|", an
// item with a blank, a control character, a double quote or "|" in double quotes, and
// "&" and "," inside an item written "&A" and "&C". The engine unescapes every piece it
// reads and escapes every item it answers with, so a path the program adds is escaped once
// here, and a piece the engine gave (a playlist row, a line of "play.lst") goes back as it
// came. Portable.
#pragma once

#include "framework/Classes.h"

// "&" becomes "&A", then "," becomes "&C".
AnsiString EscapeListItem(const AnsiString& Text);
// The reverse: "&A" gives "&", "&C" gives ","; a "&" before any other character is
// dropped. UnescapeListItem(EscapeListItem(x)) is x for every text.
AnsiString UnescapeListItem(const AnsiString& Text);

// The items joined with "|", an item with a blank, a control character, a double quote or
// "|" enclosed in double quotes (inner double quotes doubled); one empty item gives two
// double quotes, no items an empty text. With Escape every item is escaped first.
AnsiString ListDelimitedText(const TStrings* Items, bool Escape);
