#include "engine/api/ModuleObjects.h"

HRESULT CreateObjectFromModule(const std::string& modulePath, REFCLSID classId, IUnknown* outer,
                               DWORD context, REFIID interfaceId, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (HMODULE module = LoadLibraryA(modulePath.c_str())) {
    using GetClassObjectFunction = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    const auto getClassObject = reinterpret_cast<GetClassObjectFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    IClassFactory* factory = nullptr;
    if (getClassObject &&
        SUCCEEDED(getClassObject(classId, IID_IClassFactory, reinterpret_cast<void**>(&factory))) &&
        factory) {
      const HRESULT hr = factory->CreateInstance(outer, interfaceId, object);
      factory->Release();
      if (SUCCEEDED(hr) && *object) return hr;  // the module stays loaded
      *object = nullptr;
    }
    FreeLibrary(module);
  }
  return CoCreateInstance(classId, outer, context, interfaceId, object);
}
