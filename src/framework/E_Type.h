#pragma once

namespace zelto {

void registerTypeElementClasses();

} // namespace zelto
