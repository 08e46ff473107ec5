// The Flash Player ActiveX control as its host sees it: the class, the interfaces, the
// events and the names of the members the host uses. The host reaches the control's
// members by name through IDispatch (the control's interface is a dual one), so it needs
// no declaration of the control's own interface.
#pragma once

#include <objbase.h>
#include <windows.h>

// {D27CDB6E-AE6D-11CF-96B8-444553540000}
static const CLSID CLSID_ShockwaveFlash = {
    0xd27cdb6e, 0xae6d, 0x11cf, {0x96, 0xb8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// {D27CDB6C-AE6D-11CF-96B8-444553540000}
static const IID IID_IShockwaveFlash = {
    0xd27cdb6c, 0xae6d, 0x11cf, {0x96, 0xb8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// {D27CDB6D-AE6D-11CF-96B8-444553540000}: the control's event interface.
static const IID DIID__IShockwaveFlashEvents = {
    0xd27cdb6d, 0xae6d, 0x11cf, {0x96, 0xb8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

// Dispatch ids of the events.
constexpr DISPID DISPID_FLASH_FSCOMMAND = 150;         // (BSTR command, BSTR arguments)
constexpr DISPID DISPID_FLASH_FLASHCALL = 197;         // (BSTR request)
constexpr DISPID DISPID_FLASH_ONPROGRESS = 1958;       // (long percent)
constexpr DISPID DISPID_FLASH_READYSTATECHANGE = -609;  // (long state)

// Members the host uses, by name.
#define FLASH_MEMBER_WMODE L"WMode"                    // property, BSTR
#define FLASH_MEMBER_MOVIE L"Movie"                    // property, BSTR
#define FLASH_MEMBER_TOTAL_FRAMES L"TotalFrames"       // property, long (read)
#define FLASH_MEMBER_LOOP L"Loop"                      // property, VARIANT_BOOL
#define FLASH_MEMBER_SET_RETURN_VALUE L"SetReturnValue"  // method (BSTR)
