#pragma once

namespace zelto {

void registerMemoryElementClasses();

} // namespace zelto
