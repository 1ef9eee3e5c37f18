#include "e_InhMdl.h"

#include "e_Class.h"

#include <vector>

namespace zelto {

ZELTO_IMPLEMENT_CLASS_NOPROPS(TModelItems, TEnvelopeEntity, "e_InhMdl")

void TInheritanceModel::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TInheritanceModel::GetElementClassName, &TInheritanceModel::SetClassName>("ElementClassName");
}
ZELTO_IMPLEMENT_CLASS(TInheritanceModel, TOwnerEntity, "e_InhMdl")

void TInheritanceModel::SetEClass(const TClassInfo* cls) {
    FClass = cls;
    if (cls) SetName(cls->name());
}

void TInheritanceModel::SetClassName(const QString& name) {
    SetEClass(GetZeltoClass(name));
}

QString TInheritanceModel::GetElementClassName() const {
    return FClass ? FClass->name() : QString();
}

bool TInheritanceModel::ItsMyClass(const TClassInfo* cls) const {
    return !FClass || (cls && cls->inheritsFrom(*FClass));
}

TModelItems* TInheritanceModel::GetItems() {
    if (!FItems) {
        FItems = new TModelItems;
        AddElement(FItems);
    }
    return FItems;
}

qint32 TInheritanceModel::ItemsCount() const {
    return FItems ? FItems->ElementsCount() : 0;
}

TInheritanceModel* TInheritanceModel::GetItem(int index) const {
    if (!FItems || index < 0 || index >= FItems->ElementsCount()) return nullptr;
    return zelto_cast<TInheritanceModel>(FItems->Get(index));
}

TInheritanceModel* TInheritanceModel::GetItemForClass(const TClassInfo* cls) {
    if (cls && cls != FClass) {
        for (int i = 0; i < ItemsCount(); ++i) {
            TInheritanceModel* item = GetItem(i);
            if (item && item->FClass && item->ItsMyClass(cls)) return item->GetItemForClass(cls);
        }
    }
    return FClass && (!cls || ItsMyClass(cls)) ? this : nullptr;
}

void TInheritanceModel::SetNextItem(TInheritanceModel* node) {
    if (!node || node == this) return;
    TModelItems* items = GetItems();
    // Existing nodes that specialise the new node's class move under it.
    if (node->FClass) {
        std::vector<TInheritanceModel*> moving;
        for (int i = 0; i < items->ElementsCount(); ++i) {
            auto* item = zelto_cast<TInheritanceModel>(items->Get(i));
            if (item && item != node && item->FClass && item->FClass->inheritsFrom(*node->FClass))
                moving.push_back(item);
        }
        for (TInheritanceModel* item : moving) {
            items->RemoveElement(item);
            node->GetItems()->AddElement(item);
        }
    }
    // The new node goes down into an item whose class it specialises.
    for (int i = 0; i < items->ElementsCount(); ++i) {
        auto* item = zelto_cast<TInheritanceModel>(items->Get(i));
        if (item && item != node && item->FClass && node->FClass &&
            node->FClass->inheritsFrom(*item->FClass)) {
            item->SetNextItem(node);
            break;
        }
    }
    if (node->NoOwners()) items->AddElement(node);
}

void TInheritanceModelEntity::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TInheritanceModelEntity::FItemClassName>("ItemClassName");
    b.prop<&TInheritanceModelEntity::GetActualItem, &TInheritanceModelEntity::SetActualItem>("ActualItem")
        .stored(false);
    b.writeOnly<&TInheritanceModelEntity::SetNewClassName>("NewClassName").stored(false);
    b.writeOnly<&TInheritanceModelEntity::SetFindClassName>("FindClassName").stored(false);
    b.readOnly<&TInheritanceModelEntity::GetActualClassName>("ActualClassName").stored(false);
    b.writeOnly<&TInheritanceModelEntity::SetDeleteActualItem>("DeleteActualItem").stored(false);
    b.readOnly<&TInheritanceModelEntity::GetIsError>("IsError").stored(false);
    b.readOnly<&TInheritanceModelEntity::GetError>("Error").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TInheritanceModelEntity, TInheritanceModel, "e_InhMdl")

void TInheritanceModelEntity::SetNewClassName(const QString& name) {
    FError = 0;
    const TClassInfo* cls = GetZeltoClass(name);
    if (!cls) {
        FError = err_ClassNotFound;
        return;
    }
    const TClassInfo* itemClass = GetZeltoClass(FItemClassName);
    if (!itemClass) {
        FError = err_NoClass;
        return;
    }
    if (!itemClass->inheritsFrom(TInheritanceModel::StaticClass())) {
        FError = err_WrongItem;
        return;
    }
    auto* node = static_cast<TInheritanceModel*>(itemClass->create());
    if (!node) {
        FError = err_NoInstance;
        return;
    }
    node->SetEClass(cls);
    SetNextItem(node);
    FActualItem = node;
}

void TInheritanceModelEntity::SetFindClassName(const QString& name) {
    FError = 0;
    const TClassInfo* cls = GetZeltoClass(name);
    if (!cls) {
        FError = err_ClassNotFound;
        FActualItem = nullptr;
        return;
    }
    FActualItem = GetItemForClass(cls);
    if (!FActualItem) FError = err_NoItem;
}

QString TInheritanceModelEntity::GetActualClassName() const {
    return FActualItem ? FActualItem->GetElementClassName() : QString();
}

void TInheritanceModelEntity::SetDeleteActualItem(bool doIt) {
    if (!doIt) return;
    FError = 0;
    TInheritanceModel* item = FActualItem;
    if (!item || item == this) {
        FError = err_NoItem;
        return;
    }
    FActualItem = nullptr;
    std::vector<TInheritanceModel*> children;
    for (int i = 0; i < item->ItemsCount(); ++i)
        if (TInheritanceModel* c = item->GetItem(i)) children.push_back(c);
    for (TInheritanceModel* c : children) item->GetItems()->RemoveElement(c);
    // Detach the node from its container and destroy it; its former items find new places.
    if (TEntity* owner = item->GetOwnerEntity(0)) owner->FreeElement(item);
    for (TInheritanceModel* c : children) {
        if (c->NoOwners()) SetNextItem(c);
    }
}

} // namespace zelto
