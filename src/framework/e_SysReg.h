#pragma once

namespace zelto {

void registerSystemRegisterClasses();

} // namespace zelto
