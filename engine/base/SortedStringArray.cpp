#include "engine/base/SortedStringArray.h"

#include <cctype>
#include <cstring>
#include <utility>

#ifdef _WIN32
#include <mbstring.h>
#else
#include <strings.h>
#endif

namespace {

// The runtime's multibyte comparisons in the process's ANSI code page. Elsewhere the C
// library's byte comparisons stand in for them.
int CompareTexts(const char* a, const char* b, int flags) {
  const bool caseSensitive = (flags & CSortedStringArray::kCompareCaseSensitive) != 0;
  const bool locale = (flags & CSortedStringArray::kCompareLocale) != 0;
#ifdef _WIN32
  const auto* ua = reinterpret_cast<const unsigned char*>(a);
  const auto* ub = reinterpret_cast<const unsigned char*>(b);
  if (locale) return caseSensitive ? _mbscoll(ua, ub) : _mbsicoll(ua, ub);
  return caseSensitive ? _mbscmp(ua, ub) : _mbsicmp(ua, ub);
#else
  if (!locale) return caseSensitive ? strcmp(a, b) : strcasecmp(a, b);
  if (caseSensitive) return strcoll(a, b);
  std::string la(a), lb(b);
  for (char& c : la) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  for (char& c : lb) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return strcoll(la.c_str(), lb.c_str());
#endif
}

int Sign(int value) { return (value > 0) - (value < 0); }

}  // namespace

const std::string& CSortedStringArray::GetAt(int index) const {
  static const std::string kEmpty;
  if (index < 0 || index >= GetSize()) return kEmpty;
  return m_items[static_cast<size_t>(index)];
}

void CSortedStringArray::SetAt(int index, const std::string& text) {
  if (index < 0 || index >= GetSize()) return;
  m_items[static_cast<size_t>(index)] = text;
}

int CSortedStringArray::Add(const std::string& text) {
  m_items.push_back(text);
  return GetSize() - 1;
}

void CSortedStringArray::InsertAt(int index, const std::string& text) {
  if (index < 0 || index > GetSize()) return;
  m_items.insert(m_items.begin() + index, text);
}

void CSortedStringArray::RemoveAt(int index, int count) {
  if (index < 0 || index >= GetSize() || count <= 0) return;
  const int end = count > GetSize() - index ? GetSize() : index + count;
  m_items.erase(m_items.begin() + index, m_items.begin() + end);
}

int CSortedStringArray::Compare(int index, const std::string& text, int flags) const {
  // Reduced to its sign first, so that negating it for a descending order cannot overflow.
  const int result = Sign(CompareTexts(GetAt(index).c_str(), text.c_str(), flags));
  return (flags & kCompareDescending) ? -result : result;
}

int CSortedStringArray::CompareIndices(int i, int j, int flags) const {
  return Compare(i, GetAt(j), flags);
}

int CSortedStringArray::Find(const std::string& text, int flags, int start) const {
  for (int i = start < 0 ? 0 : start; i < GetSize(); ++i) {
    if (Compare(i, text, flags) == 0) return i;
  }
  return -1;
}

void CSortedStringArray::Swap(int i, int j) {
  if (i == j || i < 0 || j < 0 || i >= GetSize() || j >= GetSize()) return;
  std::swap(m_items[static_cast<size_t>(i)], m_items[static_cast<size_t>(j)]);
}

void CSortedStringArray::Sort(int flags) {
  if (GetSize() < 2) return;
  // Pending half-open ranges [lo, hi). The larger part of every partition is pushed and the
  // smaller one sorted next, so the stack stays logarithmic in the item count.
  std::vector<std::pair<int, int>> pending;
  int lo = 0;
  int hi = GetSize();
  for (;;) {
    if (hi - lo > 7) {
      // Median of the first, middle and last item becomes the pivot at lo.
      Swap(lo + (hi - lo) / 2, lo);
      int i = lo + 1;
      int j = hi - 1;
      if (CompareIndices(i, j, flags) > 0) Swap(i, j);
      if (CompareIndices(lo, j, flags) > 0) Swap(lo, j);
      if (CompareIndices(i, lo, flags) > 0) Swap(i, lo);
      // Item lo + 1 <= pivot <= item hi - 1 stop the scans; the bounds only matter for a
      // subclass whose comparison is not a consistent order.
      for (;;) {
        while (i < hi && CompareIndices(i, lo, flags) < 0) ++i;
        while (j > lo && CompareIndices(j, lo, flags) > 0) --j;
        if (i > j) break;
        Swap(i, j);
        ++i;
        --j;
      }
      Swap(lo, j);
      // The pivot now sits at j: [lo, j) and [i, hi) remain.
      if (j - lo > hi - i) {
        pending.emplace_back(lo, j);
        lo = i;
      } else {
        pending.emplace_back(i, hi);
        hi = j;
      }
      continue;
    }
    for (int k = lo + 1; k < hi; ++k) {
      for (int m = k; m > lo && CompareIndices(m - 1, m, flags) > 0; --m) Swap(m - 1, m);
    }
    if (pending.empty()) break;
    lo = pending.back().first;
    hi = pending.back().second;
    pending.pop_back();
  }
}

int CSortedStringArray::AddUnescaped(const std::string& text, int length) {
  if (length < 0) return Add(text);
  const size_t count = static_cast<size_t>(length);
  return Add(UnescapeListItem(count < text.size() ? text.substr(0, count) : text));
}

int CSortedStringArray::Split(const std::string& text, char separator, char quote, bool append) {
  if (!append) RemoveAll();
  const size_t length = text.size();
  auto addRange = [&](size_t from, size_t to) {
    Add(UnescapeListItem(text.substr(from, to - from)));
  };
  if (length == 0) {
    Add(std::string());
  } else if (separator != 0 && quote != 0 && separator != quote) {
    size_t pos = 0;
    for (;;) {
      if (pos < length && text[pos] == quote) {
        // A quoted item ends at the first quote followed by the separator or the end of the
        // text; an item whose closing quote is missing runs to the end of the text.
        size_t end = pos + 1;
        while (end < length &&
               !(text[end] == quote && (end + 1 == length || text[end + 1] == separator))) {
          ++end;
        }
        addRange(pos + 1, end);
        pos = end < length ? end + 1 : length;
      } else {
        size_t end = text.find(separator, pos);
        if (end == std::string::npos) end = length;
        addRange(pos, end);
        pos = end;
      }
      if (pos >= length) break;
      ++pos;  // behind the separator; a trailing separator yields a last, empty item
    }
  } else if (separator != 0) {
    size_t pos = 0;
    for (;;) {
      size_t end = text.find(separator, pos);
      if (end == std::string::npos) {
        addRange(pos, length);
        break;
      }
      addRange(pos, end);
      pos = end + 1;
    }
  } else if (quote != 0) {
    size_t from = text[0] == quote ? 1 : 0;
    size_t to = length;
    if (to > from && text[to - 1] == quote) --to;
    addRange(from, to);
  } else {
    addRange(0, length);
  }
  return GetSize();
}

std::string CSortedStringArray::Join(char separator, char quote, bool keepEmpty) const {
  const char sep[2] = {separator, 0};
  const char quo[2] = {quote, 0};
  return JoinWithTexts(separator ? sep : nullptr, quote ? quo : nullptr, keepEmpty);
}

std::string CSortedStringArray::JoinWithTexts(const char* separator, const char* quote,
                                              bool keepEmpty) const {
  std::string result;
  for (int i = 0; i < GetSize(); ++i) {
    const std::string& item = m_items[static_cast<size_t>(i)];
    if (item.empty() && !keepEmpty) continue;
    if (i != 0 && separator) result += separator;
    if (quote) result += quote;
    result += EscapeListItem(item);
    if (quote) result += quote;
  }
  return result;
}

std::string EscapeListItem(const std::string& text) {
  std::string result;
  result.reserve(text.size());
  for (char c : text) {
    if (c == '&') {
      result += "&A";
    } else if (c == ',') {
      result += "&C";
    } else {
      result += c;
    }
  }
  return result;
}

std::string UnescapeListItem(const std::string& text) {
  std::string result;
  result.reserve(text.size());
  bool pending = false;
  for (char c : text) {
    if (c == '&') {
      pending = true;
      continue;
    }
    if (pending && c == 'A') {
      result += '&';
    } else if (pending && c == 'C') {
      result += ',';
    } else {
      result += c;
    }
    pending = false;
  }
  return result;
}
