// What the parts of the control layer share among themselves and with the forms unit.
#pragma once

#include <algorithm>
#include <vector>

#include "framework/Controls.h"

// The anchors an alignment implies.
TAnchors AnchorsOfAlign(TAlign Align);
// The windowless control holding the mouse through its parent's window, or nullptr.
TControl* CurrentCaptureControl();
// Runs one message through Method, the way every native window procedure of the framework
// hands its messages over: Method is copied first (the message may replace or free it),
// and an exception stops here, reported by the application with Sender as its source.
void DeliverMessage(const TWndMethod& Method, TMessage& Message, TObject* Sender);
// The message record of a native window procedure's arguments.
inline TMessage MessageOf(UINT Msg, WPARAM WParam, LPARAM LParam) {
  TMessage message;
  message.Msg = Msg;
  message.WParam = WParam;
  message.LParam = LParam;
  return message;
}
// Ties a window to its control (FindControl finds the control then), and unties it.
void AttachWindow(HWND Wnd, TWinControl* Control);
void DetachWindow(HWND Wnd);
// The control whose window is being made on this thread: the first message of a window
// without a control ties the window to it.
TWinControl*& CreationControl();
// Whether the innermost native message Control is handling came to a window of the
// control's that has been destroyed since (Current being its window now).
bool IsMessageOfFormerWindow(TWinControl* Control, HWND Current);
// Takes every occurrence of Item out of List.
template <class T>
void RemoveFrom(std::vector<T*>& List, T* Item) {
  List.erase(std::remove(List.begin(), List.end(), Item), List.end());
}
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
