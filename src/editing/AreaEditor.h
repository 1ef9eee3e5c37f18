// The area editor: user areas of a layer made without drawing them vertex by vertex. A tap inside
// a region closed by the stand group's boundary, the construction lines and the existing areas
// builds that region's area (the lines around it go through the areas-from-lines pipeline); a tap
// on an existing area opens it; a polygon drawn with the line tool becomes an area directly. The
// attributes are entered in the area dialog, which the editor sees through TAreaDialogPort; what
// the editor needs of the window (the stand group under a point, the action bar, the highlight,
// saving) it asks through its hooks.
//
// Lines handed to the pipeline are always copies: building an area never changes or frees a line
// that belongs to a layer, and a build that fails leaves the layers as they were.
#pragma once

#include "framework/Tools.h"

#include <QString>

#include <functional>
#include <memory>

namespace zelto {

class TAreaElement;
class TAreaString;
class TComplicatedGECollection;
class TEntity;
class TFindRectEntityInQTreeByXY;
class TGeometry;
class TPolyLineElement;
class TPolyLineString;
class TRectEntityQTree;
class Tgis_PorostniSkupina;
class Tgis_UserAreaElement;

// What the editor asks of the area dialog. The dialog shows the attributes of one area; its three
// answers come back through the handlers (each is dropped once the dialog has called it).
class TAreaDialogPort {
public:
    virtual ~TAreaDialogPort() = default;

    virtual void Show() = 0;
    virtual void Close() = 0;
    // The area's size, shown in hectares ("0.##" and " ha").
    virtual void SetArea(double hectares) = 0;
    // The stand group the area lies in (its label), or none ("PSK ?").
    virtual void SetBigFrame(Tgis_PorostniSkupina* group) = 0;
    virtual void SetHolina(bool clearing) = 0;
    virtual void SetNewObject(bool newObject) = 0;
    // Fills the colour list when it is empty.
    virtual void CheckColors() = 0;
    virtual void SetBarva(qint32 colorIndex) = 0;
    virtual qint32 GetBarva() const = 0;
    // While set, SetRok also selects the year in the year list and takes the year's colour.
    virtual void SetRokUpdate(bool update) = 0;
    virtual void SetRok(qint32 year) = 0;
    // The year as entered (from the year edit when there is no year list; 0 when not a number).
    virtual qint32 GetRok() const = 0;
    virtual void SetEtaz(const QString& text) = 0;
    virtual QString GetEtaz() const = 0;
    virtual void SetIndex(const QString& text) = 0;
    virtual QString GetIndex() const = 0;
    virtual void SetPozn(const QString& text) = 0;
    virtual QString GetPozn() const = 0;
    virtual void SetOnOK(std::function<void()> handler) = 0;
    virtual void SetOnCancel(std::function<void()> handler) = 0;
    virtual void SetOnDelete(std::function<void()> handler) = 0;
    virtual void SetOnClose(std::function<void()> handler) = 0;
};

enum TGraphicEditorStatus : qint32 { gesPrepare = 0, gesSelect, gesEdit, gesAdd, gesSetup };

// What the editor asks of the window; each is skipped while unset.
struct TAreaEditorHooks {
    // The stand group at a model point, or none.
    std::function<Tgis_PorostniSkupina*(double x, double y)> FindForest;
    // The action bar's caption.
    std::function<void(const QString& caption)> Caption;
    std::function<void(bool busy)> Busy;
    // Highlights the area on the map (fill colour ARGB); none clears the highlight.
    std::function<void(const TAreaElement* area, quint32 fill)> Highlight;
    std::function<QString()> User;
    // A layer's contents changed: refresh the layer list, mark the active layer modified and save
    // the user layers. Answers false when the layers could not be saved.
    std::function<bool()> LayersChanged;
    std::function<void()> Review;
    // A tool waits for the editor to finish: close the action bar and start it.
    std::function<void()> StartWaitingTool;
    // Tells the user something went wrong (a build that failed).
    std::function<void(const QString& text)> Message;
};

class TKordlinAreaEditor : public TTool {
    ZELTO_CLASS(TKordlinAreaEditor, TTool)
public:
    TKordlinAreaEditor();
    ~TKordlinAreaEditor() override;

    TAreaEditorHooks Hooks;

    // Stored defaults for areas of the stand layer (nothing sets them yet).
    qint32 FDefSluGroup = 0, FDefSluSymbol = 0, FDefSluColor = 0, FDefSluSymbolExtra = 0;

    // ---- the model's virtual operations ----
    virtual void on_Activate();
    virtual void XORDraw();
    // A tap at a model point; Handled is set when the editor took it.
    virtual void On_tm_MouseUp(double x, double y, bool& Handled);

    void PrepareQTrees();
    // Frees the quadtrees (they hold the layers' elements): the editor takes no taps until it is
    // activated again.
    void Deactivate();
    // The hit test at (FX, FY): an area of the target layer, else the stand group there.
    void ChangeCursor();
    void FindLines();
    // Copies (copy) or shares the lines of an element structure into FLines.
    void FindLinesInEntity(TElement* entity, bool copy);
    // The lines of the elements of a quadtree whose rectangles meet the frame's, 5 m around it.
    void FindLinesInQT(TRectEntityQTree* tree, bool copy);
    // Runs the areas-from-lines pipeline on FLines; FArea becomes the area containing (FX, FY).
    // Answers false when the build failed (FArea is then none and nothing of it is left).
    bool MakeArea();
    void ClearLines();
    // The line tool's polygon becomes the area (the editor takes the line; a line of fewer than
    // three vertices is freed). Answers whether the dialog was opened.
    bool OnQuickArea(TPolyLineElement* mline);
    void OnDialogOK();
    void OnDialogCancel();
    void OnDialogDelete();

    // ---- fields (the model's names) ----
    void SetDialog(TAreaDialogPort* dialog) { m_dialog = dialog; }
    // Drops the dialog's handlers and forgets the dialog.
    void DetachDialog();
    TAreaDialogPort* Dialog() const { return m_dialog; }
    void SetTargetLevel(TComplicatedGECollection* layer) { FTargetLevel = layer; }
    TComplicatedGECollection* GetTargetLevel() const { return FTargetLevel; }
    void SetConstructLevel(TComplicatedGECollection* layer) { FConstructLevel = layer; }
    TComplicatedGECollection* GetConstructLevel() const { return FConstructLevel; }
    void SetSluLevel(TComplicatedGECollection* layer) { FSluLevel = layer; }
    void SetFrameLevel(TComplicatedGECollection* layer) { FFrameLevel = layer; }
    void SetHolina(bool v) { FHolina = v; }
    bool GetHolina() const { return FHolina; }
    void SetColor(quint32 argb) { FColor = argb; }
    quint32 GetColor() const { return FColor; }
    TGraphicEditorStatus GetEditorStatus() const { return FEditorStatus; }
    TAreaElement* GetArea() const { return FArea; }
    Tgis_UserAreaElement* GetGArea() const { return FGArea; }
    Tgis_PorostniSkupina* GetBigFrame() const { return FBigFrame; }
    TGeometry* GetFrame() const { return FFrame; }
    TPolyLineString* GetLines() const { return FLines; }
    TRectEntityQTree* GetTargetQT() const { return FTargetQT; }
    TRectEntityQTree* GetConstructQT() const { return FConstructQT; }
    double GetFX() const { return FX; }
    double GetFY() const { return FY; }
    // The caption the editor last put on the action bar.
    const QString& LastCaption() const { return m_caption; }

    // Forgets an element that is being freed elsewhere (an area deleted from its layer, a layer
    // that goes): the quadtrees and the edited area no longer refer to it.
    void Forget(TElement* element);

private:
    void caption(const QString& text);
    void prepareDialog(bool tapPath);
    void reset();
    void freeBuild();
    TRectEntityQTree* buildTree(TComplicatedGECollection* layer, const QString& name);
    Tgis_PorostniSkupina* findForest(double x, double y) const;

    TAreaDialogPort* m_dialog = nullptr;
    QString m_caption;

    TComplicatedGECollection* FTargetLevel = nullptr;
    TComplicatedGECollection* FConstructLevel = nullptr;
    TComplicatedGECollection* FSluLevel = nullptr;
    TComplicatedGECollection* FFrameLevel = nullptr;
    double FX = 0, FY = 0;
    TRectEntityQTree* FTargetQT = nullptr;
    TRectEntityQTree* FConstructQT = nullptr;
    TRectEntityQTree* FSluQT = nullptr;
    TRectEntityQTree* FFrameQT = nullptr;
    bool FTargetFound = false, FFrameFound = false;
    TAreaElement* FArea = nullptr;
    Tgis_UserAreaElement* FGArea = nullptr;
    TGeometry* FFrame = nullptr;
    Tgis_PorostniSkupina* FBigFrame = nullptr;
    TPolyLineString* FLines = nullptr;
    TAreaString* FAreas = nullptr;
    std::unique_ptr<TFindRectEntityInQTreeByXY> FQTFinder, FFrameFinder;
    TGraphicEditorStatus FEditorStatus = gesPrepare;
    bool FHolina = false;
    quint32 FColor = 0xFFADFF2F;
};

// Module 42 (area editor): TKordlinAreaEditor.
void registerAreaEditorClasses();

} // namespace zelto
