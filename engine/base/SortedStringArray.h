// The engine's string list: an ordered, growable array of texts that can compare, find and
// sort its items under comparison flags, split a list text into items and join items into a
// list text. Items are escaped when joined ("&" as "&A", "," as "&C") and unescaped when
// split, so an item may itself contain "&" and "," without breaking a comma-separated list.
#pragma once

#include <string>
#include <vector>

class CSortedStringArray {
 public:
  // Comparison flags (combinable).
  static constexpr int kCompareDescending = 1;     // the comparison result is negated
  static constexpr int kCompareCaseSensitive = 2;  // else letters compare without regard to case
  static constexpr int kCompareLocale = 4;         // locale collation instead of code-unit order

  CSortedStringArray() = default;
  CSortedStringArray(const CSortedStringArray&) = default;
  CSortedStringArray& operator=(const CSortedStringArray&) = default;
  CSortedStringArray(CSortedStringArray&&) = default;
  CSortedStringArray& operator=(CSortedStringArray&&) = default;
  virtual ~CSortedStringArray() = default;

  // Array operations. Indices are 0-based; GetAt answers an empty text and SetAt,
  // InsertAt and RemoveAt do nothing for an index outside the array.
  int GetSize() const { return static_cast<int>(m_items.size()); }
  int GetCount() const { return GetSize(); }
  bool IsEmpty() const { return m_items.empty(); }
  const std::string& GetAt(int index) const;
  void SetAt(int index, const std::string& text);
  int Add(const std::string& text);                   // returns the new item's index
  void InsertAt(int index, const std::string& text);  // index == GetSize() appends
  void RemoveAt(int index, int count = 1);
  void RemoveAll() { m_items.clear(); }
  // Unchecked access; the index must be valid.
  std::string& operator[](int index) { return m_items[static_cast<size_t>(index)]; }
  const std::string& operator[](int index) const { return m_items[static_cast<size_t>(index)]; }

  // Compares item `index` with `text` under `flags`: negative, 0 or positive.
  virtual int Compare(int index, const std::string& text, int flags) const;
  // Compare(i, item j, flags).
  virtual int CompareIndices(int i, int j, int flags) const;

  // The first index >= start whose item compares equal to `text`, or -1. A negative start
  // counts as 0.
  int Find(const std::string& text, int flags, int start = 0) const;
  // Sorts the items in place (non-recursive quicksort; items comparing equal end in no
  // particular order).
  void Sort(int flags);
  void Swap(int i, int j);

  // Appends the first `length` characters of `text` unescaped (a length beyond the text
  // means the whole text); a negative length appends the whole text unchanged. Returns the
  // new item's index.
  int AddUnescaped(const std::string& text, int length);

  // Splits a list text into items at `separator`; items may be enclosed in `quote`.
  // A character of 0 means none. Without `append` the array is emptied first. Returns the
  // item count.
  int Split(const std::string& text, char separator, char quote, bool append);
  // Joins the items (escaped) with `separator`, each enclosed in `quote`; empty items are
  // left out unless `keepEmpty`. A character of 0 means none.
  std::string Join(char separator, char quote, bool keepEmpty) const;
  // Join with texts in place of characters; a null text means none.
  std::string JoinWithTexts(const char* separator, const char* quote, bool keepEmpty) const;

 private:
  std::vector<std::string> m_items;
};

// Every "&" becomes "&A", then every "," becomes "&C".
std::string EscapeListItem(const std::string& text);
// The reverse of EscapeListItem; a "&" followed by anything but "A" or "C" is dropped.
std::string UnescapeListItem(const std::string& text);
