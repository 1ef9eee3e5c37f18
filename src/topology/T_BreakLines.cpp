#include "T_BreakLines.h"

#include "framework/e_Class.h"
#include "projection/e_Proje.h"

namespace zelto {

void TFindBreakLineConnections::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TFindBreakLineConnections::FByProjection>("ByProjection");
    b.field<&TFindBreakLineConnections::FProjection>("Projection");
    b.field<&TFindBreakLineConnections::FConnectionsNumber>("ConnectionsNumber");
    b.field<&TFindBreakLineConnections::FAllNodes>("AllNodes");
}
ZELTO_IMPLEMENT_CLASS(TFindBreakLineConnections, TTool, "T_BreakLines")

void TFindLinesInNodesForEntity::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TFindLinesInNodesForEntity::FLinesEntity>("LinesEntity");
}
ZELTO_IMPLEMENT_CLASS(TFindLinesInNodesForEntity, TTool, "T_BreakLines")

void registerBreakLineClasses() {
    RegisterZeltoClass(TFindBreakLineConnections::StaticClass());
    RegisterZeltoClass(TFindLinesInNodesForEntity::StaticClass());
}

} // namespace zelto
