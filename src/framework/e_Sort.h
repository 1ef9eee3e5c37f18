#pragma once

namespace zelto {

void registerSortedEntityClasses();

} // namespace zelto
