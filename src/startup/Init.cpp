#include "Init.h"

#include "colors/e_Pale.h"
#include "editing/AreaEditor.h"
#include "forest/e_LHCElements.h"
#include "forest/e_LHCModel.h"
#include "forest/e_LHCModelSupport.h"
#include "forest/e_LHCProject.h"
#include "forest/e_ParcelModel.h"
#include "forest/e_Person.h"
#include "forest/e_Project.h"
#include "forest/e_Zelto01Projects.h"
#include "forest/t_ForestModelSelector.h"
#include "framework/E_Type.h"
#include "framework/Elements.h"
#include "framework/Tools.h"
#include "framework/Worlds.h"
#include "framework/e_Class.h"
#include "framework/e_ElementModel.h"
#include "framework/e_Memory.h"
#include "framework/e_Props.h"
#include "framework/e_Sort.h"
#include "framework/e_SysReg.h"
#include "framework/e_ToolModel.h"
#include "framework/t_Recurs.h"
#include "framework/t_Sort.h"
#include "geometry/G_Elems.h"
#include "geometry/e_Geometry.h"
#include "geometry/e_GeometryElement.h"
#include "geometry/e_GeometryEx.h"
#include "geometry/t_GeometryEx.h"
#include "persistence/T_Saver.h"
#include "persistence/t_Loader.h"
#include "projection/e_Page.h"
#include "projection/e_Proje.h"
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

#include <iterator>
#include <mutex>

namespace zelto {

namespace {

// One module of the start-up order: its number in the model and what registers its classes.
struct StartUpModule {
    int number;
    void (*registerClasses)();
};

// The model's module order; a test pins the resulting registry order and
// numbering.
constexpr StartUpModule startUpOrder[] = {
    {1, registerClassRegistryClasses},        // class registry
    {2, registerElementClasses},              // element core
    {3, registerCoordinateClasses},           // coordinates
    {4, registerPolyGeometryClasses},         // poly geometry
    {5, registerTypeElementClasses},          // typed values
    {6, registerDynamicPropertiesClasses},    // dynamic properties
    {7, registerSortedEntityClasses},         // sorted entities
    {8, registerSystemRegisterClasses},       // system register
    {9, registerElementModelClasses},         // element models
    {10, registerToolModelClasses},           // tool model
    {11, registerToolClasses},                // tools
    {12, registerWorldClasses},               // world
    {13, registerGeometryElementClasses},     // geometry elements
    {14, registerPersonClasses},              // people
    {15, registerForestSupportClasses},       // forest support
    {16, registerSortToolClasses},            // sorting tools
    {17, registerParcelModelClasses},         // cadastral model
    {18, registerForestModelClasses},         // forest model
    {19, registerPageClasses},                // page
    {20, registerProjectionClasses},          // projection
    {21, registerMemoryElementClasses},       // memory element
    {22, registerQTreeClasses},               // quadtree
    {23, registerQTreeToolClasses},           // quadtree tools
    {24, registerRegisterClasses},            // registers
    {25, registerTableFieldClasses},          // table fields
    {26, registerTopolRegisterClasses},       // topology registers
    {27, registerTopolElementClasses},        // topology elements
    {28, registerForestElementClasses},       // forest elements
    {29, registerRecursorClasses},            // tree walker
    {30, registerPaletteClasses},             // palettes
    {31, registerPointPlacingClasses},        // point placing
    {32, registerLineToolClasses},            // line tools
    {33, registerNodeClasses},                // nodes
    {34, registerTopologyClasses},            // topology
    {35, registerLineJoiningClasses},         // line joining
    {36, registerSubAreaClasses},             // sub-areas
    {37, registerAreasFromLinesClasses},      // areas from lines
    {38, registerBreakLineClasses},           // break lines
    {39, registerSimpleJoinClasses},          // simple joins
    {40, registerLineExtractorClasses},       // line extractor
    {41, registerGeometryToolClasses},        // geometry tools
    {42, registerAreaEditorClasses},          // area editor
    {43, registerLoaderClasses},              // loader
    {44, registerForestModelSelectorClasses}, // forest unit selector
    {45, registerUserPointClasses},           // user points and notes
    {46, registerTopolDruhClasses},           // topology kinds
    {47, registerNoteToolClasses},            // note tools
    {48, registerSaverClasses},               // saver
    {49, registerProjectClasses},             // project
    {50, registerForestProjectClasses},       // forest project
    {51, registerProjectRegistryClasses},     // project registry
};

constexpr bool followsModuleNumbers() {
    for (size_t i = 1; i < std::size(startUpOrder); ++i)
        if (startUpOrder[i].number <= startUpOrder[i - 1].number) return false;
    return true;
}
static_assert(followsModuleNumbers(), "modules register in the order of their numbers");

} // namespace

void init() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (const StartUpModule& module : startUpOrder) module.registerClasses();
    });
}

} // namespace zelto
