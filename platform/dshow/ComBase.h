// COM plumbing shared by every DirectShow object of the project: critical sections, the
// reference-counted unknown with aggregation support, and the live-object count that
// filter DLLs report from DllCanUnloadNow.
#pragma once

#include <dshow.h>
#include <windows.h>

#include <atomic>
#include <memory>

// A critical section with RAII locking. Not copyable; recursive like every Win32 one.
class CCritSec {
 public:
  CCritSec() { InitializeCriticalSection(&m_cs); }
  ~CCritSec() { DeleteCriticalSection(&m_cs); }
  CCritSec(const CCritSec&) = delete;
  CCritSec& operator=(const CCritSec&) = delete;
  void Lock() { EnterCriticalSection(&m_cs); }
  void Unlock() { LeaveCriticalSection(&m_cs); }

 private:
  CRITICAL_SECTION m_cs;
};

class CAutoLock {
 public:
  explicit CAutoLock(CCritSec* lock) : m_pLock(lock) { m_pLock->Lock(); }
  ~CAutoLock() { m_pLock->Unlock(); }
  CAutoLock(const CAutoLock&) = delete;
  CAutoLock& operator=(const CAutoLock&) = delete;

 private:
  CCritSec* m_pLock;
};

// The unknown of an object that can be aggregated: an outer object holds the object's
// inner (non-delegating) unknown, and the object's own IUnknown methods delegate to the
// outer unknown.
struct INonDelegatingUnknown {
  virtual HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) = 0;
  virtual ULONG STDMETHODCALLTYPE NonDelegatingAddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE NonDelegatingRelease() = 0;
};

// Base of every COM object here. Thread-safe reference count; the object deletes itself
// when the count reaches zero. With an outer unknown the object's IUnknown methods
// (DECLARE_IUNKNOWN) go to the outer object, otherwise to its own non-delegating ones.
//
// The inner unknown handed out is a small member object that really is an IUnknown and
// forwards to the NonDelegating methods. (Casting the INonDelegatingUnknown base to
// IUnknown, a common shortcut, lets the optimiser see a call through a type the object
// does not have: GCC then drops the call as unreachable.)
class CUnknown : public INonDelegatingUnknown {
 public:
  CUnknown(const wchar_t* name, IUnknown* outer);
  virtual ~CUnknown();
  CUnknown(const CUnknown&) = delete;
  CUnknown& operator=(const CUnknown&) = delete;

  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE NonDelegatingAddRef() override;
  ULONG STDMETHODCALLTYPE NonDelegatingRelease() override;

  // The unknown the object's IUnknown methods delegate to.
  IUnknown* GetOwner() const { return m_pOwner; }
  // The object's own (non-delegating) unknown, for an aggregating outer object.
  IUnknown* GetInner() { return &m_Inner; }
  const wchar_t* Name() const { return m_pName; }

  // Objects alive in this module (every CUnknown counts), for DllCanUnloadNow.
  static LONG ObjectCount() { return s_cObjects.load(); }

 protected:
  std::atomic<LONG> m_cRef{0};

 private:
  class CInner : public IUnknown {
   public:
    explicit CInner(CUnknown* self) : m_pSelf(self) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
      return m_pSelf->NonDelegatingQueryInterface(riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return m_pSelf->NonDelegatingAddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return m_pSelf->NonDelegatingRelease(); }

   private:
    CUnknown* m_pSelf;
  };

  const wchar_t* m_pName;
  CInner m_Inner{this};
  IUnknown* m_pOwner;
  static std::atomic<LONG> s_cObjects;
};

// Hands out an interface pointer with a reference added.
HRESULT GetInterface(IUnknown* unk, void** ppv);

// The three IUnknown methods of a class derived from CUnknown, delegating to the owner.
#define DECLARE_IUNKNOWN                                                  \
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {         \
    return GetOwner()->QueryInterface(riid, ppv);                         \
  }                                                                       \
  STDMETHODIMP_(ULONG) AddRef() override { return GetOwner()->AddRef(); } \
  STDMETHODIMP_(ULONG) Release() override { return GetOwner()->Release(); }

// A small owning COM pointer for the library's own members and the tests.
template <class T>
class CComPtr {
 public:
  CComPtr() = default;
  CComPtr(T* p) : m_p(p) {  // NOLINT: implicit on purpose, adds a reference
    if (m_p) m_p->AddRef();
  }
  CComPtr(const CComPtr& o) : CComPtr(o.m_p) {}
  CComPtr(CComPtr&& o) noexcept : m_p(o.m_p) { o.m_p = nullptr; }
  ~CComPtr() { Reset(); }
  CComPtr& operator=(T* p) {
    if (p) p->AddRef();
    Reset();
    m_p = p;
    return *this;
  }
  CComPtr& operator=(const CComPtr& o) { return *this = o.m_p; }
  CComPtr& operator=(CComPtr&& o) noexcept {
    if (this != std::addressof(o)) {
      Reset();
      m_p = o.m_p;
      o.m_p = nullptr;
    }
    return *this;
  }
  void Reset() {
    if (m_p) {
      T* p = m_p;
      m_p = nullptr;
      p->Release();
    }
  }
  // Takes over a pointer that already carries a reference.
  void Attach(T* p) {
    Reset();
    m_p = p;
  }
  T* Detach() {
    T* p = m_p;
    m_p = nullptr;
    return p;
  }
  T** operator&() {  // for out-parameters; the pointer must be empty
    Reset();
    return &m_p;
  }
  T* operator->() const { return m_p; }
  T* Get() const { return m_p; }
  operator T*() const { return m_p; }
  // Queries into an out-pointer (for a CComPtr: &ptr, which empties it first).
  template <class Q>
  HRESULT QueryInterface(REFIID riid, Q** out) const {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!m_p) return E_POINTER;
    return m_p->QueryInterface(riid, reinterpret_cast<void**>(out));
  }

 private:
  T* m_p = nullptr;
};
