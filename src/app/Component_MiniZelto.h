// The host component: a host application creates one TMiniZelto, sets its properties and event
// handlers and calls DoIt, which creates the map form (once per component) and the package's
// secondary windows (once per process), shows the form and may open a project.
#pragma once

#include "ZeltoEvent.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

namespace zelto {

class TMainForm;
class Tgis_PorostniSkupina;

class TMiniZelto : public QObject {
    Q_OBJECT
    // The stored properties, in their order; strings default to empty, Booleans and Integers are
    // always stored.
    Q_PROPERTY(QString Oddeleni READ GetOddeleni WRITE SetOddeleni)
    Q_PROPERTY(QString Dilec READ GetDilec WRITE SetDilec)
    Q_PROPERTY(QString Porost READ GetPorost WRITE SetPorost)
    Q_PROPERTY(QString Skupina READ GetSkupina WRITE SetSkupina)
    Q_PROPERTY(bool MapVisible READ GetMapVisible WRITE SetMapVisible)
    Q_PROPERTY(bool MapCloseIsVisible READ GetMapCloseIsVisible WRITE SetMapCloseIsVisible)
    Q_PROPERTY(bool AutoOpenProject READ GetAutoOpenProject WRITE SetAutoOpenProject)
    Q_PROPERTY(QString AutoOpenProjectFile READ GetAutoOpenProjectFile WRITE SetAutoOpenProjectFile)
    Q_PROPERTY(zelto::TZeltoEvent OnSelectJPRL READ GetOnSelectJPRL WRITE SetOnSelectJPRL)
    Q_PROPERTY(zelto::TZeltoEvent OnMapReady READ GetOnMapReady WRITE SetOnMapReady)
    Q_PROPERTY(zelto::TZeltoEvent OnDataReady READ GetOnDataReady WRITE SetOnDataReady)
    Q_PROPERTY(int ErrCode READ GetErrCode WRITE SetErrCode)
    Q_PROPERTY(bool DataOnBackGround READ GetDataOnBackGround WRITE SetDataOnBackGround)
    Q_PROPERTY(bool MapOnBackground READ GetMapOnBackground WRITE SetMapOnBackground)
    Q_PROPERTY(bool OpenButtonVisible READ GetOpenButtonVisible WRITE SetOpenButtonVisible)
    Q_PROPERTY(bool GPS_Active READ GetGPS_Active WRITE SetGPS_Active)
    Q_PROPERTY(int ActualMapIndex READ GetActualMapIndex WRITE SetActualMapIndex)
    Q_PROPERTY(QString User READ GetUser WRITE SetUser)

public:
    explicit TMiniZelto(QObject* owner = nullptr);
    ~TMiniZelto() override;

    // Registers the component class on its palette page.
    static void Register();
    // The palette page of a registered component class; empty for one not registered.
    static QString PalettePage(const QString& className);

    QString GetOddeleni() const;
    void SetOddeleni(const QString& v);
    QString GetDilec() const;
    void SetDilec(const QString& v);
    QString GetPorost() const;
    void SetPorost(const QString& v);
    QString GetSkupina() const;
    void SetSkupina(const QString& v);
    bool GetMapVisible() const;
    void SetMapVisible(bool v);
    bool GetMapCloseIsVisible() const;
    void SetMapCloseIsVisible(bool v);
    bool GetAutoOpenProject() const { return FAutoOpenProject; }
    void SetAutoOpenProject(bool v) { FAutoOpenProject = v; }
    QString GetAutoOpenProjectFile() const { return FAutoOpenProjectFile; }
    void SetAutoOpenProjectFile(const QString& v) { FAutoOpenProjectFile = v; }
    TZeltoEvent GetOnSelectJPRL() const { return FOnSelectJPRL; }
    void SetOnSelectJPRL(TZeltoEvent e) { FOnSelectJPRL = std::move(e); }
    TZeltoEvent GetOnMapReady() const { return FOnMapReady; }
    void SetOnMapReady(TZeltoEvent e) { FOnMapReady = std::move(e); }
    TZeltoEvent GetOnDataReady() const { return FOnDataReady; }
    void SetOnDataReady(TZeltoEvent e) { FOnDataReady = std::move(e); }
    int GetErrCode() const { return FError; }
    void SetErrCode(int v) { FError = v; }
    bool GetDataOnBackGround() const { return FDataOnBackGround; }
    void SetDataOnBackGround(bool v);
    bool GetMapOnBackground() const { return FMapOnBackground; }
    void SetMapOnBackground(bool v) { FMapOnBackground = v; }
    bool GetOpenButtonVisible() const { return FOpenButtonVisible; }
    void SetOpenButtonVisible(bool v);
    bool GetGPS_Active();
    void SetGPS_Active(bool v);
    int GetActualMapIndex() const;
    void SetActualMapIndex(int index);
    QString GetUser() const { return FUser; }
    void SetUser(const QString& v);

    // The stand group the form's forest unit selector holds; none without one.
    Tgis_PorostniSkupina* GetSelectedSkupina() const;

    void DoIt();
    // Starts a remote import in the layer import window, into this component's map form: the
    // window opens on the file (ShowDialog), or the file is imported without it by the mode
    // WhatToDo. Nothing happens before DoIt.
    void Import(const QString& aFileName, bool ShowDialog, int WhatToDo, const QString& aLayerName);
    // Moves the form's view to the unit named by Oddeleni, Dilec, Porost and Skupina.
    void ShowTheForest(bool Highlight);
    // Replaces MList's contents with the names of the form's maps. Answers false in every case
    // (what it should report was never settled).
    bool RetrieveMapList(QStringList* MList);

    // This component's map form; none before the first DoIt.
    TMainForm* Form() const;

private:
    int FError = 0;
    bool FAutoOpenProject = false;
    QString FAutoOpenProjectFile;
    TZeltoEvent FOnSelectJPRL;
    bool FDataOnBackGround = false;
    TZeltoEvent FOnDataReady;
    TZeltoEvent FOnMapReady;
    bool FMapOnBackground = false;
    bool FOpenButtonVisible = false;
    bool FGPS_Active = false;
    QString FUser;
    QPointer<TMainForm> FM;
};

} // namespace zelto

Q_DECLARE_METATYPE(zelto::TZeltoEvent)
