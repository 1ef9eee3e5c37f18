#include "t_Recurs.h"

namespace zelto {

void registerRecursorClasses() {}

} // namespace zelto
