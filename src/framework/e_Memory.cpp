#include "e_Memory.h"

namespace zelto {

void registerMemoryElementClasses() {}

} // namespace zelto
