// Item identifier lists built by hand and taken from the shell, the folder objects of the
// desktop and of folders below it, and OLE as the program's start left it.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "framework/Forms.h"
#include "skin/data/ShellFolders.h"

namespace {

// A list of items of the given data sizes (each item 2 + size bytes, its bytes 1, 2, ...).
LPITEMIDLIST MakeList(const std::vector<int>& Sizes) {
  UINT total = 2;
  for (int s : Sizes) total += UINT(2 + s);
  LPITEMIDLIST list = AllocItemIdList(total);
  BYTE* p = reinterpret_cast<BYTE*>(list);
  BYTE value = 1;
  for (int s : Sizes) {
    const USHORT size = USHORT(2 + s);
    std::memcpy(p, &size, 2);
    for (int i = 0; i < s; ++i) p[2 + i] = value++;
    p += size;
  }
  return list;  // the allocator zero-filled the terminator
}

std::vector<BYTE> BytesOf(LPCITEMIDLIST List) {
  const BYTE* p = reinterpret_cast<const BYTE*>(List);
  return std::vector<BYTE>(p, p + ItemIdListSize(List));
}

struct TListHolder {
  LPITEMIDLIST List;
  explicit TListHolder(LPITEMIDLIST L) : List(L) {}
  ~TListHolder() { FreeItemIdList(List); }
};

}  // namespace

TEST(ShellFolders, ItemIdListsAreMeasuredCopiedAndJoined) {
  EXPECT_EQ(0u, ItemIdListSize(nullptr));
  TListHolder empty(MakeList({}));
  EXPECT_EQ(2u, ItemIdListSize(empty.List));
  TListHolder one(MakeList({3}));
  TListHolder two(MakeList({5, 1}));
  EXPECT_EQ(7u, ItemIdListSize(one.List));
  EXPECT_EQ(12u, ItemIdListSize(two.List));
  EXPECT_EQ(reinterpret_cast<BYTE*>(two.List) + 7, reinterpret_cast<BYTE*>(NextItemId(two.List)));

  TListHolder copy(CopyItemIdList(two.List));
  ASSERT_NE(two.List, copy.List);
  EXPECT_EQ(BytesOf(two.List), BytesOf(copy.List));

  // Joined: the first without its terminator, then the second with it.
  TListHolder joined(JoinItemIdLists(one.List, two.List));
  ASSERT_NE(nullptr, joined.List);
  EXPECT_EQ(ItemIdListSize(one.List) + ItemIdListSize(two.List) - 2, ItemIdListSize(joined.List));
  std::vector<BYTE> expected = BytesOf(one.List);
  expected.resize(expected.size() - 2);
  const std::vector<BYTE> second = BytesOf(two.List);
  expected.insert(expected.end(), second.begin(), second.end());
  EXPECT_EQ(expected, BytesOf(joined.List));
  // A missing list counts as empty: joining it gives a copy of the other.
  TListHolder noFirst(JoinItemIdLists(nullptr, two.List));
  EXPECT_EQ(BytesOf(two.List), BytesOf(noFirst.List));
  TListHolder noSecond(JoinItemIdLists(two.List, nullptr));
  EXPECT_EQ(BytesOf(two.List), BytesOf(noSecond.List));
  TListHolder neither(JoinItemIdLists(nullptr, nullptr));
  EXPECT_EQ(2u, ItemIdListSize(neither.List));
  FreeItemIdList(nullptr);
}

TEST(ShellFolders, FolderObjectsKnowTheirListsAndLevels) {
  // The desktop's folder, made when the program started.
  ASSERT_NE(nullptr, DesktopFolder);
  EXPECT_EQ(nullptr, DesktopFolder->GetParentFolder());
  EXPECT_EQ(0, DesktopFolder->GetLevel());
  EXPECT_EQ(2u, ItemIdListSize(DesktopFolder->GetFullIdList()));
  EXPECT_NE(nullptr, DesktopFolder->GetShellFolder());
  EXPECT_EQ(nullptr, DesktopFolder->GetShellFolder2());
  EXPECT_EQ(nullptr, DesktopFolder->GetShellDetails());
  EXPECT_EQ(0, DesktopFolder->GetDetails()->GetCount());
  TListHolder desktop(DesktopItemIdList());
  EXPECT_EQ(2u, ItemIdListSize(desktop.List));

  // Folders below it: C:\, C:\windows, C:\windows\system32.
  IShellFolder* root = GetDesktopShellFolder();
  ASSERT_NE(nullptr, root);
  wchar_t drive[] = L"C:\\";
  LPITEMIDLIST driveList = nullptr;
  ASSERT_EQ(S_OK, root->ParseDisplayName(nullptr, nullptr, drive, nullptr, &driveList, nullptr));
  IShellFolder* driveFolder = nullptr;
  ASSERT_EQ(S_OK, root->BindToObject(driveList, nullptr, IID_IShellFolder,
                                     reinterpret_cast<void**>(&driveFolder)));
  TspShellFolder* c = new TspShellFolder(nullptr, driveFolder, driveList);
  EXPECT_EQ(DesktopFolder, c->GetParentFolder());  // no parent given: the desktop's
  EXPECT_EQ(0, c->GetLevel());
  EXPECT_EQ(BytesOf(driveList), BytesOf(c->GetFullIdList()));
  EXPECT_EQ(BytesOf(driveList), BytesOf(c->GetRelativeIdList()));
  EXPECT_NE(driveList, c->GetRelativeIdList());  // an owned copy

  std::vector<TspShellFolder*> chain = {c};
  IShellFolder* current = driveFolder;
  for (const wchar_t* name : {L"windows", L"system32"}) {
    std::wstring text = name;
    LPITEMIDLIST childList = nullptr;
    ASSERT_EQ(S_OK,
              current->ParseDisplayName(nullptr, nullptr, &text[0], nullptr, &childList, nullptr));
    IShellFolder* child = nullptr;
    ASSERT_EQ(S_OK, current->BindToObject(childList, nullptr, IID_IShellFolder,
                                          reinterpret_cast<void**>(&child)));
    TspShellFolder* parent = chain.back();
    TspShellFolder* folder = new TspShellFolder(parent, child, childList);
    EXPECT_EQ(parent, folder->GetParentFolder());
    // The folders above the given parent: C:\ has the desktop's above it.
    EXPECT_EQ(int(chain.size()), folder->GetLevel());
    EXPECT_EQ(ItemIdListSize(parent->GetFullIdList()) + ItemIdListSize(childList) - 2,
              ItemIdListSize(folder->GetFullIdList()));
    EXPECT_EQ(BytesOf(childList), BytesOf(folder->GetRelativeIdList()));
    chain.push_back(folder);
    FreeItemIdList(childList);
    child->Release();
    current = child;
  }
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) delete *it;
  FreeItemIdList(driveList);
  driveFolder->Release();
  root->Release();
}

TEST(ShellFolders, OleIsInitialisedOnTheMainThreadAtStartUp) {
  // A second initialisation of an apartment that exists answers S_FALSE.
  EXPECT_EQ(S_FALSE, OleInitialize(nullptr));
  OleUninitialize();
  APTTYPE type;
  APTTYPEQUALIFIER qualifier;
  ASSERT_EQ(S_OK, CoGetApartmentType(&type, &qualifier));
  EXPECT_TRUE(type == APTTYPE_MAINSTA || type == APTTYPE_STA) << type;
  // Failed calls raise the OLE error with the result.
  try {
    OleCheck(E_NOINTERFACE);
    FAIL();
  } catch (const EOleSysError& e) {
    EXPECT_EQ(E_NOINTERFACE, e.GetResult());
    EXPECT_FALSE(e.Message.empty());
    EXPECT_EQ(uint32_t(E_NOINTERFACE), e.ErrorCode);
  }
  EXPECT_NO_THROW(OleCheck(S_FALSE));
}

TEST(ShellFolders, TheDragAndCopyCursorIsAScreenCursorAfterStartUp) {
  HCURSOR cursor = Screen->GetCursors(-23);
  ASSERT_NE(nullptr, cursor);
  EXPECT_NE(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)), cursor);
  // It is the program's "SP_CAT_DRAG_COPY" cursor: 32 x 32, its hot spot at the tip.
  ICONINFO info = {};
  ASSERT_TRUE(GetIconInfo(cursor, &info));
  EXPECT_FALSE(info.fIcon);
  EXPECT_EQ(0u, info.xHotspot);
  EXPECT_EQ(0u, info.yHotspot);
  BITMAP mask = {};
  ASSERT_TRUE(GetObjectA(info.hbmMask, sizeof(mask), &mask));
  EXPECT_EQ(32, mask.bmWidth);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  EXPECT_NE(nullptr,
            FindResourceA(GetModuleHandleA(nullptr), "SP_CAT_DRAG_COPY", MAKEINTRESOURCEA(12)));
}
