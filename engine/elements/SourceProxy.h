// The stable handle through which an effect (and a playlist, for its current item) reaches
// a frame element whose kind can change at run time. The proxy owns at most one element,
// forwards every operation to it and answers fixed defaults without one. It keeps the
// element's type code as its own property (PROP_SOURCE_TYPE) and makes elements by type
// code, by path and from a package, mapping the kind codes of older effect files.
//
// The proxy lives inside its owner; Release only drops the element.
#pragma once

#include <cstdint>
#include <string>

#include "engine/elements/FrameElement.h"

class CSourceProxy : public IFrameElement {
 public:
  explicit CSourceProxy(CEffect* owner = nullptr);
  ~CSourceProxy() override;
  CSourceProxy(const CSourceProxy&) = delete;
  CSourceProxy& operator=(const CSourceProxy&) = delete;

  // Replaces the element by a new one of type `code` with the proxy's owner. A code
  // outside 1..20, or one whose element this build does not make, leaves the proxy without
  // element and returns E_FAIL; the type code keeps the value given.
  HRESULT CreateElement(int32_t code);
  // Drops the element; type code 0.
  void Close();
  // Makes the element the path asks for ("@cam:", "@screen:", "@color:" prefixes, then the
  // file extension) and opens the whole path with it.
  HRESULT OpenPath(const std::string& path);

  int32_t GetTypeCode() const { return m_typeCode; }
  IFrameElement* GetElement() const { return m_element; }

  HRESULT GetProperty(int32_t id, std::string& value) override;
  HRESULT SetProperty(int32_t id, const std::string& value) override;
  HRESULT NotifyChange(int32_t id) override;
  void Release() override;
  HRESULT SetOwner(CEffect* owner) override;
  HRESULT Load(CPackageFile* package) override;
  HRESULT Open(const std::string& path) override;
  HRESULT Save(CPackageFile* package) override;
  HRESULT LockFrame(CFrameContext* context, CFrameLock* lock) override;
  HRESULT UnlockFrame() override;
  HRESULT Render(CFrameContext* context, const RECT& destination) override;
  BOOL IsFilter() override;
  HRESULT GetSize(int32_t* width, int32_t* height) override;
  HRESULT OnIdle() override;
  HRESULT GetTime(int32_t* position, int32_t* duration) override;
  HRESULT SetPosition(int32_t milliseconds) override;
  HRESULT SetVolume(int32_t volume) override;
  HRESULT Play() override;
  HRESULT Pause() override;
  HRESULT Stop() override;
  int32_t GetState() override;
  HRESULT SetFlags(int32_t flags) override;
  int32_t GetFlags() override;
  BOOL IsFinished() override;
  HRESULT SetDuration(int32_t milliseconds) override;
  HRESULT SetMute(BOOL mute) override;
  BOOL GetMute() override;
  HRESULT MouseInput(UINT message, int32_t x, int32_t y) override;
  HRESULT SetFrameSize(int32_t width, int32_t height) override;
  std::string GetSourcePath() override;
  HRESULT AnnounceProperties() override;

 private:
  void ReleaseElement();

  CEffect* m_owner = nullptr;
  IFrameElement* m_element = nullptr;
  int32_t m_typeCode = 0;
};
