// Texts of the web download component: the numeric codes of a URL binding (bind-status
// codes, HTTP status codes, WinInet error codes, COM and moniker result codes,
// data-notification flags) as fixed English texts, and sizes and durations for progress
// reports. Portable except the task-memory copy.
#pragma once

#include <cstdint>

#include "framework/SysUtils.h"

// The text of a bind-status, HTTP, WinInet or result code; any other code gives
// "Unknown Response: " + the code in decimal + " " + the system's text of it.
AnsiString ResponseCodeToText(uint32_t Code);
// The text of one data-notification flag; other values (combinations too) are read as a
// response code.
AnsiString DataFlagsToText(uint32_t Flags);
// "hh:mm:ss" of a number of seconds; the hours count modulo 60.
AnsiString SecondsToClock(int64_t Seconds);
// Bytes as "1,023.00 b", "1.00 Kb" or "1.00 Mb" (thousands grouped by the formatting
// settings); empty for 0 or less.
AnsiString FormatByteSize(double Bytes);
// The text with every From replaced by To.
AnsiString ReplaceChar(const AnsiString& Text, char From, char To);

// The figures of a progress report.
struct TProgressTexts {
  AnsiString Downloaded;     // bytes so far as FormatByteSize gives them
  AnsiString ElapsedTime;    // "hh:mm:ss"
  AnsiString Speed;          // "0.5 kb/sec"
  AnsiString RemainingTime;  // "hh:mm:ss"
  AnsiString Percent;        // "50.0 %"
};
// The figures of Progress bytes of Max after ElapsedSeconds (negative: the clock has not
// advanced, no elapsed time is given).
TProgressTexts ProgressTexts(double Progress, double Max, int64_t ElapsedSeconds);

// The file name a Content-Disposition value names ("filename=", quoted or not), reduced
// to a plain file name; empty when it names none.
AnsiString FileNameFromContentDisposition(const AnsiString& Value);
// A name fit to be a file of the download folder: its last path part, without characters
// that file names cannot hold.
AnsiString PlainFileName(const AnsiString& Name);

#ifdef _WIN32
// A zero-terminated copy of the text in task memory (CoTaskMemAlloc, zero-filled); the
// receiver frees it. Null when the memory cannot be had.
wchar_t* OleStrAlloc(const WideString& Text);
#endif
