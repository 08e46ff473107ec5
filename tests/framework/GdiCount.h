// The number of GDI objects the test process holds. Windows answers GetGuiResources;
// Wine answers 0 there but keeps the process's GDI handle table where the process
// environment block points (GdiSharedHandleTable), whose used entries are counted.
#pragma once

#include <cstdint>

#include "framework/WinApi.h"

inline int GdiObjectCount() {
  DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (count != 0) return static_cast<int>(count);
  struct TEntry {  // one entry of the handle table, as 64-bit and 32-bit systems lay it out
    uint64_t Object;
    uint32_t Owner;
    uint16_t Unique;
    uint8_t Type;
    uint8_t Flags;
    uint64_t UserPointer;
  };
  static_assert(sizeof(TEntry) == 24, "handle table entries are 24 bytes");
  const size_t tableOffset = sizeof(void*) == 8 ? 0xF8 : 0x94;
  using TGetPeb = void*(WINAPI*)();
  auto getPeb = reinterpret_cast<TGetPeb>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetCurrentPeb")));
  if (!getPeb) return -1;
  char* peb = static_cast<char*>(getPeb());
  const TEntry* table = *reinterpret_cast<TEntry* const*>(peb + tableOffset);
  if (!table) return -1;
  int used = 0;
  for (int i = 0; i < 0x10000; ++i)
    if (table[i].Type != 0) ++used;
  return used;
}
