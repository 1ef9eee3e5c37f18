#pragma once

namespace zelto {

void registerDynamicPropertiesClasses();

} // namespace zelto
