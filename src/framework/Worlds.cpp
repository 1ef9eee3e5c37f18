#include "Worlds.h"

namespace zelto {

void registerWorldClasses() {}

} // namespace zelto
