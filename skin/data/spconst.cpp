#include "skin/data/spconst.h"

#include "framework/SysUtils.h"

const char* const SP_MI_MINCAPTION = "Mi&nimize";
const char* const SP_MI_MAXCAPTION = "Ma&ximize";
const char* const SP_MI_CLOSECAPTION = "&Close";
const char* const SP_MI_RESTORECAPTION = "&Restore";
const char* const SP_MI_MINTOTRAYCAPTION = "Minimize to &Tray";
const char* const SP_MI_ROLLUPCAPTION = "Ro&llUp";
const char* const SP_MINBUTTON_HINT = "Minimize";
const char* const SP_MAXBUTTON_HINT = "Maximize";
const char* const SP_CLOSEBUTTON_HINT = "Close";
const char* const SP_TRAYBUTTON_HINT = "Minimize to Tray";
const char* const SP_ROLLUPBUTTON_HINT = "Roll Up";
const char* const SP_MENUBUTTON_HINT = "System menu";
const char* const SP_EDIT_UNDO = "Undo";
const char* const SP_EDIT_COPY = "Copy";
const char* const SP_EDIT_CUT = "Cut";
const char* const SP_EDIT_PASTE = "Paste";
const char* const SP_EDIT_DELETE = "Delete";
const char* const SP_EDIT_SELECTALL = "Select All";
const char* const SP_MSG_BTN_YES = "&Yes";
const char* const SP_MSG_BTN_NO = "&No";
const char* const SP_MSG_BTN_OK = "OK";
const char* const SP_MSG_BTN_CANCEL = "Cancel";
const char* const SP_MSG_BTN_ABORT = "&Abort";
const char* const SP_MSG_BTN_RETRY = "&Retry";
const char* const SP_MSG_BTN_IGNORE = "&Ignore";
const char* const SP_MSG_BTN_ALL = "&All";
const char* const SP_MSG_BTN_NOTOALL = "N&oToAll";
const char* const SP_MSG_BTN_YESTOALL = "&YesToAll";
const char* const SP_MSG_BTN_HELP = "&Help";
const char* const SP_MSG_CAP_WARNING = "Warning";
const char* const SP_MSG_CAP_ERROR = "Error";
const char* const SP_MSG_CAP_INFORMATION = "Information";
const char* const SP_MSG_CAP_CONFIRM = "Confirm";
const char* const SP_MSG_CAP_SHOWFLAG = "Do not display this message again";

namespace {

struct TBuiltIn {
  const char* Name;
  const char* const* Text;
};

const TBuiltIn kBuiltIn[] = {
    {"MI_MINCAPTION", &SP_MI_MINCAPTION},
    {"MI_MAXCAPTION", &SP_MI_MAXCAPTION},
    {"MI_CLOSECAPTION", &SP_MI_CLOSECAPTION},
    {"MI_RESTORECAPTION", &SP_MI_RESTORECAPTION},
    {"MI_MINTOTRAYCAPTION", &SP_MI_MINTOTRAYCAPTION},
    {"MI_ROLLUPCAPTION", &SP_MI_ROLLUPCAPTION},
    {"MINBUTTON_HINT", &SP_MINBUTTON_HINT},
    {"MAXBUTTON_HINT", &SP_MAXBUTTON_HINT},
    {"CLOSEBUTTON_HINT", &SP_CLOSEBUTTON_HINT},
    {"TRAYBUTTON_HINT", &SP_TRAYBUTTON_HINT},
    {"ROLLUPBUTTON_HINT", &SP_ROLLUPBUTTON_HINT},
    {"MENUBUTTON_HINT", &SP_MENUBUTTON_HINT},
    {"EDIT_UNDO", &SP_EDIT_UNDO},
    {"EDIT_COPY", &SP_EDIT_COPY},
    {"EDIT_CUT", &SP_EDIT_CUT},
    {"EDIT_PASTE", &SP_EDIT_PASTE},
    {"EDIT_DELETE", &SP_EDIT_DELETE},
    {"EDIT_SELECTALL", &SP_EDIT_SELECTALL},
    {"MSG_BTN_YES", &SP_MSG_BTN_YES},
    {"MSG_BTN_NO", &SP_MSG_BTN_NO},
    {"MSG_BTN_OK", &SP_MSG_BTN_OK},
    {"MSG_BTN_CANCEL", &SP_MSG_BTN_CANCEL},
    {"MSG_BTN_ABORT", &SP_MSG_BTN_ABORT},
    {"MSG_BTN_RETRY", &SP_MSG_BTN_RETRY},
    {"MSG_BTN_IGNORE", &SP_MSG_BTN_IGNORE},
    {"MSG_BTN_ALL", &SP_MSG_BTN_ALL},
    {"MSG_BTN_NOTOALL", &SP_MSG_BTN_NOTOALL},
    {"MSG_BTN_YESTOALL", &SP_MSG_BTN_YESTOALL},
    {"MSG_BTN_HELP", &SP_MSG_BTN_HELP},
    {"MSG_CAP_WARNING", &SP_MSG_CAP_WARNING},
    {"MSG_CAP_ERROR", &SP_MSG_CAP_ERROR},
    {"MSG_CAP_INFORMATION", &SP_MSG_CAP_INFORMATION},
    {"MSG_CAP_CONFIRM", &SP_MSG_CAP_CONFIRM},
    {"MSG_CAP_SHOWFLAG", &SP_MSG_CAP_SHOWFLAG},
};

}  // namespace

AnsiString GetBuiltInResStr(const AnsiString& Name) {
  for (const TBuiltIn& text : kBuiltIn)
    if (SameText(Name, text.Name)) return *text.Text;
  return AnsiString();
}
