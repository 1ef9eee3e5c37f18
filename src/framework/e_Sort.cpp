#include "e_Sort.h"

namespace zelto {

void registerSortedEntityClasses() {}

} // namespace zelto
