#pragma once

namespace zelto {

void registerRecursorClasses();

} // namespace zelto
