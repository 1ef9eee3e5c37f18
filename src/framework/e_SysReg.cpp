#include "e_SysReg.h"

#include "e_Class.h"

namespace zelto {

ZELTO_IMPLEMENT_CLASS_NOPROPS(TSystemRegister, TOwnerEntity, "e_SysReg")

void registerSystemRegisterClasses() { RegisterZeltoClass(TSystemRegister::StaticClass()); }

} // namespace zelto
