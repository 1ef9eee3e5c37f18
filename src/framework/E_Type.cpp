#include "E_Type.h"

namespace zelto {

void registerTypeElementClasses() {}

} // namespace zelto
