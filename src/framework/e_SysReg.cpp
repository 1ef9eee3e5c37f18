#include "e_SysReg.h"

namespace zelto {

void registerSystemRegisterClasses() {}

} // namespace zelto
