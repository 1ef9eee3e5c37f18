#include "Init.h"

#include "E_Type.h"
#include "Elements.h"
#include "Tools.h"
#include "Worlds.h"
#include "colors/e_Pale.h"
#include "e_Class.h"
#include "e_ElementModel.h"
#include "e_Memory.h"
#include "e_Props.h"
#include "e_Sort.h"
#include "e_SysReg.h"
#include "e_ToolModel.h"
#include "forest/e_LHCElements.h"
#include "forest/e_LHCModel.h"
#include "forest/e_LHCModelSupport.h"
#include "forest/e_LHCProject.h"
#include "forest/e_ParcelModel.h"
#include "forest/e_Person.h"
#include "forest/e_Project.h"
#include "forest/e_Zelto01Projects.h"
#include "forest/t_ForestModelSelector.h"
#include "geometry/G_Elems.h"
#include "geometry/e_Geometry.h"
#include "geometry/e_GeometryElement.h"
#include "geometry/e_GeometryEx.h"
#include "geometry/t_GeometryEx.h"
#include "persistence/T_Saver.h"
#include "persistence/t_Loader.h"
#include "projection/e_Page.h"
#include "projection/e_Proje.h"
#include "t_Recurs.h"
#include "t_Sort.h"
#include "topobjects/E_Reg.h"
#include "topobjects/E_TplReg.h"
#include "topobjects/e_DBFTable.h"
#include "topobjects/e_TopolElements.h"
#include "topology/E_Node.h"
#include "topology/T_BreakLines.h"
#include "topology/T_GeomTools.h"
#include "topology/T_JoinSimple.h"
#include "topology/T_LinJoi.h"
#include "topology/T_SAMake.h"
#include "topology/T_ToTool.h"
#include "topology/T_Topol.h"
#include "topology/e_QTree.h"
#include "topology/e_TopolDruhy.h"
#include "topology/t_Applac.h"
#include "topology/t_AreMak.h"
#include "topology/t_LineExtractor.h"
#include "topology/t_QTreeTools.h"

#include <mutex>

namespace zelto {

void init() {
    static std::once_flag once;
    std::call_once(once, [] {
        // The model's module order; a test pins the resulting registry order and numbering.
        registerClassRegistryClasses();       //  1 class registry
        registerElementClasses();             //  2 element core
        registerCoordinateClasses();          //  3 coordinates
        registerPolyGeometryClasses();        //  4 poly geometry
        registerTypeElementClasses();         //  5 typed values
        registerDynamicPropertiesClasses();   //  6 dynamic properties
        registerSortedEntityClasses();        //  7 sorted entities
        registerSystemRegisterClasses();      //  8 system register
        registerElementModelClasses();        //  9 element models
        registerToolModelClasses();           // 10 tool model
        registerToolClasses();                // 11 tools
        registerWorldClasses();               // 12 world
        registerGeometryElementClasses();     // 13 geometry elements
        registerPersonClasses();              // 14 people
        registerForestSupportClasses();       // 15 forest support
        registerSortToolClasses();            // 16 sorting tools
        registerParcelModelClasses();         // 17 cadastral model
        registerForestModelClasses();         // 18 forest model
        registerPageClasses();                // 19 page
        registerProjectionClasses();          // 20 projection
        registerMemoryElementClasses();       // 21 memory element
        registerQTreeClasses();               // 22 quadtree
        registerQTreeToolClasses();           // 23 quadtree tools
        registerRegisterClasses();            // 24 registers
        registerTableFieldClasses();          // 25 table fields
        registerTopolRegisterClasses();       // 26 topology registers
        registerTopolElementClasses();        // 27 topology elements
        registerForestElementClasses();       // 28 forest elements
        registerRecursorClasses();            // 29 tree walker
        registerPaletteClasses();             // 30 palettes
        registerPointPlacingClasses();        // 31 point placing
        registerLineToolClasses();            // 32 line tools
        registerNodeClasses();                // 33 nodes
        registerTopologyClasses();            // 34 topology
        registerLineJoiningClasses();         // 35 line joining
        registerSubAreaClasses();             // 36 sub-areas
        registerAreasFromLinesClasses();      // 37 areas from lines
        registerBreakLineClasses();           // 38 break lines
        registerSimpleJoinClasses();          // 39 simple joins
        registerLineExtractorClasses();       // 40 line extractor
        registerGeometryToolClasses();        // 41 geometry tools
        registerLoaderClasses();              // 43 loader
        registerForestModelSelectorClasses(); // 44 forest unit selector
        registerUserPointClasses();           // 45 user points and notes
        registerTopolDruhClasses();           // 46 topology kinds
        registerNoteToolClasses();            // 47 note tools
        registerSaverClasses();               // 48 saver
        registerProjectClasses();             // 49 project
        registerForestProjectClasses();       // 50 forest project
        registerProjectRegistryClasses();     // 51 project registry
    });
}

} // namespace zelto
