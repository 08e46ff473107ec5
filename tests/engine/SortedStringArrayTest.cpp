#include "engine/base/SortedStringArray.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Items = std::vector<std::string>;

CSortedStringArray MakeArray(const Items& items) {
  CSortedStringArray array;
  for (const std::string& item : items) array.Add(item);
  return array;
}

Items ItemsOf(const CSortedStringArray& array) {
  Items items;
  for (int i = 0; i < array.GetSize(); ++i) items.push_back(array.GetAt(i));
  return items;
}

std::string RandomText(std::mt19937& rng, const std::string& alphabet, int maxLength) {
  std::uniform_int_distribution<int> length(0, maxLength);
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  std::string text;
  for (int n = length(rng); n > 0; --n) text += alphabet[pick(rng)];
  return text;
}

// Sorts and checks that the result is a permutation of the input in which every item
// compares less than or equal to its right neighbour.
void ExpectSortedPermutation(const Items& input, int flags) {
  CSortedStringArray array = MakeArray(input);
  array.Sort(flags);
  Items sorted = ItemsOf(array);
  Items a = input, b = sorted;
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  ASSERT_EQ(a, b) << "not a permutation, flags " << flags << ", " << input.size() << " items";
  for (int i = 0; i + 1 < array.GetSize(); ++i) {
    ASSERT_LE(array.CompareIndices(i, i + 1, flags), 0)
        << "flags " << flags << ", items " << i << " '" << sorted[i] << "' and '" << sorted[i + 1]
        << "' out of order";
  }
}

bool EqualsNoCaseAscii(std::string a, std::string b) {
  for (char& c : a) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  for (char& c : b) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return a == b;
}

}  // namespace

TEST(SortedStringArray, ArrayOperationsKeepOrderAndIgnoreIndicesOutsideTheArray) {
  CSortedStringArray array;
  EXPECT_TRUE(array.IsEmpty());
  EXPECT_EQ(array.Add("b"), 0);
  EXPECT_EQ(array.Add("d"), 1);
  array.InsertAt(0, "a");
  array.InsertAt(2, "c");
  array.InsertAt(4, "e");  // at the end: appends
  array.InsertAt(9, "x");  // beyond the end: ignored
  array.InsertAt(-1, "x");
  EXPECT_EQ(ItemsOf(array), (Items{"a", "b", "c", "d", "e"}));
  EXPECT_EQ(array.GetCount(), 5);

  array.SetAt(1, "B");
  array.SetAt(5, "x");
  array[2] = "C";
  EXPECT_EQ(array.GetAt(1), "B");
  EXPECT_EQ(array[2], "C");
  EXPECT_EQ(array.GetAt(5), "");
  EXPECT_EQ(array.GetAt(-1), "");

  array.RemoveAt(1, 2);
  EXPECT_EQ(ItemsOf(array), (Items{"a", "d", "e"}));
  array.RemoveAt(2, 10);  // a count beyond the end removes to the end
  array.RemoveAt(7);
  array.RemoveAt(0, 0);
  EXPECT_EQ(ItemsOf(array), (Items{"a", "d"}));
  array.Swap(0, 1);
  array.Swap(0, 2);  // outside: ignored
  EXPECT_EQ(ItemsOf(array), (Items{"d", "a"}));
  array.RemoveAll();
  EXPECT_EQ(array.GetSize(), 0);
}

TEST(SortedStringArray, SortOrdersUnderEachFlagCombination) {
  const Items input = {"b", "A", "a"};
  {
    CSortedStringArray array = MakeArray(input);
    array.Sort(0);
    const Items result = ItemsOf(array);
    EXPECT_TRUE(result == (Items{"A", "a", "b"}) || result == (Items{"a", "A", "b"}));
  }
  struct Case {
    int flags;
    Items expected;
  };
  const Case cases[] = {
      {CSortedStringArray::kCompareCaseSensitive, {"A", "a", "b"}},
      {CSortedStringArray::kCompareCaseSensitive | CSortedStringArray::kCompareDescending,
       {"b", "a", "A"}},
  };
  for (const Case& c : cases) {
    CSortedStringArray array = MakeArray(input);
    array.Sort(c.flags);
    EXPECT_EQ(ItemsOf(array), c.expected) << "flags " << c.flags;
  }
  CSortedStringArray descending = MakeArray(input);
  descending.Sort(CSortedStringArray::kCompareDescending);
  EXPECT_EQ(descending.GetAt(0), "b");
}

TEST(SortedStringArray, LocaleCollationIgnoresCaseWithoutCaseFlag) {
  CSortedStringArray array = MakeArray({"cherry", "Banana", "apple", "Apple"});
  array.Sort(CSortedStringArray::kCompareLocale);
  Items result = ItemsOf(array);
  EXPECT_EQ(Items(result.begin() + 2, result.end()), (Items{"Banana", "cherry"}));
  EXPECT_TRUE(EqualsNoCaseAscii(result[0], "apple") && EqualsNoCaseAscii(result[1], "apple"));

  array.Sort(CSortedStringArray::kCompareLocale | CSortedStringArray::kCompareDescending);
  result = ItemsOf(array);
  EXPECT_EQ(Items(result.begin(), result.begin() + 2), (Items{"cherry", "Banana"}));
}

TEST(SortedStringArray, SortMatchesStdSortForCaseSensitiveOrder) {
  std::mt19937 rng(12345);
  const std::string alphabets[] = {"ab", "abcXYZ019", "abcdefghijklmnopqrstuvwxyz"};
  for (const std::string& alphabet : alphabets) {
    for (int count : {2, 3, 7, 8, 9, 15, 16, 17, 50, 300, 1000}) {
      Items input;
      for (int i = 0; i < count; ++i) input.push_back(RandomText(rng, alphabet, 6));
      for (int flags :
           {CSortedStringArray::kCompareCaseSensitive,
            CSortedStringArray::kCompareCaseSensitive | CSortedStringArray::kCompareDescending}) {
        Items expected = input;
        std::sort(expected.begin(), expected.end());
        if (flags & CSortedStringArray::kCompareDescending) {
          std::reverse(expected.begin(), expected.end());
        }
        CSortedStringArray array = MakeArray(input);
        array.Sort(flags);
        ASSERT_EQ(ItemsOf(array), expected)
            << "alphabet " << alphabet << ", " << count << " items, flags " << flags;
      }
    }
  }
}

TEST(SortedStringArray, SortHandlesPresortedReversedAndEqualItemsUnderEveryFlag) {
  std::mt19937 rng(777);
  std::vector<Items> inputs;
  for (int count : {0, 1, 2, 8, 64, 500}) {
    Items ascending;
    for (int i = 0; i < count; ++i) ascending.push_back(std::to_string(100000 + i));
    inputs.push_back(ascending);
    inputs.push_back(Items(ascending.rbegin(), ascending.rend()));
    inputs.push_back(Items(static_cast<size_t>(count), "same"));
    Items mixedCase;
    for (int i = 0; i < count; ++i) mixedCase.push_back(RandomText(rng, "aAbB", 3));
    inputs.push_back(mixedCase);
  }
  for (const Items& input : inputs) {
    for (int flags = 0; flags < 8; ++flags) ExpectSortedPermutation(input, flags);
  }
}

TEST(SortedStringArray, FindReturnsFirstEqualItemFromStartIndex) {
  const CSortedStringArray array = MakeArray({"One", "two", "one", "ONE"});
  struct Case {
    const char* text;
    int flags;
    int start;
    int expected;
  };
  const Case cases[] = {
      {"one", 0, 0, 0},
      {"one", 0, 1, 2},
      {"one", 0, 3, 3},
      {"one", 0, 4, -1},
      {"one", CSortedStringArray::kCompareCaseSensitive, 0, 2},
      {"ONE", CSortedStringArray::kCompareCaseSensitive, 0, 3},
      {"one", CSortedStringArray::kCompareDescending, 0, 0},
      {"TWO", 0, -5, 1},
      {"three", 0, 0, -1},
      {"", 0, 0, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(array.Find(c.text, c.flags, c.start), c.expected)
        << "'" << c.text << "' flags " << c.flags << " start " << c.start;
  }
}

namespace {
// Orders by length, longest first, to show that sorting and searching go through Compare.
class CLengthArray : public CSortedStringArray {
 public:
  int Compare(int index, const std::string& text, int flags) const override {
    ++m_calls;
    const size_t a = GetAt(index).size();
    return a == text.size() ? 0 : (a > text.size() ? -1 : 1);
  }
  mutable int m_calls = 0;
};
}  // namespace

TEST(SortedStringArray, SortAndFindUseTheVirtualComparison) {
  CLengthArray array;
  for (const char* text : {"ccc", "a", "dddd", "bb", "eeeee", "", "ffffff", "ggggggg", "hh"}) {
    array.Add(text);
  }
  array.Sort(CSortedStringArray::kCompareCaseSensitive);
  ASSERT_EQ(array.GetSize(), 9);
  for (int i = 0; i + 1 < array.GetSize(); ++i) {
    EXPECT_GE(array.GetAt(i).size(), array.GetAt(i + 1).size());
  }
  EXPECT_GT(array.m_calls, 0);
  EXPECT_EQ(array.Find("xyz", 0, 0), array.Find("ccc", 0, 0));
}

TEST(SortedStringArray, SplitTakesItemsBetweenSeparatorsAndQuotes) {
  struct Case {
    const char* text;
    char separator;
    char quote;
    Items expected;
  };
  const Case cases[] = {
      // Plain separator.
      {"a,,b", ',', 0, {"a", "", "b"}},
      {"a,", ',', 0, {"a", ""}},
      {"", ',', 0, {""}},
      {",", ',', 0, {"", ""}},
      {"abc", ',', 0, {"abc"}},
      {"a&Ab,c&Cd", ',', 0, {"a&b", "c,d"}},
      {",a,", ',', ',', {"", "a", ""}},  // a quote equal to the separator is no quote
      // Separator and quote.
      {"qx,yq,z", ',', 'q', {"x,y", "z"}},
      {"qxqyq,z", ',', 'q', {"xqy", "z"}},
      {"a,,b", ',', 'q', {"a", "", "b"}},
      {"a,", ',', 'q', {"a", ""}},
      {"", ',', 'q', {""}},
      {"qaq,", ',', 'q', {"a", ""}},
      {"x,qyq", ',', 'q', {"x", "y"}},
      {"qq,qq", ',', 'q', {"", ""}},
      {"xq,y", ',', 'q', {"xq", "y"}},
      {"\"a&Cb\"|\"c\"", '|', '"', {"a,b", "c"}},
      {"qab", ',', 'q', {"ab"}},  // a missing closing quote: the item runs to the end
      {"qa,b", ',', 'q', {"a,b"}},
      {"q", ',', 'q', {""}},
      // Quote only.
      {"qabq", 0, 'q', {"ab"}},
      {"qab", 0, 'q', {"ab"}},
      {"abq", 0, 'q', {"ab"}},
      {"q", 0, 'q', {""}},
      {"qq", 0, 'q', {""}},
      {"qa&Cq", 0, 'q', {"a,"}},
      // Neither.
      {"a,b&C", 0, 0, {"a,b,"}},
  };
  for (const Case& c : cases) {
    CSortedStringArray array;
    array.Add("old");
    EXPECT_EQ(array.Split(c.text, c.separator, c.quote, false),
              static_cast<int>(c.expected.size()));
    EXPECT_EQ(ItemsOf(array), c.expected)
        << "'" << c.text << "' separator '" << c.separator << "' quote '" << c.quote << "'";
  }
}

TEST(SortedStringArray, SplitWithAppendKeepsExistingItems) {
  CSortedStringArray array = MakeArray({"x"});
  EXPECT_EQ(array.Split("a,b", ',', 0, true), 3);
  EXPECT_EQ(ItemsOf(array), (Items{"x", "a", "b"}));
}

TEST(SortedStringArray, JoinWritesEscapedItemsWithSeparatorsAndQuotes) {
  struct Case {
    Items items;
    char separator;
    char quote;
    bool keepEmpty;
    const char* expected;
  };
  const Case cases[] = {
      {{"a&b", "c,d"}, ',', 0, true, "a&Ab,c&Cd"},
      {{"", "x"}, ',', 0, false, ",x"},
      {{"", "x"}, ',', 0, true, ",x"},
      {{"x", "", "y"}, ',', 0, false, "x,y"},
      {{"x", "", "y"}, ',', 0, true, "x,,y"},
      {{"x", ""}, ',', 0, false, "x"},
      {{"x", ""}, ',', 0, true, "x,"},
      {{"a", "b"}, '|', '"', false, "\"a\"|\"b\""},
      {{"", "b"}, '|', '"', true, "\"\"|\"b\""},
      {{"a", "b"}, 0, 0, false, "ab"},
      {{"a", "b"}, 0, '\'', false, "'a''b'"},
      {{}, ',', '"', true, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MakeArray(c.items).Join(c.separator, c.quote, c.keepEmpty), c.expected);
  }
}

TEST(SortedStringArray, JoinWithTextsUsesWholeTextsAndSkipsNullOnes) {
  const CSortedStringArray array = MakeArray({"a,b", "", "c"});
  EXPECT_EQ(array.JoinWithTexts(", ", "<>", true), "<>a&Cb<>, <><>, <>c<>");
  EXPECT_EQ(array.JoinWithTexts(" | ", nullptr, false), "a&Cb | c");
  EXPECT_EQ(array.JoinWithTexts(nullptr, "'", false), "'a&Cb''c'");
}

TEST(SortedStringArray, JoinedListSplitsBackIntoTheSameItems) {
  std::mt19937 rng(2024);
  const std::string alphabet = "&,AC\"q x";
  for (int round = 0; round < 2000; ++round) {
    std::uniform_int_distribution<int> count(1, 6);
    Items items;
    for (int n = count(rng); n > 0; --n) items.push_back(RandomText(rng, alphabet, 8));
    const CSortedStringArray array = MakeArray(items);
    CSortedStringArray back;
    back.Split(array.Join(',', 0, true), ',', 0, false);
    ASSERT_EQ(ItemsOf(back), items) << array.Join(',', 0, true);
    back.Split(array.Join(',', '"', true), ',', '"', false);
    ASSERT_EQ(ItemsOf(back), items) << array.Join(',', '"', true);
    back.Split(array.Join(',', 'q', true), ',', 'q', false);
    ASSERT_EQ(ItemsOf(back), items) << array.Join(',', 'q', true);
  }
}

TEST(SortedStringArray, AddUnescapedTakesLengthOrWholeTextUnchanged) {
  CSortedStringArray array;
  EXPECT_EQ(array.AddUnescaped("a&Cb&Ac", 4), 0);
  EXPECT_EQ(array.AddUnescaped("a&Cb&Ac", -1), 1);
  EXPECT_EQ(array.AddUnescaped("a&Cb&Ac", 100), 2);
  EXPECT_EQ(array.AddUnescaped("abc", 0), 3);
  EXPECT_EQ(ItemsOf(array), (Items{"a,b", "a&Cb&Ac", "a,b&c", ""}));
}

TEST(ListItemEscaping, EscapesAmpersandAndComma) {
  EXPECT_EQ(EscapeListItem("a&b,c"), "a&Ab&Cc");
  EXPECT_EQ(EscapeListItem("&A,C"), "&AA&CC");
  EXPECT_EQ(EscapeListItem(""), "");
}

TEST(ListItemEscaping, UnescapeDropsAmpersandBeforeOtherCharacters) {
  const std::pair<const char*, const char*> cases[] = {
      {"&AA", "&A"}, {"&AC", "&C"}, {"&x", "x"},    {"&", ""},       {"&&A", "&"},
      {"A", "A"},    {"C&", "C"},   {"&C&A", ",&"}, {"a&Cb", "a,b"}, {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(UnescapeListItem(c.first), c.second) << c.first;
}

TEST(ListItemEscaping, UnescapeUndoesEscapeForArbitraryTexts) {
  std::mt19937 rng(99);
  std::string alphabet = "&,ACac";
  for (int c = 0; c < 256; ++c) alphabet += static_cast<char>(c);
  for (int round = 0; round < 5000; ++round) {
    const std::string text = RandomText(rng, round % 2 ? alphabet : "&,AC", 12);
    ASSERT_EQ(UnescapeListItem(EscapeListItem(text)), text);
  }
}
