// The compositor's effect lists: module ids and property routing, adding, removing,
// selecting and listing effects, kinds, sorting by kind and reordering.
#include <algorithm>
#include <new>

#include "engine/api/EngineSink.h"
#include "engine/api/VDEngine.h"
#include "engine/base/TextUtils.h"
#include "engine/compositor/EffectCompositor.h"
#include "engine/effects/Effect.h"

namespace {

// Layout presets of the extra layers in the order they are made: the four quarters
// (bottom-right, bottom-left, top-left, top-right), then the centre.
constexpr int kLayerPresets[] = {4, 2, 1, 3, 5};
constexpr size_t kLayerPresetCount = sizeof(kLayerPresets) / sizeof(kLayerPresets[0]);

// Kind names compare without regard to case.
constexpr int kKindCompare = 0;

}  // namespace

void CEffectCompositor::PostEffectsChanged(BOOL selectionChanged) {
  if (m_sink) m_sink->PostHostMessage(WM_ENGINE_EVENT, 0, selectionChanged ? 1 : 0);
}

// ---------------------------------------------------------------------------------------
// Modules

CEffect* CEffectCompositor::AddLayer() {
  const size_t count = m_layers.size();
  EffectPtr layer(new (std::nothrow) CEffect());
  if (!layer) return nullptr;
  layer->SetHost(this);
  layer->SetFrameRect(FrameRect());
  layer->ApplyPreset(kLayerPresets[count % kLayerPresetCount]);
  layer->SetKeepAspect(TRUE);
  layer->SetId(MODULE_LAYER_BASE - static_cast<int32_t>(count));
  m_layers.push_back(std::move(layer));
  m_layers.back()->Start();
  return m_layers.back().get();
}

CEffect* CEffectCompositor::FindModule(int32_t moduleId) {
  if (moduleId == MODULE_MAIN_SOURCE) return m_mainSource.get();
  if (moduleId == MODULE_DRAWING_BOARD) return m_drawingBoard.get();
  if (moduleId <= MODULE_LAYER_BASE) {
    // In 64 bits: -16 - id does not fit 32 bits for the most negative ids.
    const int64_t n = int64_t{MODULE_LAYER_BASE} - moduleId;
    if (n >= kMaxLayers) return nullptr;
    while (static_cast<int64_t>(m_layers.size()) <= n) {
      if (!AddLayer()) return nullptr;
    }
    return m_layers[static_cast<size_t>(n)].get();
  }
  const int index = FindUserIndex(moduleId);
  return index < 0 ? nullptr : m_userEffects[static_cast<size_t>(index)].get();
}

int CEffectCompositor::FindUserIndex(int32_t effectId) const {
  for (size_t i = 0; i < m_userEffects.size(); ++i) {
    if (m_userEffects[i]->GetId() == effectId) return static_cast<int>(i);
  }
  return -1;
}

HRESULT CEffectCompositor::GetProperty(int32_t moduleId, int32_t propertyId, std::string& value) {
  CMutexLock lock(m_mutex, INFINITE);
  CEffect* effect = FindModule(moduleId);
  return effect ? effect->GetProperty(propertyId, value) : E_FAIL;
}

HRESULT CEffectCompositor::SetProperty(int32_t moduleId, int32_t propertyId,
                                       const std::string& value) {
  CMutexLock lock(m_mutex, INFINITE);
  CEffect* effect = FindModule(moduleId);
  return effect ? effect->SetProperty(propertyId, value) : E_FAIL;
}

HRESULT CEffectCompositor::OpenElementFile(int32_t moduleId, const std::string& path) {
  CMutexLock lock(m_mutex, INFINITE);
  CEffect* effect = FindModule(moduleId);
  if (!effect) return E_FAIL;
  const HRESULT hr = effect->OpenFile(path);
  if (FAILED(hr)) return hr;
  return effect->Start();
}

HRESULT CEffectCompositor::LoadElementSource(int32_t moduleId, const std::string& path) {
  CMutexLock lock(m_mutex, INFINITE);
  CEffect* effect = FindModule(moduleId);
  if (!effect) return E_FAIL;
  const HRESULT hr = effect->LoadElementFromFile(path);
  if (FAILED(hr)) return hr;
  return effect->Start();
}

HRESULT CEffectCompositor::DrawElementFrame(int32_t moduleId, HDC dc, int x, int y, int cx,
                                            int cy) {
  CMutexLock lock(m_mutex, INFINITE);
  CEffect* effect = FindModule(moduleId);
  return effect ? effect->PaintPreview(dc, x, y, cx, cy) : E_FAIL;
}

// ---------------------------------------------------------------------------------------
// Adding and saving

HRESULT CEffectCompositor::AddEffect(const char* path, const char* kind, const char* category,
                                     const char* name) {
  if (!path) return E_INVALIDARG;
  // Opening a media file may take a while: the new effect is nobody else's yet, so this
  // happens without the lock.
  EffectPtr effect(new (std::nothrow) CEffect());
  if (!effect) return E_OUTOFMEMORY;
  effect->SetHost(this);
  HRESULT hr = effect->OpenFile(path);
  if (FAILED(hr)) return hr;
  if (kind) effect->SetKind(kind);
  if (category) effect->SetCategory(category);
  if (name) effect->SetName(name);

  {
    CMutexLock lock(m_mutex, INFINITE);
    m_changed = FALSE;
    MoveFinished();
  }
  {
    CMutexLock lock(m_mutex, INFINITE);
    for (size_t i = 0; i < m_userEffects.size(); ++i) {
      if (EqualsNoCase(m_userEffects[i]->GetFilePath(), effect->GetFilePath())) {
        TakeUserEffect(i);
        break;
      }
    }
  }
  if (!GetKindMultiple(effect->GetKind())) {
    CMutexLock lock(m_mutex, INFINITE);
    for (size_t i = m_userEffects.size(); i-- > 0;) {
      if (EqualsNoCase(m_userEffects[i]->GetKind(), effect->GetKind())) TakeUserEffect(i);
    }
  }
  {
    CMutexLock lock(m_mutex, INFINITE);
    effect->SetFrameRect(FrameRect());
    hr = effect->Start();
    if (SUCCEEDED(hr) && m_idCounter == INT32_MAX) hr = E_FAIL;  // ids are never reused
    if (SUCCEEDED(hr)) {
      effect->SetHost(this);
      effect->SetIdAndPlace(++m_idCounter);
      m_selected = effect.get();
      m_changed = TRUE;
      m_userEffects.push_back(std::move(effect));
      if (m_sortByKind) SortByKind();
    }
    PostEffectsChanged(m_changed);
  }
  return FAILED(hr) ? hr : S_OK;
}

HRESULT CEffectCompositor::SaveEffect(int32_t moduleId, const char* kind, const char* category,
                                      const char* name, const char* path) {
  if (!path) return E_INVALIDARG;
  CreateFolderForFile(path);
  CMutexLock lock(m_mutex, INFINITE);
  CEffect* effect = FindModule(moduleId);
  if (!effect) return E_FAIL;
  if (name) effect->SetName(name);
  if (category) effect->SetCategory(category);
  if (kind) effect->SetKind(kind);
  const HRESULT hr = effect->SaveToFile(path);
  if (SUCCEEDED(hr)) PostEffectsChanged(FALSE);
  return hr;
}

// ---------------------------------------------------------------------------------------
// Removing

CEffectCompositor::EffectPtr CEffectCompositor::TakeUserEffect(size_t index) {
  CEffect* effect = m_userEffects[index].get();
  if (m_selected == effect) {
    if (index >= 1) {
      m_selected = m_userEffects[index - 1].get();
    } else if (index + 1 < m_userEffects.size()) {
      m_selected = m_userEffects[index + 1].get();
    } else {
      m_selected = nullptr;
    }
    m_changed = TRUE;
  }
  EffectPtr taken = std::move(m_userEffects[index]);
  m_userEffects.erase(m_userEffects.begin() + static_cast<ptrdiff_t>(index));
  return taken;
}

HRESULT CEffectCompositor::RemoveEffect(int32_t effectId) {
  CMutexLock lock(m_mutex, INFINITE);
  const int index = FindUserIndex(effectId);
  if (index < 0) return E_FAIL;
  TakeUserEffect(static_cast<size_t>(index));
  PostEffectsChanged(FALSE);
  return S_OK;
}

HRESULT CEffectCompositor::ClearEffects() {
  CMutexLock lock(m_mutex, INFINITE);
  m_userEffects.clear();
  m_selected = nullptr;
  m_changed = TRUE;
  PostEffectsChanged(TRUE);
  return S_OK;
}

HRESULT CEffectCompositor::RemoveEffectsOfKind(const std::string& kind) {
  CMutexLock lock(m_mutex, INFINITE);
  m_changed = FALSE;
  for (size_t i = m_userEffects.size(); i-- > 0;) {
    if (EqualsNoCase(m_userEffects[i]->GetKind(), kind)) TakeUserEffect(i);
  }
  PostEffectsChanged(m_changed);
  return S_FALSE;
}

HRESULT CEffectCompositor::RemoveEffectByPath(const std::string& path) {
  CMutexLock lock(m_mutex, INFINITE);
  m_changed = FALSE;
  HRESULT result = S_FALSE;
  for (size_t i = 0; i < m_userEffects.size(); ++i) {
    if (EqualsNoCase(m_userEffects[i]->GetFilePath(), path)) {
      TakeUserEffect(i);
      result = S_OK;
      break;
    }
  }
  PostEffectsChanged(m_changed);
  return result;
}

HRESULT CEffectCompositor::RemoveBackgroundEffects() {
  CMutexLock lock(m_mutex, INFINITE);
  m_changed = FALSE;
  for (size_t i = m_userEffects.size(); i-- > 0;) {
    if (m_userEffects[i]->IsBackground()) TakeUserEffect(i);
  }
  PostEffectsChanged(m_changed);
  return S_FALSE;
}

// ---------------------------------------------------------------------------------------
// Selection and listing

HRESULT CEffectCompositor::SelectEffect(int32_t effectId) {
  CMutexLock lock(m_mutex, INFINITE);
  const int index = FindUserIndex(effectId);
  if (index < 0) return E_FAIL;
  m_selected = m_userEffects[static_cast<size_t>(index)].get();
  m_changed = TRUE;
  PostEffectsChanged(FALSE);
  return S_OK;
}

int32_t CEffectCompositor::GetSelectedEffect() {
  CMutexLock lock(m_mutex, INFINITE);
  for (const EffectPtr& effect : m_userEffects) {
    if (effect.get() == m_selected) return effect->GetId();
  }
  return 0;
}

void CEffectCompositor::GetEffectList(std::vector<std::string>& texts, int* selectedIndex) {
  CMutexLock lock(m_mutex, INFINITE);
  int selected = -1;
  for (size_t i = 0; i < m_userEffects.size(); ++i) {
    CEffect& effect = *m_userEffects[i];
    texts.push_back(effect.GetFilePath());
    texts.push_back(effect.GetName());
    texts.push_back(effect.GetCategory());
    texts.push_back(effect.GetKind());
    texts.push_back(IntToText(effect.GetId()));
    texts.push_back(BoolToText(effect.IsOnTop()));
    if (&effect == m_selected) selected = static_cast<int>(i);
  }
  if (selectedIndex) *selectedIndex = selected;
}

HRESULT CEffectCompositor::SetEffectOnTop(int32_t effectId, BOOL onTop) {
  CMutexLock lock(m_mutex, INFINITE);
  const int index = FindUserIndex(effectId);
  if (index < 0) return E_FAIL;
  m_userEffects[static_cast<size_t>(index)]->SetOnTop(onTop);
  PostEffectsChanged(FALSE);
  return S_OK;
}

// ---------------------------------------------------------------------------------------
// Kinds and order

HRESULT CEffectCompositor::SetKindMultiple(const std::string& kind, BOOL multiple) {
  CMutexLock lock(m_mutex, INFINITE);
  const uint8_t flag = multiple ? 1 : 0;
  const int index = m_kindNames.Find(kind, kKindCompare);
  if (index < 0) {
    m_kindNames.Add(kind);
    m_kindMultiple.push_back(flag);
  } else {
    m_kindMultiple[static_cast<size_t>(index)] = flag;
  }
  return S_OK;
}

BOOL CEffectCompositor::GetKindMultiple(const std::string& kind) {
  CMutexLock lock(m_mutex, INFINITE);
  const int index = m_kindNames.Find(kind, kKindCompare);
  return index < 0 ? FALSE : m_kindMultiple[static_cast<size_t>(index)];
}

HRESULT CEffectCompositor::SetKindOrder(const std::vector<std::string>& kinds) {
  CMutexLock lock(m_mutex, INFINITE);
  m_kindOrder.RemoveAll();
  for (const std::string& kind : kinds) m_kindOrder.Add(kind);
  return S_OK;
}

HRESULT CEffectCompositor::SetSortByKind(BOOL sort) {
  CMutexLock lock(m_mutex, INFINITE);
  m_sortByKind = sort ? TRUE : FALSE;
  if (m_sortByKind) {
    SortByKind();
    PostEffectsChanged(m_changed);
  }
  return S_OK;
}

int CEffectCompositor::KindRank(const std::string& kind) const {
  return m_kindOrder.Find(kind, kKindCompare);
}

void CEffectCompositor::SortByKind() {
  std::vector<EffectPtr> sorted;
  sorted.reserve(m_userEffects.size());
  for (EffectPtr& effect : m_userEffects) {
    const int rank = KindRank(effect->GetKind());
    auto position = sorted.end();
    if (rank >= 0) {
      for (auto it = sorted.begin(); it != sorted.end(); ++it) {
        const int other = KindRank((*it)->GetKind());
        if (other < 0) break;  // behind an effect without rank: at the end
        if (other > rank) {
          position = it;
          break;
        }
      }
    }
    sorted.insert(position, std::move(effect));
  }
  m_userEffects = std::move(sorted);
}

HRESULT CEffectCompositor::Reorder(const std::string& moves) {
  CMutexLock lock(m_mutex, INFINITE);
  m_sortByKind = FALSE;
  CSortedStringArray items;
  items.Split(moves, '|', '"', false);
  if (items.GetCount() > 0) {
    const int delta = ParseInt(items[0], 0);
    if (delta == 0) return S_OK;
    std::vector<int> indexes;
    const int count = static_cast<int>(m_userEffects.size());
    for (int i = 1; i < items.GetCount(); ++i) {
      const int index = ParseInt(items[i], -1);
      if (index >= 0 && index < count) indexes.push_back(index);
    }
    // Upwards the first index moves first, downwards the last.
    std::sort(indexes.begin(), indexes.end());
    if (delta > 0) std::reverse(indexes.begin(), indexes.end());
    for (const int index : indexes) {
      EffectPtr effect = std::move(m_userEffects[static_cast<size_t>(index)]);
      m_userEffects.erase(m_userEffects.begin() + index);
      // Above the first place is the first place.
      const int64_t target = std::max<int64_t>(0, int64_t{index} + delta);
      if (target < static_cast<int64_t>(m_userEffects.size())) {
        m_userEffects.insert(m_userEffects.begin() + static_cast<ptrdiff_t>(target),
                             std::move(effect));
      } else {
        m_userEffects.push_back(std::move(effect));
      }
    }
  }
  PostEffectsChanged(FALSE);
  return S_OK;
}
