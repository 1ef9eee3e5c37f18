#include "e_Project.h"

#include "framework/e_Class.h"

namespace zelto {

void TZeltoProject::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TZeltoProject::GetAuthor, &TZeltoProject::SetAuthor>("Author");
    b.prop<&TZeltoProject::GetComment, &TZeltoProject::SetComment>("Comment");
}
ZELTO_IMPLEMENT_CLASS(TZeltoProject, TOwnerEntity, "e_Project")

ZELTO_IMPLEMENT_CLASS_NOPROPS(TZeltoProjects, TOwnerEntity, "e_Project")

void registerProjectClasses() {
    RegisterZeltoClass(TZeltoProject::StaticClass());
}

} // namespace zelto
