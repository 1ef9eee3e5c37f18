#pragma once

namespace zelto {

void registerToolModelClasses();

} // namespace zelto
