#include "e_ToolModel.h"

namespace zelto {

void registerToolModelClasses() {}

} // namespace zelto
