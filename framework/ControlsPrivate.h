// What the parts of the control layer share among themselves and with the forms unit.
#pragma once

#include "framework/Controls.h"

// The anchors an alignment implies.
TAnchors AnchorsOfAlign(TAlign Align);
// The windowless control holding the mouse through its parent's window, or nullptr.
TControl* CurrentCaptureControl();
// The window procedure every framework window class is registered with.
LRESULT CALLBACK InitWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
// The module the framework's window classes belong to.
HINSTANCE FrameworkInstance();
// Drag and drop: started by BeginDrag, driven by a capture window.
void DragInitControl(TControl* Control, bool Immediate, int Threshold);
void DragDone(bool Drop);
TControl* DragControl();
// A control going away is no drag source or target any more.
void DragControlDestroyed(TControl* Control);
