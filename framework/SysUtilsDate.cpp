// Dates and times as days since 1899-12-30, their texts, and the formatting settings.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <chrono>
#include <ctime>

#include "framework/SysUtils.h"

#ifdef _WIN32
#include "framework/WinApi.h"
#endif

namespace {

constexpr int64_t kMSecsPerDay = 86400000;

// Days from 1970-01-01 of a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t y = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(y + (month <= 2));
}

const int64_t kDeltaFrom1970 = DaysFromCivil(1899, 12, 30);  // negative

// Whole milliseconds of a date and time: the day (towards zero) and the time of day.
void Split(TDateTime value, int64_t& day, int64_t& msecOfDay) {
  // Years 1..9999 lie within about +-3 million days; anything else is no date.
  if (!(value > -1e7 && value < 1e7)) throw EConvertError("Invalid date/time value");
  int64_t msecs = static_cast<int64_t>(std::llround(value * kMSecsPerDay));
  day = msecs / kMSecsPerDay;
  msecOfDay = msecs % kMSecsPerDay;
  if (msecOfDay < 0) msecOfDay = -msecOfDay;
}

}  // namespace

bool IsLeapYear(int Year) { return Year % 4 == 0 && (Year % 100 != 0 || Year % 400 == 0); }

bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Date) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1) return false;
  int days = kDays[Month - 1] + (Month == 2 && IsLeapYear(Year) ? 1 : 0);
  if (Day > days) return false;
  Date = static_cast<double>(DaysFromCivil(Year, static_cast<unsigned>(Month),
                                           static_cast<unsigned>(Day)) -
                             kDeltaFrom1970);
  return true;
}

TDateTime EncodeDate(int Year, int Month, int Day) {
  TDateTime result;
  if (!TryEncodeDate(Year, Month, Day, result))
    throw EConvertError("Invalid argument to date encode");
  return result;
}

bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime& Time) {
  if (Hour < 0 || Hour > 23 || Min < 0 || Min > 59 || Sec < 0 || Sec > 59 || MSec < 0 ||
      MSec > 999)
    return false;
  Time = (((Hour * 60 + Min) * 60 + Sec) * 1000 + MSec) / static_cast<double>(kMSecsPerDay);
  return true;
}

TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec) {
  TDateTime result;
  if (!TryEncodeTime(Hour, Min, Sec, MSec, result))
    throw EConvertError("Invalid argument to time encode");
  return result;
}

void DecodeDate(TDateTime Date, int& Year, int& Month, int& Day) {
  int64_t day, msec;
  Split(Date, day, msec);
  CivilFromDays(day + kDeltaFrom1970, Year, Month, Day);
}

void DecodeTime(TDateTime Time, int& Hour, int& Min, int& Sec, int& MSec) {
  int64_t day, msec;
  Split(Time, day, msec);
  Hour = static_cast<int>(msec / 3600000);
  Min = static_cast<int>(msec / 60000 % 60);
  Sec = static_cast<int>(msec / 1000 % 60);
  MSec = static_cast<int>(msec % 1000);
}

int DayOfWeek(TDateTime Date) {
  int64_t day, msec;
  Split(Date, day, msec);
  // 1899-12-30 was a Saturday (7).
  int64_t weekday = (day + 6) % 7;
  if (weekday < 0) weekday += 7;
  return static_cast<int>(weekday) + 1;
}

TDateTime Now() {
#ifdef _WIN32
  SYSTEMTIME t;
  GetLocalTime(&t);
  return EncodeDate(t.wYear, t.wMonth, t.wDay) +
         EncodeTime(t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
#else
  const auto since = std::chrono::system_clock::now().time_since_epoch();
  const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
  time_t seconds = static_cast<time_t>(milliseconds / 1000);
  tm local{};
  localtime_r(&seconds, &local);
  return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
         EncodeTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59),
                    static_cast<int>(milliseconds % 1000));
#endif
}

TDateTime Date() { return std::trunc(Now()); }

TDateTime Time() { return Frac(Now()); }

// ---------------------------------------------------------------------------------------
// FormatDateTime

namespace {

bool StartsWithNoCase(const AnsiString& text, size_t at, const char* word) {
  for (size_t k = 0; word[k]; ++k)
    if (at + k >= text.size() || (text[at + k] | 0x20) != (word[k] | 0x20)) return false;
  return true;
}

// Whether the pattern from `at` on holds an am/pm marker outside quotes.
bool HasAmPm(const AnsiString& fmt, size_t at) {
  for (size_t i = at; i < fmt.size(); ++i) {
    char c = fmt[i];
    if (c == '"' || c == '\'') {
      size_t close = fmt.find(c, i + 1);
      if (close == AnsiString::npos) return false;
      i = close;
    } else if (StartsWithNoCase(fmt, i, "am/pm") || StartsWithNoCase(fmt, i, "a/p") ||
               StartsWithNoCase(fmt, i, "ampm")) {
      return true;
    }
  }
  return false;
}

AnsiString Pad(int value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*d", digits, value);
  return text;
}

struct TParts {
  int Year, Month, Day, Hour, Min, Sec, MSec, Weekday;
  bool HasTime;
};

void AppendFormat(AnsiString& out, const AnsiString& fmt, const TParts& p, int level) {
  const TFormatSettings& fs = FormatSettings;
  char lastToken = ' ';
  bool use12Hour = false;
  size_t i = 0;
  while (i < fmt.size()) {
    char starter = fmt[i];
    char token = starter;
    if (token >= 'a' && token <= 'z') token = static_cast<char>(token - 32);
    if (token >= 'A' && token <= 'Z') {
      if (token == 'M' && lastToken == 'H') token = 'N';
      lastToken = token;
    }
    size_t count = 1;
    auto countRun = [&]() {
      count = 1;
      while (i + count < fmt.size() && (fmt[i + count] | 0x20) == (starter | 0x20)) ++count;
    };
    switch (token) {
      case 'Y':
        countRun();
        out += count <= 2 ? Pad(p.Year % 100, 2) : Pad(p.Year, 4);
        i += count;
        break;
      case 'M':
        countRun();
        if (count == 1) {
          out += std::to_string(p.Month);
        } else if (count == 2) {
          out += Pad(p.Month, 2);
        } else if (count == 3) {
          out += fs.ShortMonthNames[p.Month - 1];
        } else {
          out += fs.LongMonthNames[p.Month - 1];
        }
        i += count;
        break;
      case 'D':
        countRun();
        if (count == 1) {
          out += std::to_string(p.Day);
        } else if (count == 2) {
          out += Pad(p.Day, 2);
        } else if (count == 3) {
          out += fs.ShortDayNames[p.Weekday];
        } else if (count == 4) {
          out += fs.LongDayNames[p.Weekday];
        } else if (level < 2) {
          AppendFormat(out, count == 5 ? fs.ShortDateFormat : fs.LongDateFormat, p, level + 1);
        }
        i += count;
        break;
      case 'H': {
        countRun();
        use12Hour = HasAmPm(fmt, i + count);
        int hour = p.Hour;
        if (use12Hour) {
          hour %= 12;
          if (hour == 0) hour = 12;
        }
        out += count == 1 ? std::to_string(hour) : Pad(hour, 2);
        i += count;
        break;
      }
      case 'N':
        countRun();
        out += count == 1 ? std::to_string(p.Min) : Pad(p.Min, 2);
        i += count;
        break;
      case 'S':
        countRun();
        out += count == 1 ? std::to_string(p.Sec) : Pad(p.Sec, 2);
        i += count;
        break;
      case 'Z':
        countRun();
        out += count == 1 ? std::to_string(p.MSec) : Pad(p.MSec, 3);
        i += count;
        break;
      case 'T':
        countRun();
        if (level < 2)
          AppendFormat(out, count == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, p, level + 1);
        i += count;
        break;
      case 'C':
        countRun();
        if (level < 2) {
          AppendFormat(out, fs.ShortDateFormat, p, level + 1);
          if (p.HasTime) {
            out += ' ';
            AppendFormat(out, fs.LongTimeFormat, p, level + 1);
          }
        }
        i += count;
        break;
      case 'A':
        if (StartsWithNoCase(fmt, i, "am/pm")) {
          bool pm = p.Hour >= 12;
          // The marker keeps the case the pattern writes it in.
          AnsiString marker = fmt.substr(i + (pm ? 3 : 0), 2);
          out += marker;
          i += 5;
        } else if (StartsWithNoCase(fmt, i, "a/p")) {
          out += fmt[i + (p.Hour >= 12 ? 2 : 0)];
          i += 3;
        } else if (StartsWithNoCase(fmt, i, "ampm")) {
          out += p.Hour >= 12 ? fs.TimePMString : fs.TimeAMString;
          i += 4;
        } else {
          out += starter;
          ++i;
        }
        break;
      case '/':
        if (fs.DateSeparator) out += fs.DateSeparator;
        ++i;
        break;
      case ':':
        if (fs.TimeSeparator) out += fs.TimeSeparator;
        ++i;
        break;
      case '"':
      case '\'': {
        size_t close = fmt.find(starter, i + 1);
        if (close == AnsiString::npos) close = fmt.size();
        out.append(fmt, i + 1, close - i - 1);
        i = close + 1;
        break;
      }
      default:
        out += starter;
        ++i;
        break;
    }
  }
}

}  // namespace

AnsiString FormatDateTime(const AnsiString& Fmt, TDateTime DateTime) {
  TParts p{};
  DecodeDate(DateTime, p.Year, p.Month, p.Day);
  DecodeTime(DateTime, p.Hour, p.Min, p.Sec, p.MSec);
  p.Weekday = DayOfWeek(DateTime) - 1;
  p.HasTime = p.Hour != 0 || p.Min != 0 || p.Sec != 0 || p.MSec != 0;
  AnsiString result;
  AppendFormat(result, Fmt.empty() ? AnsiString("C") : Fmt, p, 0);
  return result;
}

AnsiString DateToStr(TDateTime Date) { return FormatDateTime("ddddd", Date); }

AnsiString TimeToStr(TDateTime Time) { return FormatDateTime("tt", Time); }

AnsiString DateTimeToStr(TDateTime DateTime) { return FormatDateTime("c", DateTime); }

// ---------------------------------------------------------------------------------------
// Formatting settings

namespace {

TFormatSettings InitialFormatSettings() {
  TFormatSettings settings;
#ifdef _WIN32
  auto get = [](LCTYPE type, const AnsiString& fallback) -> AnsiString {
    char buffer[256];
    int length = GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buffer, sizeof buffer);
    return length > 1 ? AnsiString(buffer, static_cast<size_t>(length - 1)) : fallback;
  };
  auto first = [&](LCTYPE type, char fallback) {
    AnsiString text = get(type, AnsiString(1, fallback));
    return text.empty() ? fallback : text[0];
  };
  settings.DecimalSeparator = first(LOCALE_SDECIMAL, '.');
  settings.ThousandSeparator = first(LOCALE_STHOUSAND, ',');
  settings.DateSeparator = first(LOCALE_SDATE, '/');
  settings.TimeSeparator = first(LOCALE_STIME, ':');
  settings.ShortDateFormat = get(LOCALE_SSHORTDATE, settings.ShortDateFormat);
  settings.LongDateFormat = get(LOCALE_SLONGDATE, settings.LongDateFormat);
  bool twelveHour = get(LOCALE_ITIME, "0") == "0";
  AnsiString hour = get(LOCALE_ITLZERO, "0") == "1" ? "hh" : "h";
  AnsiString suffix = twelveHour ? " AMPM" : "";
  settings.ShortTimeFormat = hour + ":mm" + suffix;
  settings.LongTimeFormat = hour + ":mm:ss" + suffix;
  settings.TimeAMString = get(LOCALE_S1159, "AM");
  settings.TimePMString = get(LOCALE_S2359, "PM");
  for (int i = 0; i < 12; ++i) {
    settings.ShortMonthNames[i] =
        get(static_cast<LCTYPE>(LOCALE_SABBREVMONTHNAME1 + i), settings.ShortMonthNames[i]);
    settings.LongMonthNames[i] =
        get(static_cast<LCTYPE>(LOCALE_SMONTHNAME1 + i), settings.LongMonthNames[i]);
  }
  for (int i = 0; i < 7; ++i) {
    // The locale's week starts on Monday (name 1), the framework's on Sunday.
    int n = i == 0 ? 6 : i - 1;
    settings.ShortDayNames[i] =
        get(static_cast<LCTYPE>(LOCALE_SABBREVDAYNAME1 + n), settings.ShortDayNames[i]);
    settings.LongDayNames[i] =
        get(static_cast<LCTYPE>(LOCALE_SDAYNAME1 + n), settings.LongDayNames[i]);
  }
#endif
  return settings;
}

}  // namespace

TFormatSettings FormatSettings = InitialFormatSettings();

void GetFormatSettings() { FormatSettings = InitialFormatSettings(); }
