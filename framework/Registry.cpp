#include "framework/Registry.h"

#include <algorithm>
#include <vector>

#include "framework/WinApi.h"

namespace {

[[noreturn]] void InvalidType(const AnsiString& name) {
  throw ERegistryException("Invalid data type for '%s'", {name});
}

TRegDataType DataType(DWORD type) {
  switch (type) {
    case REG_SZ:
      return rdString;
    case REG_EXPAND_SZ:
      return rdExpandString;
    case REG_DWORD:
      return rdInteger;
    case REG_BINARY:
      return rdBinary;
    default:
      return rdUnknown;
  }
}

// Registry values this program reads are small; a larger one is no value of ours.
constexpr DWORD kMaxValueSize = 16u << 20;

}  // namespace

TRegistry::TRegistry() : TRegistry(KEY_ALL_ACCESS) {}

TRegistry::TRegistry(uint32_t AAccess) : FRootKey(HKEY_CURRENT_USER), FAccess(AAccess) {}

TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::SetRootKey(HKEY Value) {
  if (FRootKey == Value) return;
  CloseKey();
  FRootKey = Value;
}

void TRegistry::CloseKey() {
  if (FCurrentKey) {
    RegCloseKey(FCurrentKey);
    FCurrentKey = nullptr;
    FCurrentPath.clear();
  }
}

void TRegistry::ChangeKey(HKEY Value, const AnsiString& Path) {
  CloseKey();
  FCurrentKey = Value;
  FCurrentPath = Path;
}

bool TRegistry::IsRelative(const AnsiString& Key) const { return Key.empty() || Key[0] != '\\'; }

HKEY TRegistry::BaseKey(bool Relative) const {
  return (FCurrentKey && Relative) ? FCurrentKey : FRootKey;
}

bool TRegistry::OpenKey(const AnsiString& Key, bool CanCreate) {
  bool relative = IsRelative(Key);
  AnsiString path = relative ? Key : Key.substr(1);
  HKEY key = nullptr;
  LONG result;
  if (CanCreate) {
    DWORD disposition;
    result = RegCreateKeyExA(BaseKey(relative), path.c_str(), 0, nullptr, 0, FAccess, nullptr,
                             &key, &disposition);
  } else {
    result = RegOpenKeyExA(BaseKey(relative), path.c_str(), 0, FAccess, &key);
  }
  if (result != ERROR_SUCCESS) return false;
  if (relative && FCurrentKey) path = FCurrentPath + "\\" + path;
  ChangeKey(key, path);
  return true;
}

bool TRegistry::OpenKeyReadOnly(const AnsiString& Key) {
  uint32_t saved = FAccess;
  bool opened = false;
  for (uint32_t access : {static_cast<uint32_t>(KEY_READ),
                          static_cast<uint32_t>(STANDARD_RIGHTS_READ | KEY_QUERY_VALUE |
                                                KEY_ENUMERATE_SUB_KEYS),
                          static_cast<uint32_t>(KEY_QUERY_VALUE)}) {
    FAccess = access;
    if ((opened = OpenKey(Key, false))) break;
  }
  FAccess = saved;
  return opened;
}

HKEY TRegistry::GetKey(const AnsiString& Key) {
  bool relative = IsRelative(Key);
  AnsiString path = relative ? Key : Key.substr(1);
  HKEY key = nullptr;
  if (RegOpenKeyExA(BaseKey(relative), path.c_str(), 0, FAccess, &key) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

bool TRegistry::CreateKey(const AnsiString& Key) {
  bool relative = IsRelative(Key);
  AnsiString path = relative ? Key : Key.substr(1);
  HKEY key = nullptr;
  DWORD disposition;
  if (RegCreateKeyExA(BaseKey(relative), path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &key, &disposition) != ERROR_SUCCESS)
    throw ERegistryException("Failed to create key %s", {Key});
  RegCloseKey(key);
  return true;
}

bool TRegistry::DeleteKey(const AnsiString& Key) {
  bool relative = IsRelative(Key);
  AnsiString path = relative ? Key : Key.substr(1);
  if (path.empty()) return false;  // never the open key's or the root's whole tree
  return RegDeleteTreeA(BaseKey(relative), path.c_str()) == ERROR_SUCCESS;
}

bool TRegistry::KeyExists(const AnsiString& Key) {
  uint32_t saved = FAccess;
  FAccess = STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS;
  HKEY key = GetKey(Key);
  FAccess = saved;
  if (key) RegCloseKey(key);
  return key != nullptr;
}

bool TRegistry::ValueExists(const AnsiString& Name) {
  if (!FCurrentKey) return false;
  return RegQueryValueExA(FCurrentKey, Name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS;
}

bool TRegistry::DeleteValue(const AnsiString& Name) {
  return FCurrentKey && RegDeleteValueA(FCurrentKey, Name.c_str()) == ERROR_SUCCESS;
}

TRegDataType TRegistry::GetDataType(const AnsiString& Name) {
  DWORD type = REG_NONE;
  if (!FCurrentKey ||
      RegQueryValueExA(FCurrentKey, Name.c_str(), nullptr, &type, nullptr, nullptr) !=
          ERROR_SUCCESS)
    return rdUnknown;
  return DataType(type);
}

namespace {
// Lists names by index until the enumeration ends.
template <class Enumerate>
void ListNames(TStrings* Strings, Enumerate enumerate) {
  UpdateWhile(Strings, [&] {
    Strings->Clear();
    char name[16384];
    for (DWORD i = 0;; ++i) {
      DWORD length = sizeof name;
      if (enumerate(i, name, &length) != ERROR_SUCCESS) break;
      Strings->Add(AnsiString(name, length));
    }
  });
}
}  // namespace

void TRegistry::GetValueNames(TStrings* Strings) {
  HKEY key = FCurrentKey;
  ListNames(Strings, [key](DWORD i, char* name, DWORD* length) -> LONG {
    if (!key) return ERROR_NO_MORE_ITEMS;
    return RegEnumValueA(key, i, name, length, nullptr, nullptr, nullptr, nullptr);
  });
}

void TRegistry::GetKeyNames(TStrings* Strings) {
  HKEY key = FCurrentKey;
  ListNames(Strings, [key](DWORD i, char* name, DWORD* length) -> LONG {
    if (!key) return ERROR_NO_MORE_ITEMS;
    return RegEnumKeyExA(key, i, name, length, nullptr, nullptr, nullptr, nullptr);
  });
}

AnsiString TRegistry::ReadString(const AnsiString& Name) {
  if (!FCurrentKey) return AnsiString();
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD type = REG_NONE, size = 0;
    if (RegQueryValueExA(FCurrentKey, Name.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
      return AnsiString();
    if (type != REG_SZ && type != REG_EXPAND_SZ) InvalidType(Name);
    if (size > kMaxValueSize) InvalidType(Name);
    std::vector<char> buffer(size + 1, '\0');
    DWORD read = size;
    LONG result = RegQueryValueExA(FCurrentKey, Name.c_str(), nullptr, &type,
                                   reinterpret_cast<BYTE*>(buffer.data()), &read);
    if (result == ERROR_MORE_DATA) continue;  // changed in between: again
    if (result != ERROR_SUCCESS) return AnsiString();
    if (type != REG_SZ && type != REG_EXPAND_SZ) InvalidType(Name);
    // Stored with or without its terminating zero: the text ends at the first zero.
    read = std::min<DWORD>(read, size);
    AnsiString text(buffer.data(), read);
    size_t zero = text.find('\0');
    if (zero != AnsiString::npos) text.resize(zero);
    return text;
  }
  throw ERegistryException("Failed to get data for '%s'", {Name});
}

int TRegistry::ReadInteger(const AnsiString& Name) {
  DWORD type = REG_NONE, value = 0, size = sizeof value;
  LONG result = FCurrentKey ? RegQueryValueExA(FCurrentKey, Name.c_str(), nullptr, &type,
                                               reinterpret_cast<BYTE*>(&value), &size)
                            : ERROR_INVALID_HANDLE;
  if (result == ERROR_MORE_DATA) InvalidType(Name);
  if (result != ERROR_SUCCESS) throw ERegistryException("Failed to get data for '%s'", {Name});
  if (type != REG_DWORD || size != sizeof value) InvalidType(Name);
  return static_cast<int>(value);
}

bool TRegistry::ReadBool(const AnsiString& Name) { return ReadInteger(Name) != 0; }

void TRegistry::PutData(const AnsiString& Name, const void* Buffer, uint32_t Size,
                        uint32_t Type) {
  if (!FCurrentKey || RegSetValueExA(FCurrentKey, Name.c_str(), 0, Type,
                                     static_cast<const BYTE*>(Buffer), Size) != ERROR_SUCCESS)
    throw ERegistryException("Failed to set data for '%s'", {Name});
}

void TRegistry::WriteString(const AnsiString& Name, const AnsiString& Value) {
  PutData(Name, Value.c_str(), static_cast<uint32_t>(Value.size() + 1), REG_SZ);
}

void TRegistry::WriteExpandString(const AnsiString& Name, const AnsiString& Value) {
  PutData(Name, Value.c_str(), static_cast<uint32_t>(Value.size() + 1), REG_EXPAND_SZ);
}

void TRegistry::WriteInteger(const AnsiString& Name, int Value) {
  DWORD value = static_cast<DWORD>(Value);
  PutData(Name, &value, sizeof value, REG_DWORD);
}

void TRegistry::WriteBool(const AnsiString& Name, bool Value) { WriteInteger(Name, Value ? 1 : 0); }
