#include "app/Properties.h"

void TPropertieInfo::Assign(TPersistent* Source) {
  if (auto* other = dynamic_cast<TPropertieInfo*>(Source)) {
    FControl = other->FControl;
    FPropertyId = other->FPropertyId;
    FFlag = other->FFlag;
    FKind = other->FKind;
    return;
  }
  TCollectionItem::Assign(Source);
}

TPropertieInfo* TPropertieInfos::AddInfo(TComponent* Control, int32_t PropertyId, TPropertieKind Kind,
                                         uint8_t Flag) {
  auto* info = static_cast<TPropertieInfo*>(Add());
  info->SetControl(Control);
  info->SetPropertyId(PropertyId);
  info->SetKind(Kind);
  info->SetFlag(Flag);
  if (Control) Control->SetTag(GetCount() - 1);
  return info;
}
