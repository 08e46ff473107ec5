// Format and the floating-value texts. Floating values are turned into 18 significant
// decimal digits first and rounded on those digits, halves away from zero, so "%.1f" of
// 0.25 gives "0.3" as the framework always did.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/SysUtils.h"

AnsiString TVarRec::AsText() const {
  switch (FKind) {
    case vtString:
      return FTextLength == ~size_t{0} ? AnsiString(FText) : AnsiString(FText, FTextLength);
    case vtWideString:
      return WideToAnsi(*FWide);
    case vtChar:
      return AnsiString(1, static_cast<char>(FInt));
    default:
      return AnsiString();
  }
}

namespace {

// A floating value as decimal digits: value = 0.Digits x 10^Point, Digits without
// leading zeros (empty for zero).
struct TDecimal {
  bool Negative = false;
  AnsiString Digits;
  int Point = 0;
};

TDecimal ToDecimal(double value) {
  TDecimal result;
  result.Negative = std::signbit(value);
  value = std::fabs(value);
  if (value == 0) return result;
  char text[64];
  std::snprintf(text, sizeof text, "%.17e", value);  // d.ddddddddddddddddde+XX
  for (const char* p = text; *p && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9') result.Digits += *p;
  const char* e = std::strchr(text, 'e');
  result.Point = (e ? std::atoi(e + 1) : 0) + 1;
  while (!result.Digits.empty() && result.Digits.back() == '0') result.Digits.pop_back();
  return result;
}

// Keeps the first `keep` digits, rounding halves away from zero.
void RoundDigits(TDecimal& d, int keep) {
  if (keep < 0) {
    d.Digits.clear();
    return;
  }
  if (static_cast<size_t>(keep) >= d.Digits.size()) return;
  bool up = d.Digits[static_cast<size_t>(keep)] >= '5';
  d.Digits.resize(static_cast<size_t>(keep));
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.Digits[static_cast<size_t>(i)] == '9') d.Digits[static_cast<size_t>(i--)] = '0';
    if (i >= 0) {
      ++d.Digits[static_cast<size_t>(i)];
    } else {
      d.Digits.insert(d.Digits.begin(), '1');
      d.Point++;
    }
  }
  while (!d.Digits.empty() && d.Digits.back() == '0') d.Digits.pop_back();
}

AnsiString Special(double value) {
  if (std::isnan(value)) return "NAN";
  return value < 0 ? "-INF" : "INF";
}

AnsiString GroupThousands(const AnsiString& digits) {
  char separator = FormatSettings.ThousandSeparator;
  if (separator == '\0') return digits;
  AnsiString result;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) result += separator;
    result += digits[i];
  }
  return result;
}

// Fixed notation with `decimals` digits after the separator; `thousands` groups the whole
// part.
AnsiString FixedText(double value, int decimals, bool thousands) {
  if (!std::isfinite(value)) return Special(value);
  TDecimal d = ToDecimal(value);
  RoundDigits(d, d.Point + decimals);
  AnsiString whole, fraction;
  for (int i = 0; i < d.Point; ++i)
    whole += static_cast<size_t>(i) < d.Digits.size() ? d.Digits[static_cast<size_t>(i)] : '0';
  if (whole.empty()) whole = "0";
  for (int i = 0; i < decimals; ++i) {
    int at = d.Point + i;
    fraction += (at >= 0 && static_cast<size_t>(at) < d.Digits.size())
                    ? d.Digits[static_cast<size_t>(at)]
                    : '0';
  }
  AnsiString result = (d.Negative && !d.Digits.empty()) ? "-" : "";
  result += thousands ? GroupThousands(whole) : whole;
  if (decimals > 0) result += FormatSettings.DecimalSeparator + fraction;
  return result;
}

// Scientific notation: one digit, `precision` - 1 decimals, "E", the exponent's sign
// (always, or only when negative) and at least `exponentDigits` digits.
AnsiString ExponentText(const TDecimal& rounded, int precision, bool alwaysSign,
                        int exponentDigits, bool trimZeros) {
  AnsiString mantissa = rounded.Digits.empty() ? "0" : rounded.Digits;
  if (!trimZeros && mantissa.size() < static_cast<size_t>(precision))
    mantissa.append(static_cast<size_t>(precision) - mantissa.size(), '0');
  AnsiString result = (rounded.Negative && !rounded.Digits.empty()) ? "-" : "";
  result += mantissa[0];
  if (mantissa.size() > 1) result += FormatSettings.DecimalSeparator + mantissa.substr(1);
  int exponent = rounded.Digits.empty() ? 0 : rounded.Point - 1;
  result += 'E';
  if (exponent < 0) {
    result += '-';
  } else if (alwaysSign) {
    result += '+';
  }
  AnsiString digits = std::to_string(exponent < 0 ? -exponent : exponent);
  if (static_cast<int>(digits.size()) < exponentDigits)
    digits.insert(0, static_cast<size_t>(exponentDigits) - digits.size(), '0');
  return result + digits;
}

AnsiString ScientificText(double value, int precision) {
  if (!std::isfinite(value)) return Special(value);
  if (precision < 1) precision = 1;
  if (precision > 18) precision = 18;
  TDecimal d = ToDecimal(value);
  RoundDigits(d, precision);
  return ExponentText(d, precision, true, 3, false);
}

AnsiString GeneralText(double value, int precision) {
  if (!std::isfinite(value)) return Special(value);
  if (precision < 1 || precision > 18) precision = 15;
  TDecimal d = ToDecimal(value);
  RoundDigits(d, precision);
  if (d.Digits.empty()) return "0";
  if (d.Point > precision || d.Point < -3) return ExponentText(d, precision, false, 0, true);
  AnsiString result = d.Negative ? "-" : "";
  if (d.Point <= 0) {
    result += "0";
    result += FormatSettings.DecimalSeparator;
    result.append(static_cast<size_t>(-d.Point), '0');
    result += d.Digits;
    return result;
  }
  for (int i = 0; i < d.Point; ++i)
    result += static_cast<size_t>(i) < d.Digits.size() ? d.Digits[static_cast<size_t>(i)] : '0';
  if (d.Digits.size() > static_cast<size_t>(d.Point))
    result += FormatSettings.DecimalSeparator + d.Digits.substr(static_cast<size_t>(d.Point));
  return result;
}

[[noreturn]] void InvalidFormat(const AnsiString& fmt) {
  throw EConvertError("Format '" + fmt + "' invalid or incompatible with argument");
}

}  // namespace

AnsiString FloatToStr(double Value) { return GeneralText(Value, 15); }

AnsiString Format(const AnsiString& Fmt, TVarRecs Args) {
  return Format(Fmt, Args.begin(), Args.size());
}

AnsiString Format(const AnsiString& Fmt, const TVarRec* Args, size_t Count) {
  const TVarRec* args = Args;
  const size_t argCount = Count;
  size_t next = 0;  // the next argument to take
  AnsiString result;
  size_t i = 0;
  auto takeArg = [&]() -> const TVarRec& {
    if (next >= argCount) throw EConvertError("No argument for format '" + Fmt + "'");
    return args[next++];
  };
  // A number of the specifier, or "*" taken from the arguments; -1 when absent.
  auto readNumber = [&]() -> int {
    if (i < Fmt.size() && Fmt[i] == '*') {
      ++i;
      const TVarRec& arg = takeArg();
      if (arg.Kind() != TVarRec::vtInteger && arg.Kind() != TVarRec::vtInt64) InvalidFormat(Fmt);
      int64_t value = arg.AsInteger();
      return value < 0 ? -1 : static_cast<int>(std::min<int64_t>(value, 1 << 20));
    }
    if (i >= Fmt.size() || Fmt[i] < '0' || Fmt[i] > '9') return -1;
    int64_t value = 0;
    while (i < Fmt.size() && Fmt[i] >= '0' && Fmt[i] <= '9') {
      value = std::min<int64_t>(value * 10 + (Fmt[i] - '0'), 1 << 20);
      ++i;
    }
    return static_cast<int>(value);
  };

  while (i < Fmt.size()) {
    char c = Fmt[i++];
    if (c != '%') {
      result += c;
      continue;
    }
    if (i >= Fmt.size()) InvalidFormat(Fmt);
    if (Fmt[i] == '%') {
      result += '%';
      ++i;
      continue;
    }
    // [index ":"] ["-"] [width] ["." precision] type
    bool leftAlign = false;
    int width = -1, precision = -1;
    size_t save = i, saveNext = next;
    int index = readNumber();
    if (i < Fmt.size() && Fmt[i] == ':') {
      ++i;
      if (index < 0) InvalidFormat(Fmt);
      next = static_cast<size_t>(index);
    } else {
      i = save;  // not an index: read it again as the width
      next = saveNext;
    }
    if (i < Fmt.size() && Fmt[i] == '-') {
      leftAlign = true;
      ++i;
    }
    width = readNumber();
    if (i < Fmt.size() && Fmt[i] == '.') {
      ++i;
      precision = readNumber();
      if (precision < 0) precision = 0;
    }
    if (i >= Fmt.size()) InvalidFormat(Fmt);
    char type = static_cast<char>(Fmt[i++] | 0x20);  // lower case
    AnsiString text;
    switch (type) {
      case 'd':
      case 'u':
      case 'x': {
        const TVarRec& arg = takeArg();
        if (arg.Kind() != TVarRec::vtInteger && arg.Kind() != TVarRec::vtInt64)
          InvalidFormat(Fmt);
        int64_t value = arg.AsInteger();
        bool negative = false;
        uint64_t magnitude;
        if (type == 'd') {
          negative = value < 0;
          magnitude = negative ? ~static_cast<uint64_t>(value) + 1 : static_cast<uint64_t>(value);
        } else {
          magnitude = static_cast<uint64_t>(value);
          if (arg.Kind() == TVarRec::vtInteger) magnitude &= 0xFFFFFFFFu;
        }
        AnsiString digits;
        if (type == 'x') {
          static const char kHex[] = "0123456789ABCDEF";
          do {
            digits.insert(digits.begin(), kHex[magnitude & 15]);
            magnitude >>= 4;
          } while (magnitude);
        } else {
          digits = std::to_string(magnitude);
        }
        if (precision > 0 && digits.size() < static_cast<size_t>(precision))
          digits.insert(0, static_cast<size_t>(precision) - digits.size(), '0');
        text = negative ? "-" + digits : digits;
        break;
      }
      case 'e':
      case 'f':
      case 'g':
      case 'n': {
        const TVarRec& arg = takeArg();
        if (arg.Kind() != TVarRec::vtExtended) InvalidFormat(Fmt);
        double value = arg.AsFloat();
        if (type == 'e') {
          text = ScientificText(value, precision < 0 ? 15 : precision);
        } else if (type == 'g') {
          text = GeneralText(value, precision < 0 ? 15 : precision);
        } else {
          text = FixedText(value, precision < 0 ? 2 : std::min(precision, 18), type == 'n');
        }
        break;
      }
      case 's': {
        const TVarRec& arg = takeArg();
        if (arg.Kind() != TVarRec::vtString && arg.Kind() != TVarRec::vtWideString &&
            arg.Kind() != TVarRec::vtChar)
          InvalidFormat(Fmt);
        text = arg.AsText();
        if (precision >= 0 && text.size() > static_cast<size_t>(precision))
          text.resize(static_cast<size_t>(precision));
        break;
      }
      case 'p': {
        const TVarRec& arg = takeArg();
        if (arg.Kind() != TVarRec::vtPointer) InvalidFormat(Fmt);
        text = IntToHex(static_cast<int64_t>(reinterpret_cast<uintptr_t>(arg.AsPointer())),
                        static_cast<int>(sizeof(void*) * 2));
        break;
      }
      default:
        InvalidFormat(Fmt);
    }
    if (width > 0 && text.size() < static_cast<size_t>(width)) {
      size_t pad = static_cast<size_t>(width) - text.size();
      if (leftAlign) {
        text.append(pad, ' ');
      } else {
        text.insert(0, pad, ' ');
      }
    }
    result += text;
  }
  return result;
}
