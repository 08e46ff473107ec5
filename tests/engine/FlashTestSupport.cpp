#include "tests/engine/FlashTestSupport.h"

#include <oleauto.h>

#include <cstdio>

namespace flash_test {

std::string ControlFile(const std::string& programFolder) {
  return programFolder + "3rd\\Flash9.ocx";
}

bool InstallStandInFile(const std::string& programFolder) {
  CreateDirectoryA((programFolder + "3rd").c_str(), nullptr);
  const std::string standIn = programFolder + "FlashStandIn.dll";
  const std::string control = ControlFile(programFolder);
  if (CopyFileA(standIn.c_str(), control.c_str(), FALSE)) return true;
  // A module loaded from the file keeps it; the same stand-in there serves as well.
  const std::vector<uint8_t> bytes = FileBytes(control);
  return !bytes.empty() && bytes == FileBytes(standIn);
}

void RemoveStandInFile(const std::string& programFolder) {
  DeleteFileA(ControlFile(programFolder).c_str());
}

HRESULT RegisterStandIn(const std::string& programFolder, bool doRegister) {
  HMODULE module = LoadLibraryA((programFolder + "FlashStandIn.dll").c_str());
  if (!module) return HRESULT_FROM_WIN32(GetLastError());
  using Function = HRESULT(STDAPICALLTYPE*)();
  const auto function = reinterpret_cast<Function>(reinterpret_cast<void*>(
      GetProcAddress(module, doRegister ? "DllRegisterServer" : "DllUnregisterServer")));
  const HRESULT hr = function ? function() : E_FAIL;
  FreeLibrary(module);
  return hr;
}

std::string TempPath(const std::string& name) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  return std::string(temp) + "flash " + std::to_string(GetCurrentProcessId()) + " " + name;
}

std::string WriteMovie(const std::string& name, const swf_test::SwfLayout& layout) {
  const std::string path = TempPath(name);
  return swf_test::WriteBytes(path, swf_test::BuildSwf(layout)) ? path : std::string();
}

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (FILE* in = std::fopen(path.c_str(), "rb")) {
    uint8_t buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), in)) > 0)
      bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(in);
  }
  return bytes;
}

VARIANT ReadMember(IDispatch* control, const wchar_t* name) {
  VARIANT result;
  VariantInit(&result);
  if (!control) return result;
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  if (FAILED(control->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return result;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  if (FAILED(control->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                             &result, nullptr, nullptr)))
    VariantInit(&result);
  return result;
}

long ReadLongMember(IDispatch* control, const wchar_t* name) {
  VARIANT value = ReadMember(control, name);
  long result = -1;
  if (SUCCEEDED(VariantChangeType(&value, &value, 0, VT_I4))) result = value.lVal;
  VariantClear(&value);
  return result;
}

std::wstring ReadTextMember(IDispatch* control, const wchar_t* name) {
  VARIANT value = ReadMember(control, name);
  std::wstring text;
  if (value.vt == VT_BSTR && value.bstrVal) text = value.bstrVal;
  VariantClear(&value);
  return text;
}

void PumpMessages(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(2);
  } while (GetTickCount() - start < milliseconds);
}

}  // namespace flash_test
