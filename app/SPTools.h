// The program's free routines for texts, paths, files, processes, the registry, windows
// and security checks. The text, path and file routines are portable (no Windows header);
// the rest exist in the Windows build only.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/Classes.h"

// ---------------------------------------------------------------------------------------
// Texts and numbers

// The framework's integer conversion of the text; any failure (an empty text too) gives
// the default.
int SafeStrToInt(const AnsiString& Text, int Default);
// Decimal text with the pad character put in front until it is at least Width long.
AnsiString IntToStrPad(int64_t Number, int Width, char Pad);
// Whether the text begins with the prefix, ignoring case (an empty prefix always does).
bool StartsWithText(const AnsiString& Text, const AnsiString& Prefix);
// Appends the pieces between separators to Strings, inside one update. Empty pieces are
// appended too, the last piece always; an empty text appends nothing.
void SplitText(const AnsiString& Text, const AnsiString& Separator, TStrings* Strings);
// Fills "%1".."%9" with the arguments (a missing argument is dropped), "%%" gives "%";
// any other "%" is copied with the character after it.
AnsiString FormatArgs(const AnsiString& Text, const std::vector<AnsiString>& Args);
// "a.b.c.d" (the first blank-separated word) as four 4-bit fields, 0xABCD; 0 unless the
// word has exactly four parts.
int32_t PackVersion(const AnsiString& Text);
// Two upper-case hexadecimal digits per byte, high half first.
AnsiString HexEncode(const void* Bytes, size_t Count);
// "mm:ss", with "hh:" in front when the hours are not 0. Negative values count as 0.
AnsiString SecondsToTimeText(int64_t Seconds);
// Bit (N and 31) of the value, as 0 or 1.
int TestBit(uint32_t Value, int N);
// Whether the file's extension with its point is one of the comma-separated items,
// ignoring case. A file without extension matches nothing.
bool FileExtInList(const AnsiString& FileName, const AnsiString& CommaList);
// The address with the query appended after "?" or "&" as needed.
AnsiString AppendUrlQuery(const AnsiString& Address, const AnsiString& Query);
// Whether the text is a web address to hand to a browser: "http://" or "https://" (any
// case) and a host after it, without blanks, control characters or double quotes (which
// would end the address on a command line and add arguments).
bool IsWebAddress(const AnsiString& Address);

// ---------------------------------------------------------------------------------------
// Paths and files (paths of the Windows kind: "\" separates folders)

// Every "/" becomes "\".
AnsiString SlashToBackslash(const AnsiString& Path);
// Empty stays empty; otherwise slashes become backslashes and a trailing "\" is added.
AnsiString IncludeBackslash(const AnsiString& Path);
// A path relative to a folder: absolute paths (with ":"), paths under a network folder,
// drive-rooted paths ("\x" under "C:\y" gives "C:\x") and relative paths (appended).
AnsiString CombinePath(const AnsiString& Folder, const AnsiString& Path);
// CombinePath with the folder part of a file.
AnsiString ExpandRelativePath(const AnsiString& BaseFile, const AnsiString& Path);
// The entries matching the mask that are files (read-only, hidden, system, archive or
// plain), by name or with the mask's folder in front.
void ListFiles(const AnsiString& Mask, TStrings* List, bool FullPaths);
// The folders matching the mask, except "." and "..", by name or with the mask's folder.
void ListFolders(const AnsiString& Mask, TStrings* List, bool FullPaths);
// Every file of Folder matching Mask (full paths), then, when Recurse, those of every
// sub-folder in turn.
void FindFilesRecursive(const AnsiString& Folder, TStrings* List, const AnsiString& Mask,
                        bool Recurse);
// Writes the text as lines, each ending with CR LF, replacing the file. False when the
// file cannot be written.
bool SaveTextToFile(const AnsiString& Text, const AnsiString& FileName);
// The whole file (read with read sharing); empty when it cannot be read.
AnsiString LoadFileToString(const AnsiString& FileName);

// ---------------------------------------------------------------------------------------
// Windows only: the program file, processes, the registry, windows and security

#ifdef _WIN32
struct HWND__;
typedef HWND__* HWND;
struct HKEY__;
typedef HKEY__* HKEY;

// Full file name of the program.
AnsiString GetExeFileName();
// The long form of the program's folder, with a trailing backslash.
AnsiString GetExeFolder();
// The long form of the path; the path unchanged when there is none.
AnsiString GetLongPath(const AnsiString& Path);
// Copies the file to File.yyyymmdd.bak, or File.yyyymmdd.N.bak with the first free N,
// never overwriting; false for an empty name, a failed copy or no free name.
bool BackupFileDated(const AnsiString& FileName);
// The first CD-ROM drive as "D:\"; empty when there is none.
AnsiString GetFirstCdromDrive();
// The system's folder dialog; the chosen folder, or empty when cancelled.
AnsiString BrowseForFolder(HWND Owner, const AnsiString& InitialFolder, const AnsiString& Title);

// Starts a process. With a file (relative to the program's folder) the command line is
// the quoted file, a blank and the parameters, and the file's folder is the working
// folder; without one the parameters are the whole command line. Hide starts its window
// hidden; Wait waits for it up to the time-out. Whether it started.
bool RunProcessEx(const AnsiString& FileName, const AnsiString& Parameters, bool Hide, bool Wait,
                  uint32_t TimeoutMs);
bool RunProcess(const AnsiString& FileName, const AnsiString& Parameters, bool Wait,
                uint32_t TimeoutMs);

// The string value, or the default when the key, the value or its type is wrong.
AnsiString RegReadString(HKEY Root, const AnsiString& Key, const AnsiString& Name,
                         const AnsiString& Default);
// Open or create the key and write; errors are ignored.
void RegWriteString(HKEY Root, const AnsiString& Key, const AnsiString& Name,
                    const AnsiString& Value);
void RegWriteInteger(HKEY Root, const AnsiString& Key, const AnsiString& Name, int Value);
// A shell folder of the user ("AppData"), falling back to the machine's; and the
// machine's ("Common AppData").
AnsiString GetShellFolder(const AnsiString& Name);
AnsiString GetCommonShellFolder(const AnsiString& Name);

// Makes the window top-most or not, without moving, sizing or reordering its owner.
void SetStayOnTop(HWND Window, bool On);
// Restores and shows the window and brings it to the foreground, also against the
// system's foreground lock. Whether it is the foreground window now.
bool ForceForegroundWindow(HWND Window);
// Creates the named mutex (not owned) and keeps it open for the life of the process;
// false, with nothing kept open, when it already existed.
bool CreateSingleInstanceMutex(const AnsiString& Name);
// Writes the lines (each ending with CR LF) beside the file and then moves them over it, so
// that a write that breaks off leaves the old file rather than half of one. False, with
// the old file untouched, when that fails; never throws.
bool SaveLinesReplacing(TStrings* Lines, const AnsiString& FileName);
// Bits per pixel of the display; 0 when no device context can be made.
int GetScreenColorDepth();
// The files of a WM_DROPFILES drop, in drop order.
void GetDroppedFiles(uintptr_t Drop, TStrings* List);
// Opens the address with the default browser's command, or through the shell when there
// is none (the result is then false).
bool OpenUrlInBrowser(HWND Owner, const AnsiString& Address);
// Whether the process may access the path with the rights of the mask (generic rights
// allowed); any failure gives false.
bool CheckFileAccess(uint32_t AccessMask, const AnsiString& Path);
#endif
