// Helpers of the tests that play Flash movies with the stand-in control: putting the
// stand-in where the engine looks for the control's file, registering it as the control's
// class, movies in the temporary folder, and the stand-in's members.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/engine/SwfTestFiles.h"

namespace flash_test {

// The control's file below a program folder (with its trailing "\").
std::string ControlFile(const std::string& programFolder);
// Copies the stand-in (FlashStandIn.dll beside the program) to the control's file; false
// when it cannot.
bool InstallStandInFile(const std::string& programFolder);
// Removes the control's file (a module still loaded from it may keep it).
void RemoveStandInFile(const std::string& programFolder);
// Registers or unregisters the stand-in as the control's class.
HRESULT RegisterStandIn(const std::string& programFolder, bool doRegister);

// A movie file in the temporary folder; its path.
std::string WriteMovie(const std::string& name, const swf_test::SwfLayout& layout);
std::string TempPath(const std::string& name);
std::vector<uint8_t> FileBytes(const std::string& path);

// A member of the stand-in, read by name; VT_EMPTY when it cannot be read.
VARIANT ReadMember(IDispatch* control, const wchar_t* name);
long ReadLongMember(IDispatch* control, const wchar_t* name);
std::wstring ReadTextMember(IDispatch* control, const wchar_t* name);

// Dispatches the thread's window messages for `milliseconds`.
void PumpMessages(DWORD milliseconds);

}  // namespace flash_test
