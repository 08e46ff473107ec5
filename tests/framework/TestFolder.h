// A folder of its own for a test's files, removed with everything in it at the end.
#pragma once

#include "framework/SysUtils.h"

class TTestFolder {
 public:
  TTestFolder();
  // Under another parent folder (given with its trailing separator) than the temporary one.
  explicit TTestFolder(const AnsiString& parent);
  ~TTestFolder();
  TTestFolder(const TTestFolder&) = delete;
  TTestFolder& operator=(const TTestFolder&) = delete;
  // The folder with its trailing separator.
  const AnsiString& Path() const { return FPath; }
  AnsiString File(const AnsiString& name) const { return FPath + name; }

 private:
  AnsiString FPath;
};

// Removes a folder (given with its trailing separator) and everything in it.
void RemoveFolderTree(const AnsiString& folder);

// Reads or writes a whole file as bytes (test helpers, independent of the streams).
AnsiString ReadWholeFile(const AnsiString& name);
void WriteWholeFile(const AnsiString& name, const AnsiString& bytes);
