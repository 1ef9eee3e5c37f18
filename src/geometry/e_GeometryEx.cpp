#include "e_GeometryEx.h"

#include "framework/E_Type.h"
#include "framework/e_Class.h"

namespace zelto {

void Tgis_PointElement::DeclareProperties(TPropTableBuilder& b) {
    b.field<&Tgis_PointElement::FGroup>("Group");
    b.field<&Tgis_PointElement::FSymbol>("Symbol");
    b.field<&Tgis_PointElement::FColor>("Color");
    b.field<&Tgis_PointElement::FComment>("Comment");
    b.field<&Tgis_PointElement::FStatus>("Status");
}
ZELTO_IMPLEMENT_CLASS(Tgis_PointElement, TPointElement, "e_GeometryEx")

void Tgis_Note::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&Tgis_Note::GetText, &Tgis_Note::SetText>("Text");
    b.prop<&Tgis_Note::GetImages, &Tgis_Note::SetImages>("Images");
    b.prop<&Tgis_Note::GetAudios, &Tgis_Note::SetAudios>("Audios");
    b.readOnly<&Tgis_Note::GetNoImages>("NoImages").stored(false);
    b.readOnly<&Tgis_Note::GetNoAudios>("NoAudios").stored(false);
}
ZELTO_IMPLEMENT_CLASS(Tgis_Note, TPointElement, "e_GeometryEx")

void Tgis_Note::AddElement(TElement* element) {
    if (element && IndexOf(element) >= 0) return;
    TPointElement::AddElement(element);
}

void Tgis_Note::RemoveElement(TElement* element) {
    if (element && element == FImages) FImages = nullptr;
    if (element && element == FAudios) FAudios = nullptr;
    TPointElement::RemoveElement(element);
}

void Tgis_Note::SetImages(TStringListElement* list) {
    // One list cannot be both attachment lists: freeing one field would free the other's list.
    if (list && list == FAudios) return;
    ExchangeFieldElement(FImages, list);
    if (FImages && IndexOf(FImages) < 0) FImages = nullptr;
}

void Tgis_Note::SetAudios(TStringListElement* list) {
    if (list && list == FImages) return;
    ExchangeFieldElement(FAudios, list);
    if (FAudios && IndexOf(FAudios) < 0) FAudios = nullptr;
}

bool Tgis_Note::CheckImages() {
    if (!FImages) {
        auto* list = new TStringListElement;
        list->SetName(QStringLiteral("IMG"));
        SetImages(list);
    }
    return true;
}

bool Tgis_Note::CheckAudios() {
    if (!FAudios) {
        auto* list = new TStringListElement;
        list->SetName(QStringLiteral("AUD"));
        SetAudios(list);
    }
    return true;
}

bool Tgis_Note::GetNoImages() const {
    return !FImages || FImages->ElementsCount() == 0;
}

bool Tgis_Note::GetNoAudios() const {
    return !FAudios || FAudios->ElementsCount() == 0;
}

void registerUserPointClasses() {
    RegisterZeltoClass(Tgis_Note::StaticClass());
    RegisterZeltoClass(Tgis_PointElement::StaticClass());
}

} // namespace zelto
