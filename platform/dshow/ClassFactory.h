// Class factories and self-registration for filter DLLs.
//
// A filter DLL lists its classes in a table of CFactoryTemplate and exports four
// functions that hand the table to the helpers below:
//
//   STDAPI DllGetClassObject(REFCLSID c, REFIID i, void** p) {
//     return DllGetClassObjectFromTemplates(g_Templates, g_cTemplates, c, i, p); }
//   STDAPI DllCanUnloadNow() { return DllCanUnloadNowFromTemplates(); }
//   STDAPI DllRegisterServer() { return RegisterTemplates(g_Templates, g_cTemplates,
//                                                         g_hModule, TRUE); }
//   STDAPI DllUnregisterServer() { ... FALSE); }
#pragma once

#include "platform/dshow/ComBase.h"

// Filter description for the filter mapper, in the documented DirectShow layout.
typedef REGPINTYPES AMOVIESETUP_MEDIATYPE;
typedef REGFILTERPINS AMOVIESETUP_PIN;
struct AMOVIESETUP_FILTER {
  const CLSID* clsID;
  const WCHAR* strName;
  DWORD dwMerit;
  UINT nPins;
  const AMOVIESETUP_PIN* lpPin;
};

typedef CUnknown* (*LPFNNewCOMObject)(IUnknown* outer, HRESULT* phr);

struct CFactoryTemplate {
  const WCHAR* m_Name;  // registered description and filter name
  const CLSID* m_ClsID;
  LPFNNewCOMObject m_lpfnNew;
  // Optional: registers the class as a filter through the filter mapper.
  const AMOVIESETUP_FILTER* m_pAMovieSetup_Filter;
  // Category for the filter (null: the DirectShow filters category) and the instance
  // name of its entry there (null: the class id as text).
  const CLSID* m_pCategory;
  const WCHAR* m_InstanceName;

  bool IsClassID(REFCLSID clsid) const { return IsEqualCLSID(*m_ClsID, clsid) != 0; }
};

class CClassFactory : public CUnknown, public IClassFactory {
 public:
  explicit CClassFactory(const CFactoryTemplate* tmpl);
  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  // Aggregation is allowed only when the outer object asks for IUnknown.
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
  STDMETHODIMP LockServer(BOOL lock) override;

  static bool IsLocked() { return s_cLocked.load() > 0; }

 private:
  const CFactoryTemplate* m_pTemplate;
  static std::atomic<LONG> s_cLocked;
};

HRESULT DllGetClassObjectFromTemplates(const CFactoryTemplate* templates, int count, REFCLSID clsid,
                                       REFIID riid, void** ppv);
// S_OK when no object of this module is alive and no client locked the server.
HRESULT DllCanUnloadNowFromTemplates();

// HKCR\CLSID\{clsid} with the description, InprocServer32 = module path and the
// threading model.
HRESULT RegisterComServer(REFCLSID clsid, const wchar_t* description, const wchar_t* modulePath,
                          const wchar_t* threadingModel = L"Both");
HRESULT UnregisterComServer(REFCLSID clsid);

// Registers a filter in a category through IFilterMapper2 (category null: DirectShow
// filters; instance name null: the class id), so that the system device enumerator
// lists it with the filter's name as "FriendlyName".
HRESULT RegisterFilterInCategory(const AMOVIESETUP_FILTER& setup, const CLSID* category,
                                 const wchar_t* instanceName);
HRESULT UnregisterFilterFromCategory(REFCLSID clsid, const CLSID* category,
                                     const wchar_t* instanceName);

// Registers (or unregisters) every class of the table: the COM server entry for the
// module, and the filter entry when the template has a filter description.
HRESULT RegisterTemplates(const CFactoryTemplate* templates, int count, HMODULE module,
                          BOOL doRegister);
