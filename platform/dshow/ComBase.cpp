#include "platform/dshow/ComBase.h"

std::atomic<LONG> CUnknown::s_cObjects{0};

CUnknown::CUnknown(const wchar_t* name, IUnknown* outer)
    : m_pName(name), m_pOwner(outer ? outer : GetInner()) {
  ++s_cObjects;
}

CUnknown::~CUnknown() { --s_cObjects; }

HRESULT STDMETHODCALLTYPE CUnknown::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  // IUnknown always yields the non-delegating unknown: that is the object's identity
  // when it stands alone, and what an aggregating outer object holds.
  if (IsEqualIID(riid, IID_IUnknown)) return GetInterface(GetInner(), ppv);
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CUnknown::NonDelegatingAddRef() { return ++m_cRef; }

ULONG STDMETHODCALLTYPE CUnknown::NonDelegatingRelease() {
  LONG count = --m_cRef;
  if (count == 0) {
    // Guards against the destructor releasing an interface that points back here
    // (aggregated helpers do) and deleting the object a second time.
    m_cRef = 1;
    delete this;
    return 0;
  }
  return static_cast<ULONG>(count);
}

HRESULT GetInterface(IUnknown* unk, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = unk;
  unk->AddRef();
  return S_OK;
}
