// TStrings and TStringList: the list texts (lines, comma and delimited texts), names and
// values, sorting, updates, loading and saving.
#include <algorithm>
#include <numeric>

#include "framework/Classes.h"

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Reads everything from the stream's position to its end.
AnsiString ReadRest(TStream* Stream) {
  AnsiString text;
  char buffer[65536];
  while (true) {
    int64_t n = Stream->Read(buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  return text;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TStrings

void TStrings::Error(const char* Msg, int Data) const { throw EStringListError(Msg, {Data}); }

TObject* TStrings::GetObject(int) const { return nullptr; }

void TStrings::Put(int Index, const AnsiString& S) {
  TObject* object = GetObject(Index);
  UpdateWhile(this, [&] {
    Delete(Index);
    InsertObject(Index, S, object);
  });
}

void TStrings::PutObject(int, TObject*) {}

int TStrings::Add(const AnsiString& S) {
  int index = GetCount();
  Insert(index, S);
  return index;
}

int TStrings::AddObject(const AnsiString& S, TObject* AObject) {
  int index = Add(S);
  PutObject(index, AObject);
  return index;
}

void TStrings::InsertObject(int Index, const AnsiString& S, TObject* AObject) {
  Insert(Index, S);
  PutObject(Index, AObject);
}

void TStrings::AddStrings(TStrings* Strings) {
  if (!Strings) return;
  UpdateWhile(this, [&] {
    int count = Strings->GetCount();
    for (int i = 0; i < count; ++i) AddObject(Strings->Get(i), Strings->GetObject(i));
  });
}

void TStrings::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TStrings*>(Source);
  if (!source) {
    TPersistent::Assign(Source);
    return;
  }
  if (source == this) return;
  UpdateWhile(this, [&] {
    Clear();
    AddStrings(source);
  });
}

void TStrings::Exchange(int Index1, int Index2) {
  UpdateWhile(this, [&] {
    AnsiString s1 = Get(Index1), s2 = Get(Index2);
    TObject* o1 = GetObject(Index1);
    TObject* o2 = GetObject(Index2);
    Put(Index1, s2);
    PutObject(Index1, o2);
    Put(Index2, s1);
    PutObject(Index2, o1);
  });
}

void TStrings::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  UpdateWhile(this, [&] {
    AnsiString s = Get(CurIndex);
    TObject* object = GetObject(CurIndex);
    Delete(CurIndex);
    InsertObject(NewIndex, s, object);
  });
}

bool TStrings::Equals(TStrings* Strings) const {
  if (!Strings || Strings->GetCount() != GetCount()) return false;
  for (int i = 0; i < GetCount(); ++i)
    if (Get(i) != Strings->Get(i)) return false;
  return true;
}

int TStrings::CompareStrings(const AnsiString& S1, const AnsiString& S2) const {
  return AnsiCompareText(S1, S2);
}

int TStrings::IndexOf(const AnsiString& S) const {
  for (int i = 0; i < GetCount(); ++i)
    if (CompareStrings(Get(i), S) == 0) return i;
  return -1;
}

int TStrings::IndexOfObject(TObject* AObject) const {
  for (int i = 0; i < GetCount(); ++i)
    if (GetObject(i) == AObject) return i;
  return -1;
}

void TStrings::BeginUpdate() {
  if (FUpdateCount == 0) SetUpdateState(true);
  ++FUpdateCount;
}

void TStrings::EndUpdate() {
  if (FUpdateCount == 0) return;
  if (--FUpdateCount == 0) SetUpdateState(false);
}

AnsiString TStrings::GetText() const {
  int count = GetCount();
  size_t length = 0;
  for (int i = 0; i < count; ++i) length += Get(i).size() + 2;
  AnsiString text;
  text.reserve(length);
  for (int i = 0; i < count; ++i) {
    text += Get(i);
    text += "\r\n";
  }
  return text;
}

void TStrings::SetText(const AnsiString& Value) {
  UpdateWhile(this, [&] {
    Clear();
    size_t i = 0;
    while (i < Value.size()) {
      size_t end = Value.find_first_of("\r\n", i);
      if (end == AnsiString::npos) end = Value.size();
      Add(Value.substr(i, end - i));
      i = end;
      if (i < Value.size() && Value[i] == '\r') ++i;
      if (i < Value.size() && Value[i] == '\n') ++i;
    }
  });
}

AnsiString TStrings::JoinDelimited(char Delimiter, char Quote) const {
  int count = GetCount();
  if (count == 1 && Get(0).empty()) return AnsiString(2, Quote);
  AnsiString result;
  for (int i = 0; i < count; ++i) {
    AnsiString item = Get(i);
    bool quote = std::any_of(item.begin(), item.end(), [&](char c) {
      return IsBlank(c) || c == Quote || c == Delimiter;
    });
    if (i > 0) result += Delimiter;
    result += quote ? AnsiQuotedStr(item, Quote) : item;
  }
  return result;
}

void TStrings::SplitDelimited(const AnsiString& Value, char Delimiter, char Quote) {
  UpdateWhile(this, [&] {
    Clear();
    const size_t n = Value.size();
    size_t i = 0;
    // A blank that is the delimiter itself separates; the other blanks are skipped.
    auto skipBlanks = [&]() {
      while (i < n && IsBlank(Value[i]) && Value[i] != Delimiter) ++i;
    };
    skipBlanks();
    while (i < n) {
      if (Value[i] == Quote) {
        Add(AnsiExtractQuotedStr(Value, i, Quote));
      } else {
        size_t start = i;
        while (i < n && !IsBlank(Value[i]) && Value[i] != Delimiter) ++i;
        Add(Value.substr(start, i - start));
      }
      skipBlanks();
      if (i < n && Value[i] == Delimiter) {
        ++i;
        if (i == n) Add(AnsiString());  // a delimiter at the end: one more empty item
        skipBlanks();
      }
    }
  });
}

AnsiString TStrings::GetDelimitedText() const { return JoinDelimited(FDelimiter, FQuoteChar); }

void TStrings::SetDelimitedText(const AnsiString& Value) {
  SplitDelimited(Value, FDelimiter, FQuoteChar);
}

AnsiString TStrings::GetCommaText() const { return JoinDelimited(',', '"'); }

void TStrings::SetCommaText(const AnsiString& Value) { SplitDelimited(Value, ',', '"'); }

AnsiString TStrings::GetName(int Index) const {
  AnsiString item = Get(Index);
  size_t separator = item.find(FNameValueSeparator);
  return separator == AnsiString::npos ? AnsiString() : item.substr(0, separator);
}

AnsiString TStrings::GetValueFromIndex(int Index) const {
  AnsiString item = Get(Index);
  size_t separator = item.find(FNameValueSeparator);
  return separator == AnsiString::npos ? AnsiString() : item.substr(separator + 1);
}

int TStrings::IndexOfName(const AnsiString& Name) const {
  for (int i = 0; i < GetCount(); ++i) {
    AnsiString item = Get(i);
    size_t separator = item.find(FNameValueSeparator);
    if (separator != AnsiString::npos && CompareStrings(item.substr(0, separator), Name) == 0)
      return i;
  }
  return -1;
}

AnsiString TStrings::GetValue(const AnsiString& Name) const {
  int index = IndexOfName(Name);
  return index < 0 ? AnsiString() : GetValueFromIndex(index);
}

void TStrings::SetValue(const AnsiString& Name, const AnsiString& Value) {
  int index = IndexOfName(Name);
  if (Value.empty()) {
    if (index >= 0) Delete(index);
    return;
  }
  AnsiString item = Name + FNameValueSeparator + Value;
  if (index < 0) {
    Add(item);
  } else {
    Put(index, item);
  }
}

void TStrings::LoadFromStream(TStream* Stream) { SetText(ReadRest(Stream)); }

void TStrings::SaveToStream(TStream* Stream) const {
  AnsiString text = GetText();
  Stream->WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

void TStrings::LoadFromFile(const AnsiString& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}

void TStrings::SaveToFile(const AnsiString& FileName) const {
  TFileStream stream(FileName, fmCreate);
  SaveToStream(&stream);
}

// ---------------------------------------------------------------------------------------
// TStringList

TStringList::~TStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
}

void TStringList::Changed() {
  if (GetUpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing() {
  if (GetUpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::SetUpdateState(bool Updating) {
  if (Updating) {
    Changing();
  } else {
    Changed();
  }
}

int TStringList::CompareStrings(const AnsiString& S1, const AnsiString& S2) const {
  return FCaseSensitive ? AnsiCompareStr(S1, S2) : AnsiCompareText(S1, S2);
}

AnsiString TStringList::Get(int Index) const {
  if (Index < 0 || Index >= GetCount()) Error("List index out of bounds (%d)", Index);
  return FList[static_cast<size_t>(Index)].FString;
}

TObject* TStringList::GetObject(int Index) const {
  if (Index < 0 || Index >= GetCount()) Error("List index out of bounds (%d)", Index);
  return FList[static_cast<size_t>(Index)].FObject;
}

void TStringList::Put(int Index, const AnsiString& S) {
  if (FSorted) Error("Operation not allowed on sorted list", 0);
  if (Index < 0 || Index >= GetCount()) Error("List index out of bounds (%d)", Index);
  Changing();
  FList[static_cast<size_t>(Index)].FString = S;
  Changed();
}

void TStringList::PutObject(int Index, TObject* AObject) {
  if (Index < 0 || Index >= GetCount()) Error("List index out of bounds (%d)", Index);
  Changing();
  FList[static_cast<size_t>(Index)].FObject = AObject;
  Changed();
}

int TStringList::Add(const AnsiString& S) { return AddObject(S, nullptr); }

int TStringList::AddObject(const AnsiString& S, TObject* AObject) {
  int index;
  if (!FSorted) {
    index = GetCount();
  } else if (Find(S, index)) {
    switch (FDuplicates) {
      case dupIgnore:
        return index;
      case dupError:
        Error("Duplicates not allowed", 0);
      case dupAccept:
        break;
    }
  }
  InsertItem(index, S, AObject);
  return index;
}

void TStringList::InsertItem(int Index, const AnsiString& S, TObject* AObject) {
  Changing();
  FList.insert(FList.begin() + Index, TStringItem{S, AObject});
  Changed();
}

void TStringList::Insert(int Index, const AnsiString& S) {
  if (FSorted) Error("Operation not allowed on sorted list", 0);
  if (Index < 0 || Index > GetCount()) Error("List index out of bounds (%d)", Index);
  InsertItem(Index, S, nullptr);
}

void TStringList::Delete(int Index) {
  if (Index < 0 || Index >= GetCount()) Error("List index out of bounds (%d)", Index);
  Changing();
  FList.erase(FList.begin() + Index);
  Changed();
}

void TStringList::Clear() {
  if (FList.empty()) return;
  Changing();
  FList.clear();
  Changed();
}

void TStringList::Exchange(int Index1, int Index2) {
  if (Index1 < 0 || Index1 >= GetCount()) Error("List index out of bounds (%d)", Index1);
  if (Index2 < 0 || Index2 >= GetCount()) Error("List index out of bounds (%d)", Index2);
  Changing();
  std::swap(FList[static_cast<size_t>(Index1)], FList[static_cast<size_t>(Index2)]);
  Changed();
}

bool TStringList::Find(const AnsiString& S, int& Index) const {
  bool found = false;
  int low = 0, high = GetCount() - 1;
  while (low <= high) {
    int middle = low + (high - low) / 2;
    int c = CompareStrings(FList[static_cast<size_t>(middle)].FString, S);
    if (c < 0) {
      low = middle + 1;
    } else {
      high = middle - 1;
      if (c == 0) found = true;  // keep going left: the first equal item
    }
  }
  Index = low;
  return found;
}

int TStringList::IndexOf(const AnsiString& S) const {
  if (!FSorted) return TStrings::IndexOf(S);
  int index;
  return Find(S, index) ? index : -1;
}

void TStringList::CustomSort(const TStringListSortCompare& Compare) {
  if (GetCount() <= 1) return;
  Changing();
  std::vector<int> order(FList.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return Compare(this, a, b) < 0; });
  std::vector<TStringItem> sorted;
  sorted.reserve(FList.size());
  for (int index : order) sorted.push_back(std::move(FList[static_cast<size_t>(index)]));
  FList.swap(sorted);
  Changed();
}

void TStringList::Sort() {
  CustomSort([](TStringList* list, int a, int b) {
    return list->CompareStrings(list->FList[static_cast<size_t>(a)].FString,
                                list->FList[static_cast<size_t>(b)].FString);
  });
}

void TStringList::SetSorted(bool Value) {
  if (FSorted == Value) return;
  if (Value) Sort();
  FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
  if (FCaseSensitive == Value) return;
  FCaseSensitive = Value;
  if (FSorted) Sort();
}
