// Start-up: registers the classes of every module in the model's start-up order.
#pragma once

namespace zelto {

// Registers every module's classes once per process; later calls do nothing.
void init();

} // namespace zelto
