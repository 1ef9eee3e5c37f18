#pragma once

namespace zelto {

void registerSortToolClasses();

} // namespace zelto
