// Links between the forest model and the cadastral model: a parcel group (Tgis_SkupinaParcel)
// holds its stands in a "SKP_Porosty" entity and the stand groups linked on their own in a
// "SKP_Skupiny" entity. A unit finds its parcel group as the owner of the entity that holds it.
#pragma once

#include "framework/Elements.h"

namespace zelto {

// Holds the stands of one parcel group; always named "SKP_Porosty".
class TForest_ParcelConnectionEntity : public TOwnerEntity {
    ZELTO_CLASS(TForest_ParcelConnectionEntity, TOwnerEntity)
public:
    QString GetName() const override;
    void SetName(const QString& name) override;
};

// Holds the stand groups linked to one parcel group on their own; always named "SKP_Skupiny".
class TForest_ParcelDetailConnectionEntity : public TOwnerEntity {
    ZELTO_CLASS(TForest_ParcelDetailConnectionEntity, TOwnerEntity)
public:
    QString GetName() const override;
    void SetName(const QString& name) override;
};

void registerForestSupportClasses();

} // namespace zelto
