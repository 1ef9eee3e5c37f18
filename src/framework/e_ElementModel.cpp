#include "e_ElementModel.h"

namespace zelto {

void registerElementModelClasses() {}

} // namespace zelto
