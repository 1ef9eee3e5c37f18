// The inheritance model: a tree of nodes, one per class, each holding the nodes of more specific
// classes; a lookup answers the most specific node that covers a class.
#pragma once

#include "Elements.h"

namespace zelto {

enum : qint32 {
    err_NoItem = 1,
    err_ClassNotFound = 2,
    err_WrongItem = 3,
    err_WrongElement = 4,
    err_NoInterpret = 5,
    err_NoInstance = 6,
    err_NoClass = 7,
};

class TInheritanceModel;

// The container of a node's more specific nodes.
class TModelItems : public TEnvelopeEntity {
    ZELTO_CLASS(TModelItems, TEnvelopeEntity)
};

class TInheritanceModel : public TOwnerEntity {
    ZELTO_CLASS(TInheritanceModel, TOwnerEntity)
public:
    const TClassInfo* FClass = nullptr;

    void SetEClass(const TClassInfo* cls);
    const TClassInfo* GetEClass() const { return FClass; }
    // Looks the class up in the registry; an unknown name clears the class.
    void SetClassName(const QString& name);
    QString GetElementClassName() const;

    // True when the node has no class or `cls` derives from the node's class.
    bool ItsMyClass(const TClassInfo* cls) const;
    // The most specific node covering `cls`; none when nothing covers it.
    TInheritanceModel* GetItemForClass(const TClassInfo* cls);
    // Places `node` in the tree below this node.
    void SetNextItem(TInheritanceModel* node);

    TModelItems* GetItems();
    qint32 ItemsCount() const;
    TInheritanceModel* GetItem(int index) const;

protected:
    TModelItems* FItems = nullptr;
};

class TInheritanceModelEntity : public TInheritanceModel {
    ZELTO_CLASS(TInheritanceModelEntity, TInheritanceModel)
public:
    QString FItemClassName = QStringLiteral("TInheritanceModel");
    TInheritanceModel* FActualItem = nullptr; // a node of this tree, not owned
    qint32 FError = 0;

    // Creates a node (of the item class) for a registered class and places it in the tree.
    void SetNewClassName(const QString& name);
    // Makes the node covering the named class the actual item.
    void SetFindClassName(const QString& name);
    QString GetActualClassName() const;
    // Removes the actual item; its more specific nodes are placed in the tree again.
    void SetDeleteActualItem(bool doIt);
    bool GetIsError() const { return FError != 0; }
    qint32 GetError() const { return FError; }
    TInheritanceModel* GetActualItem() const { return FActualItem; }
    void SetActualItem(TInheritanceModel* item) { FActualItem = item; }
};

} // namespace zelto
