#include "e_LHCModelSupport.h"

#include "framework/e_Class.h"

namespace zelto {

ZELTO_IMPLEMENT_CLASS_NOPROPS(TForest_ParcelConnectionEntity, TOwnerEntity, "e_LHCModelSupport")

QString TForest_ParcelConnectionEntity::GetName() const {
    return QStringLiteral("SKP_Porosty");
}
void TForest_ParcelConnectionEntity::SetName(const QString&) {}

ZELTO_IMPLEMENT_CLASS_NOPROPS(TForest_ParcelDetailConnectionEntity, TOwnerEntity, "e_LHCModelSupport")

QString TForest_ParcelDetailConnectionEntity::GetName() const {
    return QStringLiteral("SKP_Skupiny");
}
void TForest_ParcelDetailConnectionEntity::SetName(const QString&) {}

void registerForestSupportClasses() {
    RegisterZeltoClass(TForest_ParcelConnectionEntity::StaticClass());
    RegisterZeltoClass(TForest_ParcelDetailConnectionEntity::StaticClass());
}

} // namespace zelto
