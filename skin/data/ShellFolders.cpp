#include "skin/data/ShellFolders.h"

#include <cstring>

#include "framework/SysUtils.h"

namespace {

// The system's text for a result, or "OLE error" with its number when it has none.
AnsiString OleErrorMessage(HRESULT Result) {
  AnsiString text = SysErrorMessage(uint32_t(Result));
  if (text.empty()) text = "OLE error " + IntToHex(uint32_t(Result), 8);
  return text;
}

}  // namespace

EOleSysError::EOleSysError(HRESULT Result) : EOSError(OleErrorMessage(Result)), FResult(Result) {
  ErrorCode = uint32_t(Result);
}

void OleCheck(HRESULT Result) {
  if (FAILED(Result)) throw EOleSysError(Result);
}

namespace {

// The shell's allocator, released when the holder goes.
class TShellMalloc {
 public:
  TShellMalloc() { OleCheck(SHGetMalloc(&FMalloc)); }
  ~TShellMalloc() {
    if (FMalloc) FMalloc->Release();
  }
  TShellMalloc(const TShellMalloc&) = delete;
  TShellMalloc& operator=(const TShellMalloc&) = delete;
  IMalloc* operator->() const { return FMalloc; }

 private:
  IMalloc* FMalloc = nullptr;
};

inline USHORT ItemSize(LPCITEMIDLIST Item) {
  USHORT size;
  std::memcpy(&size, Item, sizeof(size));  // item identifiers need not be aligned
  return size;
}

}  // namespace

LPITEMIDLIST AllocItemIdList(UINT Size) {
  TShellMalloc malloc;
  auto* list = static_cast<LPITEMIDLIST>(malloc->Alloc(Size));
  if (list) std::memset(list, 0, Size);
  return list;
}

LPITEMIDLIST NextItemId(LPCITEMIDLIST Item) {
  return reinterpret_cast<LPITEMIDLIST>(const_cast<BYTE*>(reinterpret_cast<const BYTE*>(Item)) +
                                        ItemSize(Item));
}

UINT ItemIdListSize(LPCITEMIDLIST List) {
  if (!List) return 0;
  UINT size = sizeof(USHORT);
  for (LPCITEMIDLIST item = List; ItemSize(item) != 0; item = NextItemId(item))
    size += ItemSize(item);
  return size;
}

LPITEMIDLIST CopyItemIdList(LPCITEMIDLIST List) {
  const UINT size = ItemIdListSize(List);
  LPITEMIDLIST copy = AllocItemIdList(size);
  if (copy && size) std::memcpy(copy, List, size);
  return copy;
}

LPITEMIDLIST JoinItemIdLists(LPCITEMIDLIST First, LPCITEMIDLIST Second) {
  static const USHORT kEmpty = 0;
  if (!First) First = reinterpret_cast<LPCITEMIDLIST>(&kEmpty);
  if (!Second) Second = reinterpret_cast<LPCITEMIDLIST>(&kEmpty);
  const UINT first = ItemIdListSize(First) - sizeof(USHORT);
  const UINT second = ItemIdListSize(Second);
  LPITEMIDLIST joined = AllocItemIdList(first + second);
  if (!joined) return nullptr;
  std::memcpy(joined, First, first);
  std::memcpy(reinterpret_cast<BYTE*>(joined) + first, Second, second);
  return joined;
}

void FreeItemIdList(LPITEMIDLIST List) {
  if (!List) return;
  TShellMalloc malloc;
  malloc->Free(List);
}

IShellFolder* GetDesktopShellFolder() {
  IShellFolder* folder = nullptr;
  OleCheck(SHGetDesktopFolder(&folder));
  return folder;
}

LPITEMIDLIST DesktopItemIdList() {
  LPITEMIDLIST list = nullptr;
  OleCheck(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &list));
  return list;
}

TspShellFolder* DesktopFolder = nullptr;

TspShellFolder::TspShellFolder(TspShellFolder* Parent, IShellFolder* Folder, LPCITEMIDLIST List)
    : FShellFolder(Folder), FParentFolder(Parent), FDetails(new TStringList) {
  if (FShellFolder) FShellFolder->AddRef();
  FRelativeIdList = CopyItemIdList(List);
  if (Parent) {
    FFullIdList = JoinItemIdLists(Parent->FFullIdList, List);
  } else {
    LPITEMIDLIST desktop = DesktopItemIdList();
    FFullIdList = JoinItemIdLists(desktop, List);
    FreeItemIdList(desktop);
    FParentFolder = DesktopFolder;
  }
  for (TspShellFolder* above = Parent; above && above->FParentFolder; above = above->FParentFolder)
    ++FLevel;
}

TspShellFolder::~TspShellFolder() {
  delete FDetails;
  FreeItemIdList(FRelativeIdList);
  FreeItemIdList(FFullIdList);
  if (FShellDetails) FShellDetails->Release();
  if (FShellFolder2) FShellFolder2->Release();
  if (FShellFolder) FShellFolder->Release();
}

namespace {

// The desktop's folder object and OLE for the life of the program.
struct TShellFoldersUnit {
  TShellFoldersUnit() {
    LPITEMIDLIST desktop = nullptr;
    SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &desktop);
    if (desktop) {
      try {
        IShellFolder* folder = GetDesktopShellFolder();
        DesktopFolder = new TspShellFolder(nullptr, folder, desktop);
        folder->Release();
      } catch (const Exception&) {
        DesktopFolder = nullptr;
      }
      FreeItemIdList(desktop);
    }
    OleInitialize(nullptr);
  }
  ~TShellFoldersUnit() {
    FreeAndNil(DesktopFolder);
    OleUninitialize();
  }
};
TShellFoldersUnit g_ShellFoldersUnit;

}  // namespace
