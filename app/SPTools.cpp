// The portable half of the program's free routines: texts, numbers, paths and files.
#include "app/SPTools.h"

#include <cstdio>

// ---------------------------------------------------------------------------------------
// Texts and numbers

int SafeStrToInt(const AnsiString& Text, int Default) {
  int value;
  return TryStrToInt(Text, value) ? value : Default;
}

AnsiString IntToStrPad(int64_t Number, int Width, char Pad) {
  AnsiString text = IntToStr(Number);
  if (Width > 0 && text.size() < static_cast<size_t>(Width))
    text.insert(0, static_cast<size_t>(Width) - text.size(), Pad);
  return text;
}

bool StartsWithText(const AnsiString& Text, const AnsiString& Prefix) {
  return Text.size() >= Prefix.size() && SameText(Text.substr(0, Prefix.size()), Prefix);
}

void SplitText(const AnsiString& Text, const AnsiString& Separator, TStrings* Strings) {
  if (Text.empty() || !Strings) return;
  UpdateWhile(Strings, [&] {
    if (Separator.empty()) {
      Strings->Add(Text);
      return;
    }
    size_t start = 0;
    for (;;) {
      const size_t at = Text.find(Separator, start);
      if (at == AnsiString::npos) break;
      Strings->Add(Text.substr(start, at - start));
      start = at + Separator.size();
    }
    Strings->Add(Text.substr(start));
  });
}

AnsiString FormatArgs(const AnsiString& Text, const std::vector<AnsiString>& Args) {
  AnsiString result;
  result.reserve(Text.size());
  for (size_t i = 0; i < Text.size(); ++i) {
    const char c = Text[i];
    if (c != '%' || i + 1 == Text.size()) {
      result += c;
      continue;
    }
    const char next = Text[++i];
    if (next >= '1' && next <= '9') {
      const size_t n = static_cast<size_t>(next - '1');
      if (n < Args.size()) result += Args[n];
    } else if (next == '%') {
      result += '%';
    } else {
      result += c;
      result += next;
    }
  }
  return result;
}

int32_t PackVersion(const AnsiString& Text) {
  AnsiString word = TrimLeft(Text);
  const size_t blank = word.find(' ');
  if (blank != AnsiString::npos) word.erase(blank);
  TStringList parts;
  SplitText(word, ".", &parts);
  if (parts.GetCount() != 4) return 0;
  uint32_t packed = 0;
  for (int i = 0; i < 4; ++i)
    packed = (packed << 4) | (static_cast<uint32_t>(SafeStrToInt(parts.Get(i), 0)) & 15u);
  return static_cast<int32_t>(packed);
}

AnsiString HexEncode(const void* Bytes, size_t Count) {
  static const char digits[] = "0123456789ABCDEF";
  const unsigned char* bytes = static_cast<const unsigned char*>(Bytes);
  AnsiString text;
  text.reserve(Count * 2);
  for (size_t i = 0; i < Count; ++i) {
    text += digits[bytes[i] >> 4];
    text += digits[bytes[i] & 15];
  }
  return text;
}

AnsiString SecondsToTimeText(int64_t Seconds) {
  if (Seconds < 0) Seconds = 0;
  const int64_t hours = Seconds / 3600;
  AnsiString text = IntToStrPad((Seconds / 60) % 60, 2, '0') + ":" + IntToStrPad(Seconds % 60, 2, '0');
  if (hours != 0) text = IntToStrPad(hours, 2, '0') + ":" + text;
  return text;
}

int TestBit(uint32_t Value, int N) { return static_cast<int>((Value >> (N & 31)) & 1u); }

bool FileExtInList(const AnsiString& FileName, const AnsiString& CommaList) {
  // The extension as the program sees paths: after the last "." of the name part.
  const size_t name = FileName.find_last_of("\\/:");
  const size_t point = FileName.rfind('.');
  if (point == AnsiString::npos || (name != AnsiString::npos && point < name)) return false;
  const AnsiString ext = FileName.substr(point);
  TStringList items;
  SplitText(CommaList, ",", &items);
  for (int i = 0; i < items.GetCount(); ++i) {
    if (SameText(items.Get(i), ext)) return true;
  }
  return false;
}

AnsiString AppendUrlQuery(const AnsiString& Address, const AnsiString& Query) {
  if (Address.empty()) return Query;
  if (Address.find('?') == AnsiString::npos) return Address + "?" + Query;
  const char last = Address.back();
  if (last == '&' || last == '?') return Address + Query;
  return Address + "&" + Query;
}

bool IsWebAddress(const AnsiString& Address) {
  size_t host = 0;
  if (StartsWithText(Address, "http://"))
    host = 7;
  else if (StartsWithText(Address, "https://"))
    host = 8;
  else
    return false;
  if (Address.size() <= host || Address[host] == '/') return false;
  for (char c : Address) {
    const unsigned char b = static_cast<unsigned char>(c);
    if (b <= ' ' || b == 0x7F || c == '"') return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------
// Paths and files

AnsiString SlashToBackslash(const AnsiString& Path) {
  AnsiString result = Path;
  for (char& c : result) {
    if (c == '/') c = '\\';
  }
  return result;
}

AnsiString IncludeBackslash(const AnsiString& Path) {
  if (Path.empty()) return Path;
  AnsiString result = SlashToBackslash(Path);
  if (result.back() != '\\') result += '\\';
  return result;
}

AnsiString CombinePath(const AnsiString& Folder, const AnsiString& Path) {
  if (Path.find(':') != AnsiString::npos || Folder.compare(0, 2, "\\\\") == 0)
    return SlashToBackslash(Path);
  if (Folder.size() >= 2 && Folder[1] == ':') {
    const AnsiString p = SlashToBackslash(Path);
    const AnsiString f = IncludeBackslash(Folder);
    if (p.size() > 1 && p[0] == '\\') return f.substr(0, 2) + p;
    return f + p;
  }
  return Path;
}

namespace {

// The folder part of a path with its trailing separator ("\", "/" or the drive's ":").
AnsiString FolderPart(const AnsiString& Path) {
  const size_t at = Path.find_last_of("\\/:");
  return at == AnsiString::npos ? AnsiString() : Path.substr(0, at + 1);
}

void ListEntries(const AnsiString& Mask, TStrings* List, bool FullPaths, bool Folders) {
  const AnsiString folder = FolderPart(Mask);
  const int attributes =
      Folders ? faDirectory : faReadOnly | faHidden | faSysFile | faVolumeID | faArchive;
  TSearchRec found;
  if (FindFirst(Mask, attributes, found) != 0) return;
  do {
    const bool isFolder = (found.Attr & faDirectory) != 0;
    if (isFolder != Folders) continue;
    if (Folders && (found.Name == "." || found.Name == "..")) continue;
    List->Add(FullPaths ? folder + found.Name : found.Name);
  } while (FindNext(found) == 0);
  FindClose(found);
}

// The folder with its trailing separator; empty stays empty.
AnsiString FolderWithDelimiter(const AnsiString& Folder) {
#ifdef _WIN32
  return IncludeBackslash(Folder);
#else
  return Folder.empty() ? Folder : IncludeTrailingPathDelimiter(Folder);
#endif
}

}  // namespace

AnsiString ExpandRelativePath(const AnsiString& BaseFile, const AnsiString& Path) {
  return CombinePath(FolderPart(BaseFile), Path);
}

void ListFiles(const AnsiString& Mask, TStrings* List, bool FullPaths) {
  ListEntries(Mask, List, FullPaths, false);
}

void ListFolders(const AnsiString& Mask, TStrings* List, bool FullPaths) {
  ListEntries(Mask, List, FullPaths, true);
}

void FindFilesRecursive(const AnsiString& Folder, TStrings* List, const AnsiString& Mask,
                        bool Recurse) {
  const AnsiString folder = FolderWithDelimiter(Folder);
  ListFiles(folder + Mask, List, true);
  if (!Recurse) return;
  TStringList subFolders;
  ListFolders(folder + "*", &subFolders, false);
  for (int i = 0; i < subFolders.GetCount(); ++i)
    FindFilesRecursive(folder + subFolders.Get(i) + PathDelim, List, Mask, Recurse);
}

bool SaveTextToFile(const AnsiString& Text, const AnsiString& FileName) {
  TStringList lines;
  lines.SetText(Text);
  try {
    lines.SaveToFile(FileName);
    return true;
  } catch (const Exception&) {
    return false;
  }
}

AnsiString LoadFileToString(const AnsiString& FileName) {
  try {
    TFileStream file(FileName, fmOpenRead | fmShareDenyNone);
    const int64_t size = file.GetSize();
    if (size <= 0) return AnsiString();
    AnsiString text;
    // Read in pieces: a size the system reports wrongly must not make us trust it.
    char buffer[65536];
    for (;;) {
      const int64_t n = file.Read(buffer, sizeof buffer);
      if (n <= 0) break;
      text.append(buffer, static_cast<size_t>(n));
    }
    return text;
  } catch (const Exception&) {
    return AnsiString();
  }
}
