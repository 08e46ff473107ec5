// Module-wide COM service of the engine.
#pragma once

#include <objbase.h>
#include <windows.h>

#include <string>

// Creates an object of a COM class from a module file without registration: the module's
// DllGetClassObject gives the class factory, which makes the object. When the module cannot
// be loaded or either step fails, the module is freed again and the object is made with
// CoCreateInstance instead; its result is returned. A module that served stays loaded.
HRESULT CreateObjectFromModule(const std::string& modulePath, REFCLSID classId, IUnknown* outer,
                               DWORD context, REFIID interfaceId, void** object);
