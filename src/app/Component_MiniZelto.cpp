#include "Component_MiniZelto.h"

#include "Forest.h"
#include "ImportLayer.h"
#include "Kordlin_Main.h"
#include "NoteWindows.h"
#include "SecondaryWindows.h"
#include "TiledMap.h"
#include "UiKit.h"

#include "forest/e_LHCModel.h"
#include "forest/t_ForestModelSelector.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHash>
#include <QListWidget>
#include <QThread>

namespace zelto {

namespace {

QHash<QString, QString>& palette() {
    static QHash<QString, QString> pages;
    return pages;
}

} // namespace

TMiniZelto::TMiniZelto(QObject* owner) : QObject(owner) {
    // The note windows are the package's own; a host may still set other factories before DoIt.
    registerNoteWindows();
    registerImportWindow();
}

TMiniZelto::~TMiniZelto() = default;

TMainForm* TMiniZelto::Form() const {
    return FM.data();
}

void TMiniZelto::Register() {
    palette().insert(QString::fromLatin1(staticMetaObject.className()).section(QStringLiteral("::"), -1),
                     QStringLiteral("ZeltoM"));
}

QString TMiniZelto::PalettePage(const QString& className) {
    return palette().value(className);
}

// ---- properties held by the form --------------------------------------------------------------

QString TMiniZelto::GetOddeleni() const {
    return FM ? FM->Forest().S_Oddeleni : QString();
}
void TMiniZelto::SetOddeleni(const QString& v) {
    if (FM) FM->Forest().S_Oddeleni = v;
}
QString TMiniZelto::GetDilec() const {
    return FM ? FM->Forest().S_Dilec : QString();
}
void TMiniZelto::SetDilec(const QString& v) {
    if (FM) FM->Forest().S_Dilec = v;
}
QString TMiniZelto::GetPorost() const {
    return FM ? FM->Forest().S_Porost : QString();
}
void TMiniZelto::SetPorost(const QString& v) {
    if (FM) FM->Forest().S_Porost = v;
}
QString TMiniZelto::GetSkupina() const {
    return FM ? FM->Forest().S_Skupina : QString();
}
void TMiniZelto::SetSkupina(const QString& v) {
    if (FM) FM->Forest().S_Skupina = v;
}

bool TMiniZelto::GetMapVisible() const {
    return FM && FM->isVisible();
}
void TMiniZelto::SetMapVisible(bool v) {
    if (FM) FM->setVisible(v);
}

bool TMiniZelto::GetMapCloseIsVisible() const {
    return FM && FM->GetCloseIsVisible();
}
void TMiniZelto::SetMapCloseIsVisible(bool v) {
    if (FM) FM->SetCloseIsVisible(v);
}

void TMiniZelto::SetDataOnBackGround(bool v) {
    FDataOnBackGround = v;
    if (FM) FM->SetDataOnBackGround(v);
}

void TMiniZelto::SetOpenButtonVisible(bool v) {
    FOpenButtonVisible = v;
    if (FM) FM->SetOpenButtonVisible(v);
}

bool TMiniZelto::GetGPS_Active() {
    if (FM) FGPS_Active = FM->GetGpsOn();
    return FGPS_Active;
}

void TMiniZelto::SetGPS_Active(bool v) {
    FGPS_Active = v;
    if (FM && v != FM->GetGpsOn()) FM->Button4Click();
}

int TMiniZelto::GetActualMapIndex() const {
    return FM ? FM->TiledMap().ActualMap : -1;
}

void TMiniZelto::SetActualMapIndex(int index) {
    if (!FM) return;
    TTiledMapController& map = FM->TiledMap();
    map.MapChangeActive = false;
    map.SetMapComboIndex(index);
    map.MapChangeActive = true;
    map.MapComboChange();
}

void TMiniZelto::SetUser(const QString& v) {
    FUser = v;
    if (FM) FM->SetUser(v);
}

Tgis_PorostniSkupina* TMiniZelto::GetSelectedSkupina() const {
    return FM ? FM->Forest().SelectedSkupina() : nullptr;
}

// ---- operations -------------------------------------------------------------------------------

void TMiniZelto::DoIt() {
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    // 1. The secondary windows, once per process.
    createSecondaryWindows();
    // 2. This component's form, once.
    if (!FM) {
        auto* form = new TMainForm;
        ownByApplication(form);
        FM = form;
        MainForm = form;
        form->SetOnSelectJPRL(FOnSelectJPRL);
        form->SetOnMapReady(FOnMapReady);
        form->SetOnDataReady(FOnDataReady);
        form->SetDataOnBackGround(FDataOnBackGround);
        form->SetOpenButtonVisible(FOpenButtonVisible);
    }
    // 3. - 6.
    FM->SetUser(FUser);
    if (!FMapOnBackground) FM->show();
    if (FAutoOpenProject) FM->LoadProject(FAutoOpenProjectFile);
    if (FGPS_Active != FM->GetGpsOn()) FM->Button4Click();
}

void TMiniZelto::Import(const QString& aFileName, bool ShowDialog, int WhatToDo, const QString& aLayerName) {
    if (!FM) return;
    if (TImportLayer_Form* window = FM->ImportWindow())
        window->RemoteStart(true, aFileName, ShowDialog, WhatToDo, aLayerName);
}

void TMiniZelto::ShowTheForest(bool Highlight) {
    FError = 0;
    if (!FM) return;
    FM->ShowTheForest(Highlight);
    FError = FM->GetFError();
}

bool TMiniZelto::RetrieveMapList(QStringList* MList) {
    if (FM && MList) {
        *MList = FM->TiledMap().MapNames();
    }
    return false;
}

} // namespace zelto
