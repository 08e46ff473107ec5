// The Windows registry as an object: a root key, one open key at a time, and typed values.
// Windows only.
#pragma once

#ifndef _WIN32
#error "framework/Registry.h is for Windows builds only"
#endif

#include <cstdint>

#include "framework/Classes.h"

struct HKEY__;
typedef HKEY__* HKEY;

class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

class TRegistry : public TObject {
 public:
  // HKEY_CURRENT_USER, full access.
  TRegistry();
  explicit TRegistry(uint32_t AAccess);
  ~TRegistry() override;

  HKEY GetRootKey() const { return FRootKey; }
  // Closes the open key.
  void SetRootKey(HKEY Value);
  uint32_t GetAccess() const { return FAccess; }
  void SetAccess(uint32_t Value) { FAccess = Value; }
  HKEY GetCurrentKey() const { return FCurrentKey; }
  AnsiString GetCurrentPath() const { return FCurrentPath; }

  // Opens the key (relative to the open key, or to the root key when it starts with "\"
  // or no key is open), creating it when CanCreate. False when that fails.
  bool OpenKey(const AnsiString& Key, bool CanCreate);
  // Opens for reading, trying read access and then query access alone.
  bool OpenKeyReadOnly(const AnsiString& Key);
  void CloseKey();
  bool CreateKey(const AnsiString& Key);
  bool DeleteKey(const AnsiString& Key);  // with its subkeys
  bool KeyExists(const AnsiString& Key);
  bool ValueExists(const AnsiString& Name);
  bool DeleteValue(const AnsiString& Name);
  TRegDataType GetDataType(const AnsiString& Name);
  void GetValueNames(TStrings* Strings);
  void GetKeyNames(TStrings* Strings);

  // A missing value reads as empty text; a value of another type raises
  // ERegistryException "Invalid data type for '%s'".
  AnsiString ReadString(const AnsiString& Name);
  // Raise ERegistryException for a missing value or one of another type.
  int ReadInteger(const AnsiString& Name);
  bool ReadBool(const AnsiString& Name);
  // Raise ERegistryException "Failed to set data for '%s'".
  void WriteString(const AnsiString& Name, const AnsiString& Value);
  void WriteExpandString(const AnsiString& Name, const AnsiString& Value);
  void WriteInteger(const AnsiString& Name, int Value);
  void WriteBool(const AnsiString& Name, bool Value);

 private:
  HKEY BaseKey(bool Relative) const;
  bool IsRelative(const AnsiString& Key) const;
  void ChangeKey(HKEY Value, const AnsiString& Path);
  HKEY GetKey(const AnsiString& Key);
  void PutData(const AnsiString& Name, const void* Buffer, uint32_t Size, uint32_t Type);

  HKEY FRootKey;
  HKEY FCurrentKey = nullptr;
  AnsiString FCurrentPath;
  uint32_t FAccess;
};
