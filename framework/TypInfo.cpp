#include "framework/TypInfo.h"

#include <map>
#include <memory>
#include <mutex>
#include <typeindex>

const TPropInfo* TPropList::Find(const AnsiString& Name) const {
  for (const TPropInfo& info : FProps)
    if (SameText(info.Name, Name)) return &info;
  return nullptr;
}

void TPropList::ThrowWrongClass(TPersistent* instance) {
  throw EPropertyError("The property does not belong to a %s",
                       {instance ? instance->ClassName() : AnsiString("nil")});
}

void TPropList::ThrowOutOfRange(int64_t value, const char* typeName) {
  throw EPropertyError("%s is not a valid %s value", {IntToStr(value), AnsiString(typeName)});
}

void TPropList::Add(TPropInfo&& info) {
  for (TPropInfo& existing : FProps) {
    if (SameText(existing.Name, info.Name)) {
      existing = std::move(info);
      return;
    }
  }
  FProps.push_back(std::move(info));
}

const TPropList& GetPropList(const TPersistent* Instance) {
  static std::mutex mutex;
  static std::map<std::type_index, std::unique_ptr<TPropList>> lists;
  static const TPropList empty;
  if (!Instance) return empty;
  std::lock_guard<std::mutex> lock(mutex);
  std::unique_ptr<TPropList>& list = lists[std::type_index(typeid(*Instance))];
  if (!list) {
    auto built = std::make_unique<TPropList>();
    Instance->PublishProperties(*built);
    list = std::move(built);
  }
  return *list;
}

const TPropInfo* GetPropInfo(const TPersistent* Instance, const AnsiString& PropName) {
  return GetPropList(Instance).Find(PropName);
}

namespace {

enum class TKindGroup { Text, Object, Number };

TKindGroup GroupOf(TTypeKind Kind) {
  switch (Kind) {
    case tkClass: return TKindGroup::Object;
    case tkInteger: return TKindGroup::Number;
    default: return TKindGroup::Text;
  }
}

const TPropInfo& Require(TPersistent* Instance, const AnsiString& PropName, TKindGroup group) {
  const TPropInfo* info = GetPropInfo(Instance, PropName);
  if (!info) throw EPropertyError("Unknown property: '%s'", {PropName});
  if (GroupOf(info->Kind) != group)
    throw EPropertyError("Invalid property type: '%s'", {PropName});
  return *info;
}

}  // namespace

AnsiString GetStrProp(TPersistent* Instance, const AnsiString& PropName) {
  return Require(Instance, PropName, TKindGroup::Text).GetText(Instance);
}

void SetStrProp(TPersistent* Instance, const AnsiString& PropName, const AnsiString& Value) {
  const TPropInfo& info = Require(Instance, PropName, TKindGroup::Text);
  if (!info.SetText) throw EPropertyError("Property %s is read-only", {PropName});
  info.SetText(Instance, Value);
}

TPersistent* GetObjectProp(TPersistent* Instance, const AnsiString& PropName) {
  return Require(Instance, PropName, TKindGroup::Object).GetObject(Instance);
}

int64_t GetOrdProp(TPersistent* Instance, const AnsiString& PropName) {
  return Require(Instance, PropName, TKindGroup::Number).GetOrd(Instance);
}

void SetOrdProp(TPersistent* Instance, const AnsiString& PropName, int64_t Value) {
  const TPropInfo& info = Require(Instance, PropName, TKindGroup::Number);
  if (!info.SetOrd) throw EPropertyError("Property %s is read-only", {PropName});
  info.SetOrd(Instance, Value);
}
