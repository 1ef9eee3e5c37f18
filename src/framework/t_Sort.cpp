#include "t_Sort.h"

namespace zelto {

void registerSortToolClasses() {}

} // namespace zelto
