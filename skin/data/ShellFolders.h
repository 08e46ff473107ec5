// Shell plumbing of the skin toolkit's file-browsing controls: item identifier lists
// (blocks of items, each beginning with its own 16-bit size, ended by a 16-bit zero, as
// the shell's ITEMIDLIST) allocated, measured, copied, joined and freed with the shell's
// allocator, and the folder object. When the program starts, the unit makes the desktop's
// folder object and initialises OLE on the main thread (a single-threaded apartment,
// which the engine's DirectShow and Flash objects and the download component rely on);
// when it ends, it frees the folder and uninitialises OLE.
#pragma once

#include "framework/Classes.h"
#include "framework/SysUtils.h"
#include "framework/WinApi.h"

#include <shlobj.h>

// A failed OLE call: ErrorCode is its result.
class EOleSysError : public EOSError {
 public:
  explicit EOleSysError(HRESULT Result);
  HRESULT GetResult() const { return FResult; }

 private:
  HRESULT FResult;
};
// Raises EOleSysError for a failed result.
void OleCheck(HRESULT Result);

// Size bytes from the shell's allocator, zero-filled; nullptr when it has none to give.
// Raises EOleSysError when the allocator cannot be had.
LPITEMIDLIST AllocItemIdList(UINT Size);
// The item after Item (Item's address plus its size field).
LPITEMIDLIST NextItemId(LPCITEMIDLIST Item);
// Bytes of a list with its terminator: 0 for nullptr, 2 for an empty list.
UINT ItemIdListSize(LPCITEMIDLIST List);
// A new copy (nullptr when allocation fails).
LPITEMIDLIST CopyItemIdList(LPCITEMIDLIST List);
// First without its terminator, then Second with its terminator, in a new block; a
// missing list counts as empty.
LPITEMIDLIST JoinItemIdLists(LPCITEMIDLIST First, LPCITEMIDLIST Second);
// Frees a block with the shell's allocator.
void FreeItemIdList(LPITEMIDLIST List);
// The desktop's shell folder; raises EOleSysError.
IShellFolder* GetDesktopShellFolder();
// The desktop's item identifier list (the caller frees it); raises EOleSysError.
LPITEMIDLIST DesktopItemIdList();

// A folder of the shell: its list relative to its parent and its absolute list (both
// owned), its shell folder interface (a reference held) and its place below its parent.
class TspShellFolder : public TObject {
 public:
  // Parent: the folder above (not owned), or nullptr for a folder below the desktop.
  TspShellFolder(TspShellFolder* Parent, IShellFolder* Folder, LPCITEMIDLIST List);
  ~TspShellFolder() override;

  LPITEMIDLIST GetRelativeIdList() const { return FRelativeIdList; }
  LPITEMIDLIST GetFullIdList() const { return FFullIdList; }
  IShellFolder* GetShellFolder() const { return FShellFolder; }
  IShellFolder2* GetShellFolder2() const { return FShellFolder2; }
  IShellDetails* GetShellDetails() const { return FShellDetails; }
  // The folder above: the given parent, or the desktop's folder when none was given.
  TspShellFolder* GetParentFolder() const { return FParentFolder; }
  // The number of folders above the given parent.
  int GetLevel() const { return FLevel; }
  TStringList* GetDetails() const { return FDetails; }

 private:
  LPITEMIDLIST FRelativeIdList = nullptr;
  LPITEMIDLIST FFullIdList = nullptr;
  IShellFolder* FShellFolder = nullptr;
  IShellFolder2* FShellFolder2 = nullptr;
  IShellDetails* FShellDetails = nullptr;
  TspShellFolder* FParentFolder = nullptr;
  int FLevel = 0;
  TStringList* FDetails = nullptr;
};

// The desktop's folder object, from the program's start to its end (nullptr when the
// shell gave no desktop list).
extern TspShellFolder* DesktopFolder;
