// The two file layouts of other programs that the default-camera writers change: the
// Flash Player's per-user settings file and a messenger's XML configuration. Pure
// functions over the files' bytes, so they are tested and fuzzed on their own. Portable:
// no Windows header.
#pragma once

#include "framework/Classes.h"

// The camera name as those files store text: UTF-8 (the name is given in the system code
// page).
AnsiString CameraNameToUtf8(const AnsiString& CameraName);

// The Flash Player's settings file is a local shared object: two bytes, the length of the
// rest as 4 bytes big-endian at offset 2, then AMF entries, each a 2-byte big-endian name
// length, the name, a type byte and the value; a string value is a 2-byte big-endian
// length and the bytes.
//
// Output := Data with the string of the first "defaultcamera" after the 6 header bytes
// replaced by Name (bytes as given) and the length field at offset 2 set to the new size
// less 6. False, Output left alone, unless that first "defaultcamera" is an entry name (its
// 2-byte length 13 before it, after the header), its type byte is a string (2), the old
// string's high length byte is 0 and its bytes lie inside Data, and Name is at most 255
// bytes.
bool PatchFlashSettings(const AnsiString& Data, const AnsiString& Name, AnsiString& Output);

// The text of a messenger's configuration with the content of the first <Device> element
// inside the first <Video> element replaced by Device (inserted as given: escape it with
// XmlEscapeText). False, Output left alone, when there is no "<Video>", no "</Video>" after
// it, or no "<Device>" ... "</Device>" between the two.
bool PatchVideoDevice(const AnsiString& Text, const AnsiString& Device, AnsiString& Output);

// Text as XML character data: "&", "<" and ">" become references; control characters that
// XML does not allow (all below 32 except tab, line feed and carriage return) are left out.
AnsiString XmlEscapeText(const AnsiString& Text);
