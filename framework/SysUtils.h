// The framework's run-time library: exceptions, text functions, number and date
// conversions, Format, files and folders, the command line. Portable: no Windows header.
// Positions in texts are counted from 1 where the framework's own functions count from 1
// (Pos, Copy, Delete, Insert, LastDelimiter); every other index is 0-based.
#pragma once

#include <cstdint>
#include <exception>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "framework/System.h"

// Names of the Windows API that windows.h turns into macros and that the framework uses
// for its own functions.
#ifdef DeleteFile
#undef DeleteFile
#endif

// ---------------------------------------------------------------------------------------
// Format arguments

// One argument of Format: an integer, a floating value, a text, a character, a Boolean or
// a pointer. The texts are referenced, not copied: an argument list lives only for the
// call it is written in.
class TVarRec {
 public:
  enum TKind { vtInteger, vtInt64, vtExtended, vtString, vtWideString, vtChar, vtBoolean,
               vtPointer };

  TVarRec(int value) : FKind(vtInteger), FInt(value) {}
  TVarRec(unsigned value) : FKind(vtInteger), FInt(static_cast<int32_t>(value)) {}
  TVarRec(long value) : FKind(sizeof(long) > 4 ? vtInt64 : vtInteger), FInt(value) {}
  TVarRec(unsigned long value)
      : FKind(sizeof(long) > 4 ? vtInt64 : vtInteger),
        FInt(sizeof(long) > 4 ? static_cast<int64_t>(value)
                              : static_cast<int32_t>(static_cast<uint32_t>(value))) {}
  TVarRec(long long value) : FKind(vtInt64), FInt(value) {}
  TVarRec(unsigned long long value) : FKind(vtInt64), FInt(static_cast<int64_t>(value)) {}
  TVarRec(double value) : FKind(vtExtended), FFloat(value) {}
  TVarRec(float value) : FKind(vtExtended), FFloat(value) {}
  TVarRec(long double value) : FKind(vtExtended), FFloat(static_cast<double>(value)) {}
  TVarRec(char value) : FKind(vtChar), FInt(static_cast<unsigned char>(value)) {}
  TVarRec(bool value) : FKind(vtBoolean), FInt(value ? 1 : 0) {}
  TVarRec(const char* value) : FKind(vtString), FText(value ? value : ""), FTextLength(~size_t{0}) {}
  TVarRec(const AnsiString& value)
      : FKind(vtString), FText(value.data()), FTextLength(value.size()) {}
  TVarRec(const WideString& value) : FKind(vtWideString), FWide(&value) {}
  TVarRec(const void* value) : FKind(vtPointer), FPointer(value) {}

  TKind Kind() const { return FKind; }
  int64_t AsInteger() const { return FInt; }
  double AsFloat() const { return FFloat; }
  AnsiString AsText() const;  // texts, wide texts (converted) and characters
  const void* AsPointer() const { return FPointer; }

 private:
  TKind FKind;
  int64_t FInt = 0;
  double FFloat = 0;
  const char* FText = nullptr;
  size_t FTextLength = 0;  // ~0: zero-terminated
  const WideString* FWide = nullptr;
  const void* FPointer = nullptr;
};

using TVarRecs = std::initializer_list<TVarRec>;

// Formats the arguments by the format text: "%" [index ":"] ["-"] [width] ["." precision]
// type, where index, width and precision may be "*" (taken from the arguments) and type is
// d (decimal; the precision is the least number of digits), u (unsigned decimal), x (upper-
// case hexadecimal), e (scientific), f (fixed; 2 decimals unless a precision is given), g
// (general, 15 significant digits), n (fixed with thousands separators), p (pointer) or s
// (text; the precision is the most characters). "%%" gives "%". Raises EConvertError for a
// bad format or an argument of the wrong kind, and when arguments run out.
AnsiString Format(const AnsiString& Fmt, TVarRecs Args);
AnsiString Format(const AnsiString& Fmt, const TVarRec* Args, size_t Count);

// ---------------------------------------------------------------------------------------
// Exceptions

// The base of every exception the framework and its programs raise. Message is the text
// shown to the user.
class Exception : public std::exception {
 public:
  explicit Exception(const AnsiString& Msg) : Message(Msg) {}
  // CreateFmt: the message is Format(Fmt, Args).
  Exception(const AnsiString& Fmt, TVarRecs Args) : Message(Format(Fmt, Args)) {}
  const char* what() const noexcept override { return Message.c_str(); }

  AnsiString Message;
};

// The silent exception: handlers that report exceptions skip it.
class EAbort : public Exception {
 public:
  using Exception::Exception;
};
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};
// Invalid floating-point operation (a value outside what Round or Trunc can give).
class EInvalidOp : public Exception {
 public:
  using Exception::Exception;
};
// A failed system call: ErrorCode is the system's error number.
class EOSError : public Exception {
 public:
  using Exception::Exception;
  uint32_t ErrorCode = 0;
};
class EInOutError : public Exception {
 public:
  using Exception::Exception;
};

// Raises EAbort ("Operation aborted").
[[noreturn]] void Abort();

// ---------------------------------------------------------------------------------------
// Texts

// Removes characters up to the blank (control characters and blanks) at the ends.
AnsiString Trim(const AnsiString& S);
AnsiString TrimLeft(const AnsiString& S);
AnsiString TrimRight(const AnsiString& S);
// Case of the letters A-Z only.
AnsiString UpperCase(const AnsiString& S);
AnsiString LowerCase(const AnsiString& S);
// Case of the letters of the system code page.
AnsiString AnsiUpperCase(const AnsiString& S);
AnsiString AnsiLowerCase(const AnsiString& S);
// Byte order; negative, 0 or positive.
int CompareStr(const AnsiString& S1, const AnsiString& S2);
// Byte order with the letters A-Z folded to upper case.
int CompareText(const AnsiString& S1, const AnsiString& S2);
bool SameText(const AnsiString& S1, const AnsiString& S2);
// The user's locale order (on Windows); elsewhere byte order, without case for the text
// forms.
int AnsiCompareStr(const AnsiString& S1, const AnsiString& S2);
int AnsiCompareText(const AnsiString& S1, const AnsiString& S2);
bool AnsiSameText(const AnsiString& S1, const AnsiString& S2);
bool AnsiSameStr(const AnsiString& S1, const AnsiString& S2);

// The position of the first Substr in S counted from 1, 0 when there is none (also for an
// empty Substr). PosEx starts looking at Offset (from 1).
int Pos(const AnsiString& Substr, const AnsiString& S);
int PosEx(const AnsiString& Substr, const AnsiString& S, int Offset = 1);
// Count characters from Index (from 1); an Index below 1 starts at 1, an Index past the end
// or a negative Count give an empty text.
AnsiString Copy(const AnsiString& S, int Index, int Count);
// Removes Count characters from Index (from 1); nothing for an Index outside the text.
void Delete(AnsiString& S, int Index, int Count);
// Inserts Source before position Index (from 1), clamped to the text.
void Insert(const AnsiString& Source, AnsiString& S, int Index);
// The position (from 1) of the last character of S that is one of Delimiters; 0 for none.
int LastDelimiter(const AnsiString& Delimiters, const AnsiString& S);
AnsiString StringOfChar(char Ch, int Count);

enum TReplaceFlag { rfReplaceAll, rfIgnoreCase };
using TReplaceFlags = TSet<TReplaceFlag>;
AnsiString StringReplace(const AnsiString& S, const AnsiString& OldPattern,
                         const AnsiString& NewPattern, TReplaceFlags Flags);

// 'text' with inner quotes doubled; AnsiQuotedStr with any quote character.
AnsiString QuotedStr(const AnsiString& S);
AnsiString AnsiQuotedStr(const AnsiString& S, char Quote);
// Reads a quoted text starting at Pos (0-based, at the opening quote): doubled quotes give
// one, the text ends at the closing quote or, when there is none, at the end of S. Pos is
// left after the closing quote. An empty text when S[Pos] is not the quote.
AnsiString AnsiExtractQuotedStr(const AnsiString& S, size_t& Pos, char Quote);
// The unquoted text when S is quoted with Quote; otherwise S.
AnsiString AnsiDequotedStr(const AnsiString& S, char Quote);
// A letter or "_", then letters, digits or "_".
bool IsValidIdent(const AnsiString& Ident);

// Conversions between the system code page, UTF-16 and UTF-8. Off Windows the system code
// page is Latin-1.
WideString AnsiToWide(const AnsiString& S);
AnsiString WideToAnsi(const WideString& S);
AnsiString UTF8Encode(const WideString& S);
WideString UTF8Decode(const AnsiString& S);

// ---------------------------------------------------------------------------------------
// Numbers

AnsiString IntToStr(int64_t Value);
// Upper-case hexadecimal with at least Digits digits. Negative values show their two's
// complement in 8 digits, or 16 when Digits asks for more than 8.
AnsiString IntToHex(int64_t Value, int Digits);
// Integers: leading blanks, an optional sign, then decimal digits or "$" / "0x" with
// hexadecimal digits, nothing after them. Hexadecimal values up to FFFFFFFF (wrapping into
// the negative range), decimal values inside the 32-bit range. StrToInt raises EConvertError
// "'%s' is not a valid integer value".
int StrToInt(const AnsiString& S);
int StrToIntDef(const AnsiString& S, int Default);
bool TryStrToInt(const AnsiString& S, int& Value);
int64_t StrToInt64(const AnsiString& S);
int64_t StrToInt64Def(const AnsiString& S, int64_t Default);
bool TryStrToInt64(const AnsiString& S, int64_t& Value);
// Floating values in the general format with 15 significant digits ("1.5", "1E20") and the
// decimal separator of FormatSettings.
AnsiString FloatToStr(double Value);
// Reads the decimal separator of FormatSettings, an optional exponent; blanks around.
double StrToFloat(const AnsiString& S);
double StrToFloatDef(const AnsiString& S, double Default);
bool TryStrToFloat(const AnsiString& S, double& Value);
// "True"/"False" when UseBoolStrs, else "-1"/"0".
AnsiString BoolToStr(bool B, bool UseBoolStrs = false);

// Nearest integer, halves to the even neighbour. Raises EInvalidOp outside the 64-bit range.
int64_t Round(double X);
// Towards zero. Raises EInvalidOp outside the 64-bit range.
int64_t Trunc(double X);
double Frac(double X);

// The program's pseudo-random generator (a linear congruential generator on RandSeed).
extern uint32_t RandSeed;
void Randomize();
// Uniform in 0 .. Range - 1 (0 for a Range below 1).
int Random(int Range);
// Uniform in [0, 1).
double Random();

// ---------------------------------------------------------------------------------------
// Formatting settings (process-wide; on Windows read from the user's locale at start-up)

struct TFormatSettings {
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
  char DateSeparator = '/';
  char TimeSeparator = ':';
  AnsiString ShortDateFormat = "M/d/yyyy";
  AnsiString LongDateFormat = "dddd, MMMM d, yyyy";
  AnsiString ShortTimeFormat = "h:mm AMPM";
  AnsiString LongTimeFormat = "h:mm:ss AMPM";
  AnsiString TimeAMString = "AM";
  AnsiString TimePMString = "PM";
  AnsiString ShortMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  AnsiString LongMonthNames[12] = {"January", "February", "March",     "April",
                                   "May",     "June",     "July",      "August",
                                   "September", "October", "November", "December"};
  AnsiString ShortDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  AnsiString LongDayNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                "Thursday", "Friday", "Saturday"};
};
extern TFormatSettings FormatSettings;
// Reads the user's locale into FormatSettings (done once at start-up on Windows; nothing
// elsewhere).
void GetFormatSettings();

// ---------------------------------------------------------------------------------------
// Dates and times

// Raise EConvertError for values outside the calendar or the day.
TDateTime EncodeDate(int Year, int Month, int Day);
TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec);
bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Date);
bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime& Time);
void DecodeDate(TDateTime Date, int& Year, int& Month, int& Day);
void DecodeTime(TDateTime Time, int& Hour, int& Min, int& Sec, int& MSec);
bool IsLeapYear(int Year);
// 1 = Sunday .. 7 = Saturday.
int DayOfWeek(TDateTime Date);
// The local date and time; Date without, Time only the time of day.
TDateTime Now();
TDateTime Date();
TDateTime Time();

// Formats by the pattern: d dd ddd dddd ddddd (short date) dddddd (long date), m mm mmm
// mmmm (months; minutes right after h/hh), yy yyyy, h hh (12-hour when the pattern holds
// am/pm, a/p or ampm), n nn, s ss, z zzz, t (short time) tt (long time), c (short date and
// long time), "/" and ":" (the separators of FormatSettings), 'text' and "text" literal.
AnsiString FormatDateTime(const AnsiString& Fmt, TDateTime DateTime);
AnsiString DateToStr(TDateTime Date);
AnsiString TimeToStr(TDateTime Time);  // LongTimeFormat with the time separator
AnsiString DateTimeToStr(TDateTime DateTime);

// ---------------------------------------------------------------------------------------
// Files and folders ("\" separates folders on Windows, "/" elsewhere)

extern const char PathDelim;
extern const char* const PathDelimiters;  // the characters that end a folder part

AnsiString ExtractFilePath(const AnsiString& FileName);  // with the trailing separator
AnsiString ExtractFileDir(const AnsiString& FileName);   // without it (unless a root)
AnsiString ExtractFileName(const AnsiString& FileName);
AnsiString ExtractFileExt(const AnsiString& FileName);  // with its "."
AnsiString ExtractFileDrive(const AnsiString& FileName);
AnsiString ChangeFileExt(const AnsiString& FileName, const AnsiString& Extension);
AnsiString IncludeTrailingPathDelimiter(const AnsiString& S);
AnsiString ExcludeTrailingPathDelimiter(const AnsiString& S);
AnsiString ExpandFileName(const AnsiString& FileName);

bool FileExists(const AnsiString& FileName);  // a file, not a folder
bool DirectoryExists(const AnsiString& Directory);
bool CreateDir(const AnsiString& Dir);
bool RemoveDir(const AnsiString& Dir);
// Creates the folder and every missing parent; raises EInOutError for an empty name.
bool ForceDirectories(const AnsiString& Dir);
bool DeleteFile(const AnsiString& FileName);
bool RenameFile(const AnsiString& OldName, const AnsiString& NewName);
AnsiString GetCurrentDir();
bool SetCurrentDir(const AnsiString& Dir);
// The size of the file in bytes, -1 when it cannot be read.
int64_t FileSizeOf(const AnsiString& FileName);
// The file's last write time (local); false when there is no such file.
bool FileAge(const AnsiString& FileName, TDateTime& FileDateTime);

// File attributes as FindFirst reports them.
enum : int {
  faReadOnly = 0x01,
  faHidden = 0x02,
  faSysFile = 0x04,
  faVolumeID = 0x08,
  faDirectory = 0x10,
  faArchive = 0x20,
  faAnyFile = 0x3F
};

struct TSearchState;
struct TSearchRec {
  AnsiString Name;
  int64_t Size = 0;
  int Attr = 0;
  TDateTime TimeStamp = 0;  // last write, local time
  int ExcludeAttr = 0;
  std::shared_ptr<TSearchState> State;
};
// Entries of the folder matching Path's name mask ("*" and "?"). Entries with the hidden,
// system, volume or folder attribute are found only when Attr asks for them. 0 on success,
// else the system's error number.
int FindFirst(const AnsiString& Path, int Attr, TSearchRec& F);
int FindNext(TSearchRec& F);
void FindClose(TSearchRec& F);

// ---------------------------------------------------------------------------------------
// System

// The system's text for an error number (trailing blanks and "." removed).
AnsiString SysErrorMessage(uint32_t ErrorCode);
uint32_t GetLastOSError();
// Raises EOSError for the last system error.
[[noreturn]] void RaiseLastOSError();
[[noreturn]] void RaiseLastOSError(uint32_t LastError);

// The command line as the program's arguments: ParamStr(0) is the program file.
int ParamCount();
AnsiString ParamStr(int Index);
// Splits a command line text into arguments: blanks separate them, double quotes group
// blanks into an argument and are removed.
std::vector<AnsiString> SplitCommandLine(const AnsiString& CommandLine);
// Whether an argument is Chars' character followed by Switch (ignoring case unless told).
bool FindCmdLineSwitch(const AnsiString& Switch, const AnsiString& Chars = "-/",
                       bool IgnoreCase = true);
bool FindCmdLineSwitch(const std::vector<AnsiString>& Params, const AnsiString& Switch,
                       const AnsiString& Chars = "-/", bool IgnoreCase = true);
