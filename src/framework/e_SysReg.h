// The system register: the world's named settings (string lists such as "IMAGES", "CURSORS", and
// the class models of the inheritance model).
#pragma once

#include "Elements.h"

namespace zelto {

class TSystemRegister : public TOwnerEntity {
    ZELTO_CLASS(TSystemRegister, TOwnerEntity)
};

void registerSystemRegisterClasses();

} // namespace zelto
