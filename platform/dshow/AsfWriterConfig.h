// IConfigAsfWriter, the configuration interface of the Windows Media ASF writer filter,
// which the cross compiler's headers do not declare. Methods in their documented order.
#pragma once

#include <objbase.h>
#include <windows.h>

struct IWMProfile;

// {45086030-F7E4-486A-B504-826BB5792A3B}
static const IID IID_IConfigAsfWriter = {
    0x45086030, 0xf7e4, 0x486a, {0xb5, 0x04, 0x82, 0x6b, 0xb5, 0x79, 0x2a, 0x3b}};

struct IConfigAsfWriter : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE ConfigureFilterUsingProfileId(DWORD profileId) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCurrentProfileId(DWORD* profileId) = 0;
  virtual HRESULT STDMETHODCALLTYPE ConfigureFilterUsingProfileGuid(REFGUID profile) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCurrentProfileGuid(GUID* profile) = 0;
  virtual HRESULT STDMETHODCALLTYPE ConfigureFilterUsingProfile(IWMProfile* profile) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCurrentProfile(IWMProfile** profile) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetIndexMode(BOOL indexFile) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetIndexMode(BOOL* indexFile) = 0;
};
