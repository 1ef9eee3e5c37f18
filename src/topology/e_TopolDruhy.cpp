#include "e_TopolDruhy.h"

#include "framework/e_Class.h"

namespace zelto {

void TTopolDruh::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TTopolDruh::FKOD>("KOD");
    b.field<&TTopolDruh::FBarva>("Barva");
    b.field<&TTopolDruh::FZnacka>("Znacka");
    b.field<&TTopolDruh::FTyp>("Typ");
    b.field<&TTopolDruh::FTrida>("Trida");
    b.field<&TTopolDruh::FZaloha>("Zaloha");
}
ZELTO_IMPLEMENT_CLASS(TTopolDruh, TOwnerElement, "e_TopolDruhy")

void TTopolDruhCollection::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TTopolDruhCollection::GetActualDruh, &TTopolDruhCollection::SetActualDruh>("ActualDruh")
        .stored(false);
    b.writeOnly<&TTopolDruhCollection::SetFindDruhKod>("FindDruhKod").stored(false);
    b.writeOnly<&TTopolDruhCollection::SetFindDruhName>("FindDruhName").stored(false);
    b.readOnly<&TTopolDruhCollection::GetActualDruhName>("ActualDruhName").stored(false);
    b.readOnly<&TTopolDruhCollection::GetActualDruhKod>("ActualDruhKod").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TTopolDruhCollection, TOwnerEntity, "e_TopolDruhy")

TTopolDruh* TTopolDruhCollection::GetActualDruh() const {
    return m_actual && IndexOf(m_actual) >= 0 ? m_actual : nullptr;
}

QString TTopolDruhCollection::GetActualDruhName() const {
    const TTopolDruh* k = GetActualDruh();
    return k ? k->GetName() : QStringLiteral(" ");
}

qint32 TTopolDruhCollection::GetActualDruhKod() const {
    const TTopolDruh* k = GetActualDruh();
    return k ? k->FKOD : 0;
}

void TTopolDruhCollection::SetFindDruhKod(qint32 code) {
    m_actual = nullptr;
    for (TElement* e : FElements)
        if (auto* k = zelto_cast<TTopolDruh>(e); k && k->FKOD == code) {
            m_actual = k;
            return;
        }
}

void TTopolDruhCollection::SetFindDruhName(const QString& name) {
    m_actual = zelto_cast<TTopolDruh>(FindElementName(name));
}

void TTopolDruhy::DeclareProperties(TPropTableBuilder& b) {
    b.readOnly<&TTopolDruhy::GetL>("L").stored(false);
    b.readOnly<&TTopolDruhy::GetP>("P").stored(false);
    b.readOnly<&TTopolDruhy::GetB>("B").stored(false);
    b.writeOnly<&TTopolDruhy::SetFindLDruhKod>("FindLDruhKod").stored(false);
    b.writeOnly<&TTopolDruhy::SetFindLDruhName>("FindLDruhName").stored(false);
    b.writeOnly<&TTopolDruhy::SetFindBDruhKod>("FindBDruhKod").stored(false);
    b.writeOnly<&TTopolDruhy::SetFindBDruhName>("FindBDruhName").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TTopolDruhy, TTopolDruhCollection, "e_TopolDruhy")

TTopolDruhCollection* TTopolDruhy::collection(const QString& name) {
    // Only a kind collection counts: a kind that happens to be named "B" is not taken for one.
    return NamedChild<TTopolDruhCollection>(name);
}

TTopolDruhCollection* TTopolDruhy::GetL() {
    return collection(QStringLiteral("L"));
}
TTopolDruhCollection* TTopolDruhy::GetP() {
    return collection(QStringLiteral("P"));
}
TTopolDruhCollection* TTopolDruhy::GetB() {
    return collection(QStringLiteral("B"));
}

void registerTopolDruhClasses() {
    RegisterZeltoClass(TTopolDruh::StaticClass());
    RegisterZeltoClass(TTopolDruhCollection::StaticClass());
    RegisterZeltoClass(TTopolDruhy::StaticClass());
}

} // namespace zelto
