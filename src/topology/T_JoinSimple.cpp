#include "T_JoinSimple.h"

#include "framework/e_Class.h"
#include "geometry/e_GeometryElement.h"

namespace zelto {

ZELTO_IMPLEMENT_CLASS_NOPROPS(TJoinSimpleLines, TTool, "T_JoinSimple")

void TJoinTopolLines::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TJoinTopolLines::FRefLines>("RefLines");
    b.field<&TJoinTopolLines::FJoinRefLines>("JoinRefLines");
    b.field<&TJoinTopolLines::FIgnorePresnost>("IgnorePresnost");
    b.field<&TJoinTopolLines::FSameDirection>("SameDirection");
    b.writeOnly<&TJoinTopolLines::SetNextSwitch>("NextSwitch").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TJoinTopolLines, TTool, "T_JoinSimple")

TGeometryElementCollection* TJoinTopolLines::GetLines() {
    return NamedChild<TGeometryElementCollection>(QStringLiteral("Lines"));
}

void TJoinTopolLines::SetNextSwitch(const QString& name) {
    const QString n = name.trimmed();
    if (n.compare(QLatin1String("JoinRefLines"), Qt::CaseInsensitive) == 0)
        FJoinRefLines = true;
    else if (n.compare(QLatin1String("IgnorePresnost"), Qt::CaseInsensitive) == 0)
        FIgnorePresnost = true;
    else if (n.compare(QLatin1String("SameDirection"), Qt::CaseInsensitive) == 0)
        FSameDirection = true;
}

void registerSimpleJoinClasses() {
    RegisterZeltoClass(TJoinSimpleLines::StaticClass());
    RegisterZeltoClass(TJoinTopolLines::StaticClass());
}

} // namespace zelto
