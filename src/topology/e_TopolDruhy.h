// The kind catalogue: kinds of points, lines and areas of the topology objects, each with a code,
// a colour number, a symbol number, a type letter and a class name.
#pragma once

#include "framework/Elements.h"

namespace zelto {

// One kind, identified by its element name.
class TTopolDruh : public TOwnerElement {
    ZELTO_CLASS(TTopolDruh, TOwnerElement)
public:
    qint32 FZnacka = 0;
    qint32 FKOD = 0;
    qint32 FBarva = 0;
    QChar FTyp;
    qint32 FZaloha = 0;
    QString FTrida;
};

// A collection of kinds with a current one.
class TTopolDruhCollection : public TOwnerEntity {
    ZELTO_CLASS(TTopolDruhCollection, TOwnerEntity)
public:
    virtual void SetFindDruhKod(qint32 code);
    virtual void SetFindDruhName(const QString& name);

    // The current kind while it is still one of the children, else none.
    TTopolDruh* GetActualDruh() const;
    void SetActualDruh(TTopolDruh* kind) { m_actual = kind; }
    // " " without a current kind.
    QString GetActualDruhName() const;
    // 0 without a current kind.
    qint32 GetActualDruhKod() const;

private:
    TTopolDruh* m_actual = nullptr; // not owned
};

// The whole catalogue: three collections "L", "P" and "B", created on first access.
class TTopolDruhy : public TTopolDruhCollection {
    ZELTO_CLASS(TTopolDruhy, TTopolDruhCollection)
public:
    TTopolDruhCollection* GetL();
    TTopolDruhCollection* GetP();
    TTopolDruhCollection* GetB();
    void SetFindLDruhKod(qint32 code) { GetL()->SetFindDruhKod(code); }
    void SetFindLDruhName(const QString& name) { GetL()->SetFindDruhName(name); }
    void SetFindBDruhKod(qint32 code) { GetB()->SetFindDruhKod(code); }
    void SetFindBDruhName(const QString& name) { GetB()->SetFindDruhName(name); }

private:
    TTopolDruhCollection* collection(const QString& name);
};

void registerTopolDruhClasses();

} // namespace zelto
