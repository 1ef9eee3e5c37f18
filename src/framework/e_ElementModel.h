// Models by which tools and elements are configured from element data: property models with
// values and links, element models with their element, property and image lists.
#pragma once

#include "E_Type.h"

namespace zelto {

class TModelLink;

class TPropertyModel : public TOwnerEntity {
    ZELTO_CLASS(TPropertyModel, TOwnerEntity)
public:
    bool FLinkOnly = false;
    QString FAlias;
    QString FValue;

    // The "LINKS" child of model links, created on demand.
    TOwnerEntity* GetLinks();
    bool NoLinks() const;
    void SetNewSourceLink(TElement* element);
    void SetNewDestinationLink(TElement* element);
    // Executes every link of this model in order.
    void ExecuteLinks();
};

class TModelProperties : public TOwnerEntity {
    ZELTO_CLASS(TModelProperties, TOwnerEntity)
public:
    // By-name access creates a missing property model: writing sets its value, reading answers
    // the model itself as an object number.
    QString GetPropertyStringByName(const QString& name) const override;
    void SetPropertyStringByName(const QString& name, const QString& value) override;
    bool HasPropertyByName(const QString& name) const override;
    TPropertyModel* FindOrCreateModel(const QString& name);
};

class TElementModel : public TPropertyModel {
    ZELTO_CLASS(TElementModel, TPropertyModel)
public:
    qint32 FImageIndex = 0;
    QString FElementClassName;
    QString FComment;
    QString FAttachToPropertyName;

    TOwnerEntity* GetModelElements();
    TModelProperties* GetModelProperties();
    TStringListElement* GetImages();
    bool NoModelElements() const;
    bool NoModelProperties() const;
    bool NoImages() const;
    void SetNewElementName(const QString& name);
    void SetNewPropertyName(const QString& name);
    void SetNewImage(const QString& text);
};

// A link holds one element as its single child.
class TModelLink : public TOwnerEntity {
    ZELTO_CLASS(TModelLink, TOwnerEntity)
public:
    void LinkTo(TElement* element);
    TElement* GetLinked() const;
    virtual TElement* GetSource() const;
    virtual TElement* GetDestination() const;
    // Carries the source instance's value to the destination instance.
    void Link();

protected:
    TPropertyModel* nearestPropertyModel() const;
};

class TSourceModelLink : public TModelLink {
    ZELTO_CLASS(TSourceModelLink, TModelLink)
public:
    TElement* GetSource() const override;
    TElement* GetDestination() const override;
};

class TDestinationModelLink : public TModelLink {
    ZELTO_CLASS(TDestinationModelLink, TModelLink)
public:
    TElement* GetSource() const override;
    TElement* GetDestination() const override;
};

void registerElementModelClasses();

} // namespace zelto
