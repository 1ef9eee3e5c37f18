#pragma once

namespace zelto {

void registerWorldClasses();

} // namespace zelto
