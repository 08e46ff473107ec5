// The framework's message numbers and the typed views of the message record.
#include <gtest/gtest.h>

#include <vector>

#include "framework/Messages.h"

TEST(Messages, FrameworkNumbersStayClearOfWindowsAndTheSkinToolkitsMessages) {
  const std::vector<uint32_t> framework = {
      CM_ACTIVATE, CM_DEACTIVATE, CM_CANCELMODE, CM_DIALOGKEY, CM_DIALOGCHAR, CM_FOCUSCHANGED,
      CM_PARENTFONTCHANGED, CM_PARENTCOLORCHANGED, CM_HITTEST, CM_VISIBLECHANGED,
      CM_ENABLEDCHANGED, CM_COLORCHANGED, CM_FONTCHANGED, CM_CURSORCHANGED, CM_TEXTCHANGED,
      CM_MOUSEENTER, CM_MOUSELEAVE, CM_APPKEYDOWN, CM_APPSYSCOMMAND, CM_SHOWINGCHANGED, CM_ENTER,
      CM_EXIT, CM_ICONCHANGED, CM_WANTSPECIALKEY, CM_RELEASE, CM_SHOWHINTCHANGED,
      CM_PARENTSHOWHINTCHANGED, CM_TABSTOPCHANGED, CM_CONTROLLISTCHANGE, CM_CHILDKEY, CM_DRAG,
      CM_HINTSHOW, CM_RECREATEWND, CM_INVALIDATE, CM_CONTROLCHANGE, CM_BORDERCHANGED,
      CM_ACTIONUPDATE, CM_ACTIONEXECUTE, CM_HINTSHOWPAUSE, CM_MOUSEWHEEL, CN_CHARTOITEM,
      CN_COMMAND, CN_COMPAREITEM, CN_CTLCOLORBTN, CN_CTLCOLORDLG, CN_CTLCOLOREDIT,
      CN_CTLCOLORLISTBOX, CN_CTLCOLORMSGBOX, CN_CTLCOLORSCROLLBAR, CN_CTLCOLORSTATIC,
      CN_DELETEITEM, CN_DRAWITEM, CN_HSCROLL, CN_MEASUREITEM, CN_PARENTNOTIFY, CN_VKEYTOITEM,
      CN_VSCROLL, CN_KEYDOWN, CN_KEYUP, CN_CHAR, CN_SYSKEYDOWN, CN_SYSCHAR, CN_NOTIFY};
  // The skin toolkit's own messages and the answers its windows give.
  const std::vector<uint32_t> skin = {45490, 45512, 45513, 48202, 48203};
  for (uint32_t m : framework) {
    SCOPED_TRACE(m);
    EXPECT_GE(m, uint32_t(WM_APP)) << "above the window messages and WM_USER + n";
    EXPECT_LT(m, 0xC000u) << "below the registered messages";
    EXPECT_FALSE(m >= WM_USER + 201 && m <= WM_USER + 270);
    for (uint32_t s : skin) EXPECT_NE(s, m);
  }
  for (size_t i = 0; i < framework.size(); ++i)
    for (size_t j = i + 1; j < framework.size(); ++j) EXPECT_NE(framework[i], framework[j]);
}

TEST(Messages, TypedViewsReadAndWriteTheRecord) {
  TMessage m;
  m.Msg = WM_KEYDOWN;
  m.WParam = VK_RETURN;
  m.LParam = 0x201C0001;
  TWMKey key(m);
  EXPECT_EQ(VK_RETURN, key.GetCharCode());
  EXPECT_EQ(0x201C0001, key.GetKeyData());
  key.SetCharCode(0);
  EXPECT_EQ(0u, m.WParam);
  TMessage mouse;
  mouse.WParam = MK_LBUTTON;
  mouse.LParam = PointToLParam(TPoint(-5, 300));
  TWMMouse view(mouse);
  EXPECT_EQ(MK_LBUTTON, view.GetKeys());
  EXPECT_EQ(-5, view.GetXPos());
  EXPECT_EQ(300, view.GetYPos());
  EXPECT_EQ(TPoint(-5, 300), view.GetPos());
}
