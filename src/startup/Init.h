// Start-up: registers the classes of every module in the model's start-up order. It stands above
// every model layer (it names them all), so it lives in its own library, zelto_startup.
#pragma once

namespace zelto {

// Registers every module's classes once per process; later calls do nothing.
void init();

} // namespace zelto
