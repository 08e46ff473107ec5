// Texts, numbers, exceptions. The locale-dependent parts use the Windows API on Windows.
#include "framework/SysUtils.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <chrono>
#include <ctime>

#ifdef _WIN32
#include "framework/WinApi.h"
#endif

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

int Sign(int value) { return (value > 0) - (value < 0); }

}  // namespace

// ---------------------------------------------------------------------------------------
// Exceptions

void Abort() { throw EAbort("Operation aborted"); }

// ---------------------------------------------------------------------------------------
// Texts

AnsiString Trim(const AnsiString& S) {
  size_t first = 0, last = S.size();
  while (first < last && IsBlank(S[first])) ++first;
  while (last > first && IsBlank(S[last - 1])) --last;
  return S.substr(first, last - first);
}

AnsiString TrimLeft(const AnsiString& S) {
  size_t first = 0;
  while (first < S.size() && IsBlank(S[first])) ++first;
  return S.substr(first);
}

AnsiString TrimRight(const AnsiString& S) {
  size_t last = S.size();
  while (last > 0 && IsBlank(S[last - 1])) --last;
  return S.substr(0, last);
}

AnsiString UpperCase(const AnsiString& S) {
  AnsiString result = S;
  for (char& c : result) c = AsciiUpper(c);
  return result;
}

AnsiString LowerCase(const AnsiString& S) {
  AnsiString result = S;
  for (char& c : result) c = AsciiLower(c);
  return result;
}

AnsiString AnsiUpperCase(const AnsiString& S) {
#ifdef _WIN32
  AnsiString result = S;
  if (!result.empty() && result.size() <= 0x7FFFFFFF)
    CharUpperBuffA(&result[0], static_cast<DWORD>(result.size()));
  return result;
#else
  return UpperCase(S);
#endif
}

AnsiString AnsiLowerCase(const AnsiString& S) {
#ifdef _WIN32
  AnsiString result = S;
  if (!result.empty() && result.size() <= 0x7FFFFFFF)
    CharLowerBuffA(&result[0], static_cast<DWORD>(result.size()));
  return result;
#else
  return LowerCase(S);
#endif
}

int CompareStr(const AnsiString& S1, const AnsiString& S2) { return Sign(S1.compare(S2)); }

int CompareText(const AnsiString& S1, const AnsiString& S2) {
  size_t n = std::min(S1.size(), S2.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char a = static_cast<unsigned char>(AsciiUpper(S1[i]));
    unsigned char b = static_cast<unsigned char>(AsciiUpper(S2[i]));
    if (a != b) return a < b ? -1 : 1;
  }
  return S1.size() == S2.size() ? 0 : (S1.size() < S2.size() ? -1 : 1);
}

bool SameText(const AnsiString& S1, const AnsiString& S2) {
  return S1.size() == S2.size() && CompareText(S1, S2) == 0;
}

#ifdef _WIN32
namespace {
int LocaleCompare(const AnsiString& S1, const AnsiString& S2, DWORD flags) {
  if (S1.size() > 0x7FFFFFFF || S2.size() > 0x7FFFFFFF) return CompareStr(S1, S2);
  int result = CompareStringA(LOCALE_USER_DEFAULT, flags, S1.data(), static_cast<int>(S1.size()),
                              S2.data(), static_cast<int>(S2.size()));
  if (result == 0) return flags ? CompareText(S1, S2) : CompareStr(S1, S2);
  return result - CSTR_EQUAL;
}
}  // namespace
#endif

int AnsiCompareStr(const AnsiString& S1, const AnsiString& S2) {
#ifdef _WIN32
  return LocaleCompare(S1, S2, 0);
#else
  return CompareStr(S1, S2);
#endif
}

int AnsiCompareText(const AnsiString& S1, const AnsiString& S2) {
#ifdef _WIN32
  return LocaleCompare(S1, S2, NORM_IGNORECASE);
#else
  return CompareText(S1, S2);
#endif
}

bool AnsiSameText(const AnsiString& S1, const AnsiString& S2) {
  return AnsiCompareText(S1, S2) == 0;
}

bool AnsiSameStr(const AnsiString& S1, const AnsiString& S2) {
  return AnsiCompareStr(S1, S2) == 0;
}

int Pos(const AnsiString& Substr, const AnsiString& S) { return PosEx(Substr, S, 1); }

int PosEx(const AnsiString& Substr, const AnsiString& S, int Offset) {
  if (Substr.empty() || Offset < 1 || static_cast<size_t>(Offset) > S.size()) return 0;
  size_t found = S.find(Substr, static_cast<size_t>(Offset) - 1);
  return found == AnsiString::npos ? 0 : static_cast<int>(found) + 1;
}

AnsiString Copy(const AnsiString& S, int Index, int Count) {
  if (Index < 1) Index = 1;
  if (Count <= 0 || static_cast<size_t>(Index) > S.size()) return AnsiString();
  return S.substr(static_cast<size_t>(Index) - 1, static_cast<size_t>(Count));
}

void Delete(AnsiString& S, int Index, int Count) {
  if (Index < 1 || static_cast<size_t>(Index) > S.size() || Count <= 0) return;
  S.erase(static_cast<size_t>(Index) - 1, static_cast<size_t>(Count));
}

void Insert(const AnsiString& Source, AnsiString& S, int Index) {
  if (Index < 1) Index = 1;
  size_t at = std::min(static_cast<size_t>(Index) - 1, S.size());
  S.insert(at, Source);
}

int LastDelimiter(const AnsiString& Delimiters, const AnsiString& S) {
  size_t found = S.find_last_of(Delimiters);
  return found == AnsiString::npos ? 0 : static_cast<int>(found) + 1;
}

AnsiString StringOfChar(char Ch, int Count) {
  return Count > 0 ? AnsiString(static_cast<size_t>(Count), Ch) : AnsiString();
}

AnsiString StringReplace(const AnsiString& S, const AnsiString& OldPattern,
                         const AnsiString& NewPattern, TReplaceFlags Flags) {
  if (OldPattern.empty()) return S;
  bool ignoreCase = Flags.Contains(rfIgnoreCase);
  const AnsiString searchIn = ignoreCase ? AnsiUpperCase(S) : S;
  const AnsiString pattern = ignoreCase ? AnsiUpperCase(OldPattern) : OldPattern;
  AnsiString result;
  size_t from = 0;
  while (true) {
    size_t found = searchIn.find(pattern, from);
    // Upper-casing keeps byte lengths in single-byte code pages; should it ever change
    // them, nothing more is replaced rather than cutting the text at wrong offsets.
    if (found == AnsiString::npos || searchIn.size() != S.size()) break;
    result.append(S, from, found - from);
    result += NewPattern;
    from = found + OldPattern.size();
    if (!Flags.Contains(rfReplaceAll)) break;
  }
  result.append(S, from, AnsiString::npos);
  return result;
}

AnsiString QuotedStr(const AnsiString& S) { return AnsiQuotedStr(S, '\''); }

AnsiString AnsiQuotedStr(const AnsiString& S, char Quote) {
  AnsiString result(1, Quote);
  for (char c : S) {
    result += c;
    if (c == Quote) result += c;
  }
  result += Quote;
  return result;
}

AnsiString AnsiExtractQuotedStr(const AnsiString& S, size_t& Pos, char Quote) {
  AnsiString result;
  if (Pos >= S.size() || S[Pos] != Quote) return result;
  ++Pos;
  while (Pos < S.size()) {
    if (S[Pos] == Quote) {
      if (Pos + 1 < S.size() && S[Pos + 1] == Quote) {
        result += Quote;
        Pos += 2;
        continue;
      }
      ++Pos;
      break;
    }
    result += S[Pos++];
  }
  return result;
}

AnsiString AnsiDequotedStr(const AnsiString& S, char Quote) {
  if (S.size() < 2 || S.front() != Quote) return S;
  size_t pos = 0;
  AnsiString result = AnsiExtractQuotedStr(S, pos, Quote);
  // Only a text that is exactly one quoted part loses its quotes.
  if (pos != S.size() || S.back() != Quote) return S;
  return result;
}

bool IsValidIdent(const AnsiString& Ident) {
  if (Ident.empty()) return false;
  auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  if (!alpha(Ident[0])) return false;
  for (char c : Ident)
    if (!alpha(c) && !(c >= '0' && c <= '9')) return false;
  return true;
}

WideString AnsiToWide(const AnsiString& S) {
#ifdef _WIN32
  if (S.empty() || S.size() > 0x7FFFFFFF) return WideString();
  int length = MultiByteToWideChar(CP_ACP, 0, S.data(), static_cast<int>(S.size()), nullptr, 0);
  WideString result(static_cast<size_t>(std::max(length, 0)), L'\0');
  if (length > 0)
    MultiByteToWideChar(CP_ACP, 0, S.data(), static_cast<int>(S.size()), &result[0], length);
  return result;
#else
  WideString result;
  result.reserve(S.size());
  for (char c : S) result += static_cast<wchar_t>(static_cast<unsigned char>(c));
  return result;
#endif
}

AnsiString WideToAnsi(const WideString& S) {
#ifdef _WIN32
  if (S.empty() || S.size() > 0x7FFFFFFF) return AnsiString();
  int length = WideCharToMultiByte(CP_ACP, 0, S.data(), static_cast<int>(S.size()), nullptr, 0,
                                   nullptr, nullptr);
  AnsiString result(static_cast<size_t>(std::max(length, 0)), '\0');
  if (length > 0)
    WideCharToMultiByte(CP_ACP, 0, S.data(), static_cast<int>(S.size()), &result[0], length,
                        nullptr, nullptr);
  return result;
#else
  AnsiString result;
  result.reserve(S.size());
  for (wchar_t c : S) result += static_cast<unsigned>(c) < 256 ? static_cast<char>(c) : '?';
  return result;
#endif
}

AnsiString UTF8Encode(const WideString& S) {
  AnsiString result;
  result.reserve(S.size());
  for (size_t i = 0; i < S.size(); ++i) {
    uint32_t cp = static_cast<uint32_t>(S[i]);
    if (sizeof(wchar_t) == 2 && cp >= 0xD800 && cp < 0xDC00 && i + 1 < S.size()) {
      uint32_t low = static_cast<uint32_t>(S[i + 1]);
      if (low >= 0xDC00 && low < 0xE000) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) cp = 0xFFFD;
    if (cp < 0x80) {
      result += static_cast<char>(cp);
    } else if (cp < 0x800) {
      result += static_cast<char>(0xC0 | (cp >> 6));
      result += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      result += static_cast<char>(0xE0 | (cp >> 12));
      result += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      result += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      result += static_cast<char>(0xF0 | (cp >> 18));
      result += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      result += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      result += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return result;
}

WideString UTF8Decode(const AnsiString& S) {
  WideString result;
  result.reserve(S.size());
  size_t i = 0;
  while (i < S.size()) {
    unsigned char lead = static_cast<unsigned char>(S[i]);
    uint32_t cp = 0xFFFD;
    size_t extra = 0;
    uint32_t least = 0;
    if (lead < 0x80) {
      cp = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1, cp = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, cp = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, cp = lead & 0x07, least = 0x10000;
    }
    ++i;
    if (lead >= 0x80 && extra == 0) {
      cp = 0xFFFD;  // a stray continuation byte or an invalid lead byte
    } else if (extra > 0) {
      size_t n = 0;
      while (n < extra && i + n < S.size() &&
             (static_cast<unsigned char>(S[i + n]) & 0xC0) == 0x80) {
        cp = (cp << 6) | (static_cast<unsigned char>(S[i + n]) & 0x3F);
        ++n;
      }
      i += n;
      if (n != extra || cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000))
        cp = 0xFFFD;
    }
    if (sizeof(wchar_t) == 2 && cp >= 0x10000) {
      cp -= 0x10000;
      result += static_cast<wchar_t>(0xD800 + (cp >> 10));
      result += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
    } else {
      result += static_cast<wchar_t>(cp);
    }
  }
  return result;
}

// ---------------------------------------------------------------------------------------
// Numbers

AnsiString IntToStr(int64_t Value) { return std::to_string(Value); }

AnsiString IntToHex(int64_t Value, int Digits) {
  uint64_t bits = static_cast<uint64_t>(Value);
  if (Value < 0 && Digits <= 8 && Value >= INT32_MIN) bits &= 0xFFFFFFFFu;
  static const char kHex[] = "0123456789ABCDEF";
  AnsiString result;
  do {
    result.insert(result.begin(), kHex[bits & 15]);
    bits >>= 4;
  } while (bits != 0);
  if (Digits > 32) Digits = 32;
  if (static_cast<int>(result.size()) < Digits)
    result.insert(0, static_cast<size_t>(Digits) - result.size(), '0');
  return result;
}

namespace {

// The integer reader behind StrToInt and StrToInt64. Decimal values must fit `bits` bits
// signed; hexadecimal ones fit `bits` bits unsigned and wrap into the negative range.
bool ParseInteger(const AnsiString& S, int bits, int64_t& value) {
  size_t i = 0;
  while (i < S.size() && S[i] == ' ') ++i;
  bool negative = false;
  if (i < S.size() && (S[i] == '+' || S[i] == '-')) negative = S[i++] == '-';
  bool hex = false;
  if (i < S.size() && S[i] == '$') {
    hex = true, ++i;
  } else if (i + 1 < S.size() && S[i] == '0' && (S[i + 1] == 'x' || S[i + 1] == 'X')) {
    hex = true, i += 2;
  } else if (i < S.size() && (S[i] == 'x' || S[i] == 'X')) {
    hex = true, ++i;
  }
  if (i >= S.size()) return false;
  const uint64_t hexLimit = bits == 64 ? ~uint64_t{0} : (uint64_t{1} << bits) - 1;
  const uint64_t decLimit = (uint64_t{1} << (bits - 1)) - (negative ? 0 : 1);
  uint64_t magnitude = 0;
  for (; i < S.size(); ++i) {
    char c = S[i];
    unsigned digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (hex && c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else if (hex && c >= 'A' && c <= 'F') {
      digit = static_cast<unsigned>(c - 'A' + 10);
    } else {
      return false;
    }
    if (hex) {
      if (magnitude > (hexLimit >> 4)) return false;
      magnitude = (magnitude << 4) | digit;
    } else {
      if (magnitude > (decLimit - digit) / 10) return false;
      magnitude = magnitude * 10 + digit;
    }
  }
  if (hex) {
    // Wraps like the framework's reader: $FFFFFFFF is -1 as a 32-bit integer.
    uint64_t bitsValue = negative ? (~magnitude + 1) : magnitude;
    if (bits == 32) {
      value = static_cast<int32_t>(static_cast<uint32_t>(bitsValue));
    } else {
      value = static_cast<int64_t>(bitsValue);
    }
    return true;
  }
  value = negative ? static_cast<int64_t>(~magnitude + 1) : static_cast<int64_t>(magnitude);
  return true;
}

[[noreturn]] void RaiseNotInteger(const AnsiString& S) {
  throw EConvertError("'%s' is not a valid integer value", {S});
}

}  // namespace

bool TryStrToInt(const AnsiString& S, int& Value) {
  int64_t value;
  if (!ParseInteger(S, 32, value)) return false;
  Value = static_cast<int>(value);
  return true;
}

int StrToInt(const AnsiString& S) {
  int value;
  if (!TryStrToInt(S, value)) RaiseNotInteger(S);
  return value;
}

int StrToIntDef(const AnsiString& S, int Default) {
  int value;
  return TryStrToInt(S, value) ? value : Default;
}

bool TryStrToInt64(const AnsiString& S, int64_t& Value) { return ParseInteger(S, 64, Value); }

int64_t StrToInt64(const AnsiString& S) {
  int64_t value;
  if (!TryStrToInt64(S, value)) RaiseNotInteger(S);
  return value;
}

int64_t StrToInt64Def(const AnsiString& S, int64_t Default) {
  int64_t value;
  return TryStrToInt64(S, value) ? value : Default;
}

bool TryStrToFloat(const AnsiString& S, double& Value) {
  AnsiString text = Trim(S);
  if (text.empty()) return false;
  // Accept exactly: sign, digits, one decimal separator, digits, exponent.
  AnsiString plain;
  size_t i = 0;
  if (text[i] == '+' || text[i] == '-') plain += text[i++];
  bool digits = false, separator = false;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c >= '0' && c <= '9') {
      plain += c, digits = true;
    } else if (c == FormatSettings.DecimalSeparator && !separator) {
      plain += '.', separator = true;
    } else {
      break;
    }
  }
  if (!digits) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    plain += 'e', ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) plain += text[i++];
    bool exponentDigits = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
      plain += text[i], exponentDigits = true;
    if (!exponentDigits) return false;
  }
  if (i != text.size()) return false;
  // strtod reads "." whatever the C locale's separator is only in the "C" locale, which
  // the program never changes.
  char* end = nullptr;
  errno = 0;
  double value = std::strtod(plain.c_str(), &end);
  if (end != plain.c_str() + plain.size() || !std::isfinite(value)) return false;
  Value = value;
  return true;
}

double StrToFloat(const AnsiString& S) {
  double value;
  if (!TryStrToFloat(S, value))
    throw EConvertError("'%s' is not a valid floating point value", {S});
  return value;
}

double StrToFloatDef(const AnsiString& S, double Default) {
  double value;
  return TryStrToFloat(S, value) ? value : Default;
}

AnsiString BoolToStr(bool B, bool UseBoolStrs) {
  if (UseBoolStrs) return B ? "True" : "False";
  return B ? "-1" : "0";
}

namespace {
// 2^63 is exact in a double; every whole value in [-2^63, 2^63) converts without loss.
int64_t ToInt64(double whole) {
  if (!(whole >= -9223372036854775808.0 && whole < 9223372036854775808.0))
    throw EInvalidOp("Invalid floating point operation");
  return static_cast<int64_t>(whole);
}
}  // namespace

int64_t Round(double X) { return ToInt64(std::nearbyint(X)); }  // halves to even

int64_t Trunc(double X) { return ToInt64(std::trunc(X)); }

double Frac(double X) { return X - std::trunc(X); }

uint32_t RandSeed = 0;

void Randomize() {
#ifdef _WIN32
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  RandSeed = static_cast<uint32_t>(counter.QuadPart) ^ GetTickCount();
#else
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch();
  const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(ticks).count();
  RandSeed = static_cast<uint32_t>(nanoseconds % 1000000000) ^
             static_cast<uint32_t>(nanoseconds / 1000000000);
#endif
}

namespace {
uint32_t NextRandom() {
  RandSeed = RandSeed * 134775813u + 1u;
  return RandSeed;
}
}  // namespace

int Random(int Range) {
  if (Range <= 0) return 0;
  return static_cast<int>((static_cast<uint64_t>(NextRandom()) * static_cast<uint32_t>(Range)) >>
                          32);
}

double Random() { return NextRandom() / 4294967296.0; }

// ---------------------------------------------------------------------------------------
// Command line

std::vector<AnsiString> SplitCommandLine(const AnsiString& CommandLine) {
  std::vector<AnsiString> params;
  size_t i = 0;
  while (true) {
    while (i < CommandLine.size() && IsBlank(CommandLine[i])) ++i;
    if (i >= CommandLine.size()) break;
    AnsiString param;
    bool quoted = false;
    while (i < CommandLine.size() && (quoted || !IsBlank(CommandLine[i]))) {
      if (CommandLine[i] == '"') {
        quoted = !quoted;
      } else {
        param += CommandLine[i];
      }
      ++i;
    }
    params.push_back(param);
  }
  return params;
}

bool FindCmdLineSwitch(const std::vector<AnsiString>& Params, const AnsiString& Switch,
                       const AnsiString& Chars, bool IgnoreCase) {
  for (size_t i = 1; i < Params.size(); ++i) {
    const AnsiString& param = Params[i];
    AnsiString name = param;
    if (!Chars.empty()) {
      if (param.empty() || Chars.find(param[0]) == AnsiString::npos) continue;
      name = param.substr(1);
    }
    if (IgnoreCase ? AnsiSameText(name, Switch) : name == Switch) return true;
  }
  return false;
}

namespace {
std::vector<AnsiString> ProcessParams();
}

int ParamCount() { return static_cast<int>(ProcessParams().size()) - 1; }

AnsiString ParamStr(int Index) {
  std::vector<AnsiString> params = ProcessParams();
  if (Index < 0 || static_cast<size_t>(Index) >= params.size()) return AnsiString();
  return params[static_cast<size_t>(Index)];
}

bool FindCmdLineSwitch(const AnsiString& Switch, const AnsiString& Chars, bool IgnoreCase) {
  return FindCmdLineSwitch(ProcessParams(), Switch, Chars, IgnoreCase);
}

namespace {

// The process's arguments; the first is always the program file.
std::vector<AnsiString> ProcessParams() {
#ifdef _WIN32
  std::vector<AnsiString> params = SplitCommandLine(GetCommandLineA());
  char path[MAX_PATH + 1] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  AnsiString program(path, std::min<DWORD>(length, MAX_PATH));
  if (params.empty()) params.emplace_back();
  params[0] = program;
  return params;
#else
  std::vector<AnsiString> params;
  if (FILE* file = std::fopen("/proc/self/cmdline", "rb")) {
    AnsiString text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
    std::fclose(file);
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\0', start);
      if (end == AnsiString::npos) end = text.size();
      params.push_back(text.substr(start, end - start));
      start = end + 1;
    }
  }
  if (params.empty()) params.emplace_back();
  return params;
#endif
}

}  // namespace
