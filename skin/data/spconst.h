// Unit spconst: the built-in texts of the skinned parts, used when no resource texts
// (TspResourceStrData) are reachable. Each stands for the text of one resource-text name
// and equals that name's default text. Portable: no Windows header.
#pragma once

#include "framework/System.h"

// Window menu.
extern const char* const SP_MI_MINCAPTION;
extern const char* const SP_MI_MAXCAPTION;
extern const char* const SP_MI_CLOSECAPTION;
extern const char* const SP_MI_RESTORECAPTION;
extern const char* const SP_MI_MINTOTRAYCAPTION;
extern const char* const SP_MI_ROLLUPCAPTION;
// Caption-button hints.
extern const char* const SP_MINBUTTON_HINT;
extern const char* const SP_MAXBUTTON_HINT;
extern const char* const SP_CLOSEBUTTON_HINT;
extern const char* const SP_TRAYBUTTON_HINT;
extern const char* const SP_ROLLUPBUTTON_HINT;
extern const char* const SP_MENUBUTTON_HINT;
// Edit menu.
extern const char* const SP_EDIT_UNDO;
extern const char* const SP_EDIT_COPY;
extern const char* const SP_EDIT_CUT;
extern const char* const SP_EDIT_PASTE;
extern const char* const SP_EDIT_DELETE;
extern const char* const SP_EDIT_SELECTALL;
// Message-box buttons.
extern const char* const SP_MSG_BTN_YES;
extern const char* const SP_MSG_BTN_NO;
extern const char* const SP_MSG_BTN_OK;
extern const char* const SP_MSG_BTN_CANCEL;
extern const char* const SP_MSG_BTN_ABORT;
extern const char* const SP_MSG_BTN_RETRY;
extern const char* const SP_MSG_BTN_IGNORE;
extern const char* const SP_MSG_BTN_ALL;
extern const char* const SP_MSG_BTN_NOTOALL;
extern const char* const SP_MSG_BTN_YESTOALL;
extern const char* const SP_MSG_BTN_HELP;
// Message-box captions and the show-again check box.
extern const char* const SP_MSG_CAP_WARNING;
extern const char* const SP_MSG_CAP_ERROR;
extern const char* const SP_MSG_CAP_INFORMATION;
extern const char* const SP_MSG_CAP_CONFIRM;
extern const char* const SP_MSG_CAP_SHOWFLAG;

// The built-in text of a resource-text name ("MI_MINCAPTION" gives SP_MI_MINCAPTION's
// text; names compare without regard to case); empty for a name that has none.
AnsiString GetBuiltInResStr(const AnsiString& Name);
