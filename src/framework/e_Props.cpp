#include "e_Props.h"

namespace zelto {

void registerDynamicPropertiesClasses() {}

} // namespace zelto
