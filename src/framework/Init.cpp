#include "Init.h"

#include "E_Type.h"
#include "Elements.h"
#include "Tools.h"
#include "Worlds.h"
#include "e_Class.h"
#include "e_ElementModel.h"
#include "e_Memory.h"
#include "e_Props.h"
#include "e_Sort.h"
#include "e_SysReg.h"
#include "e_ToolModel.h"
#include "geometry/G_Elems.h"
#include "geometry/e_Geometry.h"
#include "persistence/T_Saver.h"
#include "persistence/t_Loader.h"
#include "t_Recurs.h"
#include "t_Sort.h"

#include <mutex>

namespace zelto {

void init() {
    static std::once_flag once;
    std::call_once(once, [] {
        // The model's module order; a test pins the resulting registry order and numbering.
        registerClassRegistryClasses();     //  1 class registry
        registerElementClasses();           //  2 element core
        registerCoordinateClasses();        //  3 coordinates
        registerPolyGeometryClasses();      //  4 poly geometry
        registerTypeElementClasses();       //  5 typed values
        registerDynamicPropertiesClasses(); //  6 dynamic properties
        registerSortedEntityClasses();      //  7 sorted entities
        registerSystemRegisterClasses();    //  8 system register
        registerElementModelClasses();      //  9 element models
        registerToolModelClasses();         // 10 tool model
        registerToolClasses();              // 11 tools
        registerWorldClasses();             // 12 world
        registerSortToolClasses();          // 16 sorting tools
        registerMemoryElementClasses();     // 21 memory element
        registerRecursorClasses();          // 29 tree walker
        registerLoaderClasses();            // 43 loader
        registerSaverClasses();             // 48 saver
    });
}

} // namespace zelto
