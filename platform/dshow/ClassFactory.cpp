#include "platform/dshow/ClassFactory.h"

#include <string>
#include <vector>

std::atomic<LONG> CClassFactory::s_cLocked{0};

CClassFactory::CClassFactory(const CFactoryTemplate* tmpl)
    : CUnknown(L"CClassFactory", nullptr), m_pTemplate(tmpl) {}

STDMETHODIMP CClassFactory::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(riid, IID_IClassFactory))
    return GetInterface(static_cast<IClassFactory*>(this), ppv);
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

STDMETHODIMP CClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (outer && !IsEqualIID(riid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
  HRESULT hr = S_OK;
  CUnknown* obj = m_pTemplate->m_lpfnNew(outer, &hr);
  if (!obj) return FAILED(hr) ? hr : E_OUTOFMEMORY;
  // The temporary reference deletes a half-made object and keeps a good one alive
  // across the query.
  obj->NonDelegatingAddRef();
  if (SUCCEEDED(hr)) hr = obj->NonDelegatingQueryInterface(riid, ppv);
  obj->NonDelegatingRelease();
  return hr;
}

STDMETHODIMP CClassFactory::LockServer(BOOL lock) {
  if (lock)
    ++s_cLocked;
  else
    --s_cLocked;
  return S_OK;
}

HRESULT DllGetClassObjectFromTemplates(const CFactoryTemplate* templates, int count, REFCLSID clsid,
                                       REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) return E_NOINTERFACE;
  for (int i = 0; i < count; ++i) {
    if (!templates[i].IsClassID(clsid)) continue;
    auto* factory = new (std::nothrow) CClassFactory(&templates[i]);
    if (!factory) return E_OUTOFMEMORY;
    factory->NonDelegatingAddRef();
    HRESULT hr = factory->NonDelegatingQueryInterface(riid, ppv);
    factory->NonDelegatingRelease();
    return hr;
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT DllCanUnloadNowFromTemplates() {
  return (CUnknown::ObjectCount() == 0 && !CClassFactory::IsLocked()) ? S_OK : S_FALSE;
}

namespace {

std::wstring GuidText(REFGUID guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

HRESULT SetStringValue(HKEY key, const wchar_t* name, const wchar_t* value) {
  DWORD bytes = static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t));
  LONG err = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes);
  return HRESULT_FROM_WIN32(err);
}

// COM for the length of a registration call, when the caller has not started it.
class CComScope {
 public:
  CComScope() : m_hr(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~CComScope() {
    if (SUCCEEDED(m_hr)) CoUninitialize();
  }

 private:
  HRESULT m_hr;
};

}  // namespace

HRESULT RegisterComServer(REFCLSID clsid, const wchar_t* description, const wchar_t* modulePath,
                          const wchar_t* threadingModel) {
  if (!description || !modulePath || !threadingModel) return E_POINTER;
  std::wstring keyPath = L"CLSID\\" + GuidText(clsid);
  HKEY key = nullptr;
  LONG err = RegCreateKeyExW(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                             &key, nullptr);
  if (err != ERROR_SUCCESS) return HRESULT_FROM_WIN32(err);
  HRESULT hr = SetStringValue(key, nullptr, description);
  HKEY server = nullptr;
  if (SUCCEEDED(hr)) {
    err = RegCreateKeyExW(key, L"InprocServer32", 0, nullptr, 0, KEY_WRITE, nullptr, &server,
                          nullptr);
    hr = HRESULT_FROM_WIN32(err);
  }
  if (SUCCEEDED(hr)) hr = SetStringValue(server, nullptr, modulePath);
  if (SUCCEEDED(hr)) hr = SetStringValue(server, L"ThreadingModel", threadingModel);
  if (server) RegCloseKey(server);
  RegCloseKey(key);
  if (FAILED(hr)) UnregisterComServer(clsid);
  return hr;
}

HRESULT UnregisterComServer(REFCLSID clsid) {
  std::wstring keyPath = L"CLSID\\" + GuidText(clsid);
  LONG err = RegDeleteTreeW(HKEY_CLASSES_ROOT, keyPath.c_str());
  if (err == ERROR_FILE_NOT_FOUND) return S_FALSE;
  if (err == ERROR_SUCCESS) RegDeleteKeyW(HKEY_CLASSES_ROOT, keyPath.c_str());
  return HRESULT_FROM_WIN32(err);
}

HRESULT RegisterFilterInCategory(const AMOVIESETUP_FILTER& setup, const CLSID* category,
                                 const wchar_t* instanceName) {
  if (!setup.clsID || !setup.strName) return E_POINTER;
  CComScope com;
  IFilterMapper2* mapper = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IFilterMapper2, reinterpret_cast<void**>(&mapper));
  if (FAILED(hr)) return hr;
  REGFILTER2 rf2 = {};
  rf2.dwVersion = 1;
  rf2.dwMerit = setup.dwMerit;
  rf2.cPins = setup.nPins;
  rf2.rgPins = setup.lpPin;
  hr = mapper->RegisterFilter(*setup.clsID, setup.strName, nullptr, category, instanceName, &rf2);
  mapper->Release();
  return hr;
}

HRESULT UnregisterFilterFromCategory(REFCLSID clsid, const CLSID* category,
                                     const wchar_t* instanceName) {
  CComScope com;
  IFilterMapper2* mapper = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IFilterMapper2, reinterpret_cast<void**>(&mapper));
  if (FAILED(hr)) return hr;
  hr = mapper->UnregisterFilter(category, instanceName, clsid);
  mapper->Release();
  return hr;
}

HRESULT RegisterTemplates(const CFactoryTemplate* templates, int count, HMODULE module,
                          BOOL doRegister) {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return HRESULT_FROM_WIN32(GetLastError());
    if (n < path.size()) break;
    if (path.size() >= 32768) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    path.resize(path.size() * 2);
  }
  HRESULT result = S_OK;
  for (int i = 0; i < count; ++i) {
    const CFactoryTemplate& t = templates[i];
    HRESULT hr;
    if (doRegister) {
      hr = RegisterComServer(*t.m_ClsID, t.m_Name, path.data());
      if (SUCCEEDED(hr) && t.m_pAMovieSetup_Filter)
        hr = RegisterFilterInCategory(*t.m_pAMovieSetup_Filter, t.m_pCategory, t.m_InstanceName);
    } else {
      hr = S_OK;
      if (t.m_pAMovieSetup_Filter)
        hr = UnregisterFilterFromCategory(*t.m_ClsID, t.m_pCategory, t.m_InstanceName);
      HRESULT hrServer = UnregisterComServer(*t.m_ClsID);
      if (SUCCEEDED(hr)) hr = hrServer;
    }
    if (FAILED(hr) && SUCCEEDED(result)) result = hr;
  }
  return result;
}
