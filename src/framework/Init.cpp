#include "Init.h"

#include "Elements.h"
#include "e_Class.h"

#include <mutex>

namespace zelto {

void init() {
    static std::once_flag once;
    std::call_once(once, [] {
        // The order is the model's module order; a test pins it.
        registerClassRegistryClasses(); //  1 class registry
        registerElementClasses();       //  2 element core
    });
}

} // namespace zelto
