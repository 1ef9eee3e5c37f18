#pragma once

namespace zelto {

void registerElementModelClasses();

} // namespace zelto
