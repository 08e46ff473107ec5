#include "engine/base/TextUtils.h"

#include <cinttypes>
#include <climits>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <mbstring.h>
#else
#include <strings.h>
#endif

namespace {

LONG ClampToLong(int64_t value) {
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<LONG>(value);
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Places a size centred in the box; everything in 64-bit so that no sum can overflow.
RECT CentreInBox(const SIZE& size, const RECT& box) {
  const int64_t left = box.left + (static_cast<int64_t>(box.right) - box.left - size.cx) / 2;
  const int64_t top = box.top + (static_cast<int64_t>(box.bottom) - box.top - size.cy) / 2;
  RECT rect;
  rect.left = ClampToLong(left);
  rect.top = ClampToLong(top);
  rect.right = ClampToLong(left + size.cx);
  rect.bottom = ClampToLong(top + size.cy);
  return rect;
}

SIZE MakeSize(int64_t cx, int64_t cy) {
  SIZE size;
  size.cx = ClampToLong(cx);
  size.cy = ClampToLong(cy);
  return size;
}

int RectWidth(const RECT& r) { return ClampToLong(static_cast<int64_t>(r.right) - r.left); }
int RectHeight(const RECT& r) { return ClampToLong(static_cast<int64_t>(r.bottom) - r.top); }

}  // namespace

int ParseInt(const std::string& text, int defaultValue) {
  // Reads like "%d": blanks, an optional sign, then at least one digit. The C runtimes
  // disagree on numbers beyond the int range (wrap-around or undefined); here they are
  // clamped to INT_MIN..INT_MAX.
  size_t pos = 0;
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  if (pos >= text.size() || text[pos] < '0' || text[pos] > '9') return defaultValue;
  int64_t value = 0;
  for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
    if (value <= static_cast<int64_t>(INT_MAX) + 1) value = value * 10 + (text[pos] - '0');
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

int ParseBool(const std::string& text, int defaultValue) {
  return ParseInt(text, defaultValue != 0 ? 1 : 0) != 0 ? 1 : 0;
}

int LimitToRange(int value, int low, int high) {
  if (value < low) value = low;
  return value > high ? high : value;
}

std::string IntToText(int value) { return std::to_string(value); }

std::string BoolToText(int value) { return value != 0 ? "1" : "0"; }

RECT MakeRect(int x, int y, int width, int height) {
  RECT rect;
  rect.left = x;
  rect.top = y;
  rect.right = ClampToLong(static_cast<int64_t>(x) + width);
  rect.bottom = ClampToLong(static_cast<int64_t>(y) + height);
  return rect;
}

SIZE FitSize(int sourceWidth, int sourceHeight, int boxWidth, int boxHeight) {
  if (sourceWidth == 0 || sourceHeight == 0 || boxWidth == 0 || boxHeight == 0) {
    return MakeSize(boxWidth, boxHeight);
  }
  // Products in 64-bit: width times height of large pictures exceeds 32 bits.
  const int64_t w = sourceWidth, h = sourceHeight, W = boxWidth, H = boxHeight;
  if (W * h < w * H) return MakeSize(W, W * h / w);
  return MakeSize(w * H / h, H);
}

RECT FitRect(const RECT& source, const RECT& box) {
  const SIZE size = FitSize(RectWidth(source), RectHeight(source), RectWidth(box), RectHeight(box));
  return CentreInBox(size, box);
}

SIZE CoverSize(int sourceWidth, int sourceHeight, int boxWidth, int boxHeight) {
  // A source without area has no proportions to keep: the box size, not a division by 0.
  if (sourceWidth == 0 || sourceHeight == 0 || boxWidth == 0 || boxHeight == 0) {
    return MakeSize(boxWidth, boxHeight);
  }
  const int64_t w = sourceWidth, h = sourceHeight, W = boxWidth, H = boxHeight;
  if (W * h < H * w) return MakeSize(H * w / h, H);
  return MakeSize(W, W * h / w);
}

RECT CoverRect(const RECT& source, const RECT& box) {
  const SIZE size =
      CoverSize(RectWidth(source), RectHeight(source), RectWidth(box), RectHeight(box));
  return CentreInBox(size, box);
}

bool IsUrl(const std::string& text) {
  return text.size() > 2 && text.find(':', 2) != std::string::npos;
}

std::string FileNameOfPath(const std::string& path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DirectoryOfPath(const std::string& path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string ExtensionOfPath(const std::string& path) {
  // Only a dot in the file name starts an extension: "C:\a.b\c" has none.
  const size_t dot = path.rfind('.');
  const size_t slash = path.rfind('\\');
  if (dot == std::string::npos || (slash != std::string::npos && slash > dot)) return {};
  return path.substr(dot + 1);
}

std::string PathWithoutQuery(const std::string& path) { return path.substr(0, path.find('?')); }

bool ExtensionInList(const std::string& path, const std::string& list) {
  // Whole extensions only: "pg" is not in "jpg," and an empty extension is in no list.
  const std::string extension = ExtensionOfPath(path);
  if (extension.empty()) return false;
  size_t pos = 0;
  while (pos <= list.size()) {
    size_t end = list.find(',', pos);
    if (end == std::string::npos) end = list.size();
    size_t from = pos, to = end;
    while (from < to && list[from] == ' ') ++from;
    while (to > from && list[to - 1] == ' ') --to;
    if (EqualsNoCase(list.substr(from, to - from), extension)) return true;
    pos = end + 1;
  }
  return false;
}

std::string CombinePath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (name.size() > 1 && name[1] == ':') return name;
  if (!name.empty() && name[0] == '\\') {
    return folder.size() > 1 && folder[1] == ':' ? folder.substr(0, 2) + name : name;
  }
  if (folder.back() == '\\') return folder + name;
  return folder + "\\" + name;
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
#ifdef _WIN32
  return _mbsicmp(reinterpret_cast<const unsigned char*>(a.c_str()),
                  reinterpret_cast<const unsigned char*>(b.c_str())) == 0;
#else
  return strcasecmp(a.c_str(), b.c_str()) == 0;
#endif
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  if (prefix.size() > text.size()) return false;
#ifdef _WIN32
  return _mbsnbicmp(reinterpret_cast<const unsigned char*>(text.c_str()),
                    reinterpret_cast<const unsigned char*>(prefix.c_str()), prefix.size()) == 0;
#else
  return strncasecmp(text.c_str(), prefix.c_str(), prefix.size()) == 0;
#endif
}

std::string FormatDuration(int64_t seconds) {
  if (seconds < 0) seconds = 0;
  const int64_t hours = seconds / 3600;
  const int64_t minutes = seconds / 60 % 60;
  const int64_t secs = seconds % 60;
  char buffer[64];
  if (hours > 0) {
    snprintf(buffer, sizeof buffer, "%02" PRId64 ":%02" PRId64 ":%02" PRId64, hours, minutes, secs);
  } else {
    snprintf(buffer, sizeof buffer, "%02" PRId64 ":%02" PRId64, minutes, secs);
  }
  return buffer;
}

std::string FormatDurationMs(int64_t milliseconds) { return FormatDuration(milliseconds / 1000); }

std::string FormatSize(int64_t bytes) {
  if (bytes < 0) bytes = 0;
  char buffer[64];
  if (bytes >= 1000000) {
    snprintf(buffer, sizeof buffer, "%" PRId64 "MB", bytes / 1000000);
  } else if (bytes >= 1000) {
    snprintf(buffer, sizeof buffer, "%" PRId64 "KB", bytes / 1000);
  } else {
    snprintf(buffer, sizeof buffer, "%" PRId64 "B", bytes);
  }
  return buffer;
}
