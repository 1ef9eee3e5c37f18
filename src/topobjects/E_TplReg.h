// The topology variants of the registers: their object registers keep an attribute table, and
// their object owners are named after the first topology element filed ("L12:3").
#pragma once

#include "E_Reg.h"

namespace zelto {

class TTopolObjectOwner : public TObjectOwner {
    ZELTO_CLASS(TTopolObjectOwner, TObjectOwner)
public:
    // Names a still unnamed owner after a topology element: type letter, Cislo, ":", Druh.
    void AddElement(TElement* element) override;
};

class TTopolObjectRegister : public TObjectRegister {
    ZELTO_CLASS(TTopolObjectRegister, TObjectRegister)
public:
    // The attribute table, created read-only on first use.
    TTopolDBFTable* GetDBF() override;
    TObjectOwner* CreateObjectOwner() const override;
};

class TTopolBlockRegister : public TBlockRegister {
    ZELTO_CLASS(TTopolBlockRegister, TBlockRegister)
protected:
    TObjectRegister* createObjectRegister() const override;
};

void registerTopolRegisterClasses();

} // namespace zelto
