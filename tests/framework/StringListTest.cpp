// String lists: the three list texts, names and values, sorting, objects, updates, files.
#include <gtest/gtest.h>

#include <vector>

#include "framework/Classes.h"
#include "tests/framework/TestFolder.h"

namespace {

using Items = std::vector<AnsiString>;

Items ItemsOf(const TStrings& list) {
  Items items;
  for (int i = 0; i < list.GetCount(); ++i) items.push_back(list.Get(i));
  return items;
}

void Fill(TStrings& list, const Items& items) {
  list.Clear();
  for (const AnsiString& item : items) list.Add(item);
}

AnsiString Bytes(const char* text, size_t size) { return AnsiString(text, size); }

}  // namespace

TEST(StringListText, SplitsAtCrLfOrCrLfAndJoinsWithCrLf) {
  const std::pair<AnsiString, Items> cases[] = {
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},  // LF then CR: two breaks
      {"\n", {""}},
      {"\r\n\r\n", {"", ""}},
      {"", {}},
      {"  indented  ", {"  indented  "}},
      {Bytes("x\0y\n", 4), {Bytes("x\0y", 3)}},  // NUL bytes belong to the line
  };
  TStringList list;
  for (const auto& c : cases) {
    list.SetText(c.first);
    EXPECT_EQ(c.second, ItemsOf(list)) << c.first;
  }
  Fill(list, {"a", "b"});
  EXPECT_EQ("a\r\nb\r\n", list.GetText());
  Fill(list, {""});
  EXPECT_EQ("\r\n", list.GetText());
  list.Clear();
  EXPECT_EQ("", list.GetText());
  AnsiString longLine(3 << 20, 'x');
  list.SetText(longLine + "\n" + longLine);
  ASSERT_EQ(2, list.GetCount());
  EXPECT_EQ(longLine.size(), list.Get(1).size());
}

TEST(StringListText, CommaTextReadsHandWrittenTexts) {
  const std::pair<AnsiString, Items> cases[] = {
      {"a,b", {"a", "b"}},
      {" a , b ", {"a", "b"}},
      {"a b", {"a", "b"}},  // blanks outside quotes separate too
      {"a\tb\r\nc", {"a", "b", "c"}},
      {"\"a b\",c", {"a b", "c"}},
      {"\"a\"\"b\"", {"a\"b"}},
      {"\"open", {"open"}},           // an unterminated quote runs to the end
      {"\"open,\"\"x", {"open,\"x"}},
      {"a,,b", {"a", "", "b"}},
      {"a,", {"a", ""}},
      {",a", {"", "a"}},
      {",", {"", ""}},
      {"\"\"", {""}},
      {"\"\",\"\"", {"", ""}},
      {"", {}},
      {"   ", {}},
      {"\"ab\"cd", {"ab", "cd"}},
      {"a , , b", {"a", "", "b"}},
      {Bytes("a\0b,c", 5), {"a", "b", "c"}},  // NUL outside quotes is a blank
      {Bytes("\"a\0b\"", 5), {Bytes("a\0b", 3)}},
  };
  TStringList list;
  for (const auto& c : cases) {
    list.SetCommaText(c.first);
    EXPECT_EQ(c.second, ItemsOf(list)) << c.first;
  }
}

TEST(StringListText, DelimitedTextQuotesWhatWouldNotSurvive) {
  TStringList list;
  list.SetDelimiter('|');
  list.SetQuoteChar('"');
  // The playlist hands paths to the engine this way.
  Fill(list, {"C:\\My Videos\\a.avi", "b.avi", "x|y", "say \"hi\"", "tab\there", "\x01"});
  EXPECT_EQ("\"C:\\My Videos\\a.avi\"|b.avi|\"x|y\"|\"say \"\"hi\"\"\"|\"tab\there\"|\"\x01\"",
            list.GetDelimitedText());
  Fill(list, {""});
  EXPECT_EQ("\"\"", list.GetDelimitedText());
  list.Clear();
  EXPECT_EQ("", list.GetDelimitedText());
  Fill(list, {"a", "", "b,c"});
  EXPECT_EQ("a||b,c", list.GetDelimitedText());
  EXPECT_EQ("a,,\"b,c\"", list.GetCommaText());  // comma text keeps its own characters
  list.SetDelimitedText("one|\"t w o\"|three four");
  EXPECT_EQ((Items{"one", "t w o", "three", "four"}), ItemsOf(list));
  EXPECT_EQ('|', list.GetDelimiter());
  list.SetQuoteChar('\'');
  list.SetDelimitedText("'a|b'|'it''s'");
  EXPECT_EQ((Items{"a|b", "it's"}), ItemsOf(list));
}

TEST(StringListText, EveryListSurvivesItsCommaAndDelimitedTexts) {
  const Items lists[] = {
      {},
      {""},
      {"", ""},
      {"", "a"},
      {"a", ""},
      {" ", "\t", "\"", "|", ",", "'"},
      {"a\"b", "\"\"", "x,y|z", " lead", "trail "},
      {Bytes("n\0l", 3), "\x7F\x80\xFF"},
  };
  TStringList list, back;
  const std::pair<char, char> forms[] = {{',', '"'}, {'|', '"'}, {';', '\''}, {' ', '"'},
                                         {'\t', '\''}};
  for (const Items& items : lists) {
    Fill(list, items);
    back.SetCommaText(list.GetCommaText());
    EXPECT_EQ(items, ItemsOf(back)) << list.GetCommaText();
    for (const auto& form : forms) {
      list.SetDelimiter(form.first);
      list.SetQuoteChar(form.second);
      back.SetDelimiter(form.first);
      back.SetQuoteChar(form.second);
      back.SetDelimitedText(list.GetDelimitedText());
      EXPECT_EQ(items, ItemsOf(back)) << list.GetDelimitedText();
    }
  }
}

TEST(StringList, NamesAndValuesFindTheFirstNameIgnoringCase) {
  TStringList list;
  Fill(list, {"a=1", "B=2", "b=3", "noeq", "=x", "c=d=e"});
  EXPECT_EQ("B", list.GetName(1));
  EXPECT_EQ("", list.GetName(3));
  EXPECT_EQ("d=e", list.GetValueFromIndex(5));
  EXPECT_EQ(1, list.IndexOfName("b"));
  EXPECT_EQ("2", list.GetValue("b"));
  EXPECT_EQ("", list.GetValue("missing"));
  EXPECT_EQ(-1, list.IndexOfName("noeq"));
  EXPECT_EQ("d=e", list.GetValue("C"));
  list.SetValue("b", "9");
  EXPECT_EQ("b=9", list.Get(1));
  list.SetValue("new", "v");
  EXPECT_EQ("new=v", list.Get(6));
  list.SetValue("A", "");  // an empty value deletes
  EXPECT_EQ("b=9", list.Get(0));
  list.SetValue("none", "");
  EXPECT_EQ(6, list.GetCount());
  list.SetNameValueSeparator(':');
  list.SetValue("k", "v");
  EXPECT_EQ("k:v", list.Get(6));
}

TEST(StringList, IndexOfIgnoresCaseUnlessTold) {
  TStringList list;
  Fill(list, {"Alpha", "beta", "ALPHA"});
  EXPECT_EQ(0, list.IndexOf("alpha"));
  EXPECT_EQ(-1, list.IndexOf("gamma"));
  list.SetCaseSensitive(true);
  EXPECT_EQ(2, list.IndexOf("ALPHA"));
  EXPECT_EQ(-1, list.IndexOf("alpha"));
}

TEST(StringList, SortedListsAndTheirDuplicates) {
  for (TDuplicates duplicates : {dupIgnore, dupAccept}) {
    struct {
      TDuplicates duplicates;
    } c{duplicates};
    TStringList list;
    list.SetDuplicates(c.duplicates);
    list.SetSorted(true);
    for (const char* item : {"c", "a", "b", "B"}) list.Add(item);
    Items items = ItemsOf(list);
    if (c.duplicates == dupIgnore) {
      EXPECT_EQ((Items{"a", "b", "c"}), items);
    } else {
      ASSERT_EQ(4u, items.size());
      EXPECT_EQ("a", items[0]);
      EXPECT_EQ("c", items[3]);
    }
    int index;
    EXPECT_TRUE(list.Find("B", index));
    EXPECT_EQ(1, index);
    EXPECT_FALSE(list.Find("bb", index));
    EXPECT_EQ(c.duplicates == dupIgnore ? 2 : 3, index);
    EXPECT_EQ(0, list.IndexOf("A"));
  }
  TStringList list;
  list.SetDuplicates(dupError);
  list.SetSorted(true);
  list.Add("x");
  try {
    list.Add("X");
    ADD_FAILURE();
  } catch (const EStringListError& e) {
    EXPECT_EQ("Duplicates not allowed", e.Message);
  }
  EXPECT_THROW(list.Insert(0, "a"), EStringListError);
  EXPECT_THROW(list.Put(0, "a"), EStringListError);

  TStringList unsorted;
  Fill(unsorted, {"b", "C", "a"});
  unsorted.AddObject("0", &unsorted);
  unsorted.SetSorted(true);
  EXPECT_EQ((Items{"0", "a", "b", "C"}), ItemsOf(unsorted));
  EXPECT_EQ(&unsorted, unsorted.GetObject(0));  // objects travel with their texts
  unsorted.SetSorted(false);
  unsorted.CustomSort([](TStringList* l, int a, int b) {
    return CompareStr(l->Get(b), l->Get(a));  // descending, case-sensitive
  });
  EXPECT_EQ((Items{"b", "a", "C", "0"}), ItemsOf(unsorted));
}

TEST(StringList, EditingKeepsObjectsAndChecksIndexes) {
  TStringList list;
  TStringList marker;
  list.Add("a");
  list.AddObject("b", &marker);
  list.Insert(0, "z");
  EXPECT_EQ(&marker, list.GetObject(2));
  list.Exchange(0, 2);
  EXPECT_EQ(&marker, list.GetObject(0));
  list.Move(0, 2);
  EXPECT_EQ((Items{"a", "z", "b"}), ItemsOf(list));
  EXPECT_EQ(2, list.IndexOfObject(&marker));
  list.Put(2, "B");
  EXPECT_EQ(&marker, list.GetObject(2));
  TStringList copy;
  copy.Add("old");
  copy.Assign(&list);
  EXPECT_TRUE(copy.Equals(&list));
  EXPECT_EQ(&marker, copy.GetObject(2));
  list.Delete(1);
  EXPECT_EQ((Items{"a", "B"}), ItemsOf(list));
  for (int bad : {-1, 2}) {
    try {
      list.Get(bad);
      ADD_FAILURE();
    } catch (const EStringListError& e) {
      EXPECT_EQ("List index out of bounds (" + std::to_string(bad) + ")", e.Message);
    }
    EXPECT_THROW(list.Delete(bad), EStringListError);
    EXPECT_THROW(list.PutObject(bad, nullptr), EStringListError);
  }
  EXPECT_THROW(list.Insert(3, "x"), EStringListError);
  list.Insert(2, "end");
  EXPECT_EQ("end", list.Get(2));
}

TEST(StringList, ChangeEventsOncePerOutermostUpdate) {
  TStringList list;
  int changes = 0, changing = 0;
  list.OnChange = [&](TObject* sender) {
    EXPECT_EQ(&list, sender);
    ++changes;
  };
  list.OnChanging = [&](TObject*) { ++changing; };
  list.Add("a");
  EXPECT_EQ(1, changes);
  EXPECT_EQ(1, changing);
  list.BeginUpdate();
  list.BeginUpdate();
  list.Add("b");
  list.Delete(0);
  list.EndUpdate();
  EXPECT_EQ(1, changes);
  list.EndUpdate();
  EXPECT_EQ(2, changes);
  EXPECT_EQ(2, changing);
  list.SetText("x\ny\nz");
  EXPECT_EQ(3, changes);
  list.SetCommaText("p,q");
  EXPECT_EQ(4, changes);
  list.Clear();
  list.Clear();  // nothing to clear: no change
  EXPECT_EQ(5, changes);
  list.EndUpdate();  // unbalanced: ignored
  EXPECT_EQ(0, list.GetUpdateCount());
}

TEST(StringList, FilesAndStreams) {
  TTestFolder folder;
  TStringList list;
  Fill(list, {"[Info]", "Language=English", ""});
  list.SaveToFile(folder.File("a.lan"));
  EXPECT_EQ("[Info]\r\nLanguage=English\r\n\r\n", ReadWholeFile(folder.File("a.lan")));
  WriteWholeFile(folder.File("unix.txt"), "one\ntwo\n");
  list.LoadFromFile(folder.File("unix.txt"));
  EXPECT_EQ((Items{"one", "two"}), ItemsOf(list));
  try {
    list.LoadFromFile(folder.File("missing.txt"));
    ADD_FAILURE();
  } catch (const EFOpenError& e) {
    EXPECT_NE(AnsiString::npos, e.Message.find("missing.txt"));
    EXPECT_EQ(0u, e.Message.find("Cannot open file \""));
  }
  EXPECT_EQ((Items{"one", "two"}), ItemsOf(list));  // a failed load loses nothing

  TMemoryStream stream;
  stream.WriteBuffer("skip|a\r\nb", 9);
  stream.SetPosition(5);
  list.LoadFromStream(&stream);
  EXPECT_EQ((Items{"a", "b"}), ItemsOf(list));
  TStringStream out;
  list.SaveToStream(&out);
  EXPECT_EQ("a\r\nb\r\n", out.GetDataString());
}
