#pragma once

namespace zelto {

void registerToolClasses();

} // namespace zelto
