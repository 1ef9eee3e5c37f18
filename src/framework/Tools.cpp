#include "Tools.h"

namespace zelto {

void registerToolClasses() {}

} // namespace zelto
