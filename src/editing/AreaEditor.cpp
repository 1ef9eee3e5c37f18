#include "AreaEditor.h"

#include "forest/e_LHCElements.h"
#include "framework/TextLocale.h"
#include "framework/e_Class.h"
#include "framework/e_Props.h"
#include "geometry/e_Geometry.h"
#include "geometry/e_GeometryElement.h"
#include "topology/e_QTree.h"
#include "topology/t_Applac.h"
#include "topology/t_AreMak.h"
#include "topology/t_LineExtractor.h"
#include "topology/t_QTreeTools.h"

#include <cmath>
#include <unordered_set>

namespace zelto {

namespace {

// How far around the stand group's rectangle lines are collected (metres).
constexpr double LineSearchMargin = 5;
// Default years of a new clearing: a tapped one and one drawn as a polygon.
constexpr qint32 TapClearingYear = 2020;
constexpr qint32 PolygonClearingYear = 2019;
constexpr qint32 ClearingGroup = 42;

// The layer whose deleted-object records a sub-layer's deletions go to: its user layer.
TComplicatedGECollection* recordLayerOf(TComplicatedGECollection* layer) {
    if (!layer) return nullptr;
    if (auto* owner = zelto_cast<TComplicatedGECollection>(
            layer->FindOwnerClass(TComplicatedGECollection::StaticClass())))
        return owner;
    return layer;
}

// Takes an element out of every leaf of a quadtree (the tree is one of its owners).
void removeFromTree(TQTree* node, TElement* element) {
    if (!node) return;
    for (int i = node->ElementsCount() - 1; i >= 0; --i) {
        TElement* child = node->FElements.at(i);
        if (child == element)
            node->RemoveElementIndex(i);
        else if (auto* sub = zelto_cast<TQTree>(child))
            removeFromTree(sub, element);
    }
}

} // namespace

void TKordlinAreaEditor::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TKordlinAreaEditor::FDefSluGroup>("DefSluGroup");
    b.field<&TKordlinAreaEditor::FDefSluSymbol>("DefSluSymbol");
    b.field<&TKordlinAreaEditor::FDefSluColor>("DefSluColor");
    b.field<&TKordlinAreaEditor::FDefSluSymbolExtra>("DefSluSymbolExtra");
}
ZELTO_IMPLEMENT_CLASS(TKordlinAreaEditor, TTool, "KordlinAreaEditor")

TKordlinAreaEditor::TKordlinAreaEditor() = default;

TKordlinAreaEditor::~TKordlinAreaEditor() {
    // The dialog must not call back into an editor that is gone.
    DetachDialog();
    reset();
    Deactivate();
}

void TKordlinAreaEditor::Deactivate() {
    reset();
    for (TRectEntityQTree** tree : {&FTargetQT, &FConstructQT, &FSluQT, &FFrameQT}) {
        delete *tree;
        *tree = nullptr;
    }
    FEditorStatus = gesPrepare;
}

void TKordlinAreaEditor::DetachDialog() {
    if (!m_dialog) return;
    m_dialog->SetOnOK(nullptr);
    m_dialog->SetOnCancel(nullptr);
    m_dialog->SetOnDelete(nullptr);
    m_dialog->SetOnClose(nullptr);
    m_dialog = nullptr;
}

void TKordlinAreaEditor::caption(const QString& text) {
    m_caption = text;
    if (Hooks.Caption) Hooks.Caption(text);
}

Tgis_PorostniSkupina* TKordlinAreaEditor::findForest(double x, double y) const {
    return Hooks.FindForest ? Hooks.FindForest(x, y) : nullptr;
}

// ---- activation ---------------------------------------------------------------------------------

void TKordlinAreaEditor::on_Activate() {
    FEditorStatus = gesPrepare;
    PrepareQTrees();
    FEditorStatus = gesSelect;
}

TRectEntityQTree* TKordlinAreaEditor::buildTree(TComplicatedGECollection* layer, const QString& name) {
    if (!layer) return nullptr;
    TAddEntityToQTree add;
    add.SetInput(layer);
    add.DoIt();
    auto* tree = zelto_cast<TRectEntityQTree>(add.GetOutput());
    if (tree) tree->SetName(name);
    return tree;
}

void TKordlinAreaEditor::PrepareQTrees() {
    for (TRectEntityQTree** tree : {&FTargetQT, &FConstructQT, &FSluQT, &FFrameQT}) {
        delete *tree;
        *tree = nullptr;
    }
    FTargetQT = buildTree(FTargetLevel, QStringLiteral("Target QT"));
    FConstructQT = buildTree(FConstructLevel, QStringLiteral("Construct QT"));
    FSluQT = buildTree(FSluLevel, QStringLiteral("SLU QT"));
    FFrameQT = buildTree(FFrameLevel, QStringLiteral("Frame QT"));
}

// ---- a tap ----------------------------------------------------------------------------------------

void TKordlinAreaEditor::ChangeCursor() {
    if (!FQTFinder) FQTFinder = std::make_unique<TFindRectEntityInQTreeByXY>();
    if (FQTFinder->GetBusy()) return;
    FTargetFound = FFrameFound = false;
    if (FTargetQT) {
        FQTFinder->SetInput(FTargetQT);
        FQTFinder->FX = FX;
        FQTFinder->FY = FY;
        FQTFinder->SetTolerance(0);
        FQTFinder->DoIt();
        FTargetFound = zelto_cast<Tgis_UserAreaElement>(FQTFinder->GetOutput()) != nullptr;
    }
    if (!FTargetFound) {
        FBigFrame = findForest(FX, FY);
        FFrameFound = FBigFrame != nullptr;
    }
}

void TKordlinAreaEditor::On_tm_MouseUp(double x, double y, bool& Handled) {
    caption(QStringLiteral("Hledani ploch  a PSK"));
    if (FEditorStatus != gesSelect) return;
    Handled = true;
    FX = x;
    FY = y;
    ChangeCursor();
    if (!FTargetFound && !FFrameFound) return;
    if (FTargetFound) {
        FGArea = zelto_cast<Tgis_UserAreaElement>(FQTFinder->GetOutput());
        FArea = zelto_cast<TAreaElement>(FGArea->GetGeometry());
        SetInput(FGArea);
        SetOutput(FGArea);
        FFrame = nullptr;
        FBigFrame = nullptr;
        if (FArea) {
            const double rx = FArea->GetRefX(), ry = FArea->GetRefY();
            FBigFrame = findForest(rx, ry);
            if (FBigFrame && FBigFrame->GetGeometry())
                FFrame = FBigFrame->GetGeometry()->GetSimpleGeometryByXY(rx, ry, 0);
        }
    } else {
        if (Hooks.Busy) Hooks.Busy(true);
        FGArea = nullptr;
        SetInput(nullptr);
        TGeometry* shape = FBigFrame->GetGeometry();
        FFrame = shape ? shape->GetSimpleGeometryByXY(FX, FY, 0) : nullptr;
        caption(QStringLiteral("Hledani linii"));
        FindLines();
        caption(QStringLiteral("Delam plochu ") + QString::number(FLines ? FLines->ElementsCount() : 0));
        MakeArea();
        if (Hooks.Busy) Hooks.Busy(false);
    }
    FEditorStatus = gesEdit;
    if (!FArea) {
        caption(QStringLiteral("Tak nic "));
        reset();
        FEditorStatus = gesSelect;
        return;
    }
    caption(QStringLiteral("Kresleni"));
    XORDraw();
    prepareDialog(true);
    caption(QStringLiteral("Editace ploch"));
}

// ---- collecting the lines -----------------------------------------------------------------------

void TKordlinAreaEditor::FindLinesInEntity(TElement* entity, bool copy) {
    if (!entity || !FLines) return;
    TLineExtractor extractor;
    extractor.FCopyLines = copy;
    // A plain area (a stand group's piece, a drawn user area) has no lines of its own: its rings
    // are collected as closed lines.
    extractor.FRingsAsLines = copy;
    extractor.SetInput(entity);
    extractor.SetOutput(FLines);
    extractor.DoIt();
}

void TKordlinAreaEditor::FindLinesInQT(TRectEntityQTree* tree, bool copy) {
    if (!tree || !FFrame || !FLines) return;
    TRectangle* rect = FFrame->GetRect();
    if (!rect) return;
    TQTreeWalker walker;
    std::unordered_set<TElement*> seen;
    for (TElement* e = walker.GetFirstElementForRectangle(tree, rect->GetMinX(), rect->GetMinY(),
                                                          rect->GetMaxX(), rect->GetMaxY(), LineSearchMargin);
         e; e = walker.GetNextElement()) {
        if (seen.insert(e).second) FindLinesInEntity(e, copy);
    }
}

void TKordlinAreaEditor::FindLines() {
    ClearLines();
    FLines = new TPolyLineString;
    FLines->SetName(QStringLiteral("Founded lines"));
    FindLinesInEntity(FFrame, true);
    FindLinesInQT(FSluQT, true);
    FindLinesInQT(FTargetQT, true);
    FindLinesInQT(FConstructQT, true);
    for (TElement* e : FLines->FElements)
        if (auto* line = zelto_cast<TPolyElement>(e)) line->ResetAndUpdate();
    FLines->Update();
}

// ---- building the area --------------------------------------------------------------------------

bool TKordlinAreaEditor::MakeArea() {
    FArea = nullptr;
    if (!FLines || FLines->ElementsCount() == 0) {
        PostTextMsg(tm_AddToProtocol, GetName() + QStringLiteral(": No lines for Area Found! "), nullptr);
        return false;
    }
    try {
        TCreateAreasFromLinesTool tool;
        tool.SetInput(FLines);
        tool.DoIt();
        FAreas = zelto_cast<TAreaString>(tool.GetOutput());
        if (FAreas) {
            for (TElement* e : FAreas->FElements) {
                auto* area = zelto_cast<TAreaElement>(e);
                if (area && area->IsHitByXY(FX, FY, 0)) {
                    FArea = area;
                    break;
                }
            }
        }
        SetOutput(FArea);
    } catch (const std::exception& e) {
        // The lines are copies: dropping what was built leaves every layer as it was.
        freeBuild();
        if (Hooks.Message)
            Hooks.Message(QStringLiteral("Plochu se nepodařilo vytvořit: ") + QString::fromUtf8(e.what()));
        return false;
    }
    return FArea != nullptr;
}

void TKordlinAreaEditor::freeBuild() {
    FArea = nullptr;
    SetOutput(nullptr);
    // The areas first: they refer to the lines.
    delete std::exchange(FAreas, nullptr);
    ClearLines();
}

void TKordlinAreaEditor::ClearLines() {
    if (FArea) {
        std::vector<TAreaElement*> areas{FArea};
        if (THolesEntity* holes = FArea->GetHoles())
            for (TElement* e : holes->FElements)
                if (auto* hole = zelto_cast<TAreaElement>(e)) areas.push_back(hole);
        for (TAreaElement* area : areas) {
            if (!area->Is<TPolyLineAreaElement>()) continue;
            for (TElement* line : area->FElements) {
                for (int i = line->GetOwnersCount() - 1; i >= 0; --i) {
                    TEntity* owner = line->GetOwnerEntity(i);
                    if (owner && !owner->Is<TAreaElement>()) owner->RemoveElement(line);
                }
            }
        }
    }
    delete std::exchange(FLines, nullptr);
}

// ---- the polygon path ---------------------------------------------------------------------------

bool TKordlinAreaEditor::OnQuickArea(TPolyLineElement* mline) {
    if (!mline || mline->GetCoordsCount() <= 2) {
        delete mline;
        if (Hooks.StartWaitingTool) Hooks.StartWaitingTool();
        return false;
    }
    reset();
    FGArea = nullptr;
    SetInput(nullptr);
    auto* area = new TPolyLineAreaElement;
    mline->AddXY(mline->GetX(0), mline->GetY(0));
    mline->RecalculateRect();
    area->AddPolyLine(mline, true);
    area->RecalculateRect();
    TAreaPointPlacer placer;
    placer.SetInput(area);
    placer.DoIt();
    FArea = area;
    SetOutput(FArea);
    FEditorStatus = gesEdit;
    XORDraw();
    FBigFrame = findForest(FArea->GetRefX(), FArea->GetRefY());
    FFrame = nullptr;
    prepareDialog(false);
    return true;
}

// ---- the dialog ---------------------------------------------------------------------------------

void TKordlinAreaEditor::prepareDialog(bool tapPath) {
    if (!m_dialog || !FArea) return;
    TAreaDialogPort& d = *m_dialog;
    d.SetArea(std::abs(FArea->GetArea()) / 10000);
    d.SetBigFrame(FBigFrame);
    d.SetHolina(FHolina);
    const bool isNew = GetInput() == nullptr;
    d.SetNewObject(isNew);
    if (tapPath) d.CheckColors();
    if (FGArea) d.SetBarva(FGArea->FBarva);
    auto text = [this](const char* name) {
        return FGArea ? FGArea->GetPropertyStringByName(QString::fromLatin1(name)) : QString();
    };
    if (FHolina) {
        if (isNew) {
            const QString name = FBigFrame ? FBigFrame->GetName() : QString();
            d.SetEtaz(name.section(QLatin1Char('/'), 0, 0));
            d.SetIndex(QString());
            d.SetRokUpdate(true);
            d.SetRok(tapPath ? TapClearingYear : PolygonClearingYear);
            d.SetRokUpdate(false);
            d.SetPozn(QString());
        } else {
            d.SetEtaz(text("ETAZ"));
            d.SetIndex(text("INDEXHOLINY"));
            qint32 year = 0;
            if (!tryParseInt32(text("ROK").trimmed(), year)) year = 0;
            d.SetRokUpdate(true);
            d.SetRok(year);
            d.SetRokUpdate(false);
            d.SetPozn(text("Poznamka"));
        }
    } else {
        d.SetPozn(isNew ? QString() : text("Poznamka"));
    }
    d.SetOnOK([this] { OnDialogOK(); });
    d.SetOnDelete([this] { OnDialogDelete(); });
    d.SetOnCancel([this] { OnDialogCancel(); });
    d.SetOnClose([this] { OnDialogCancel(); });
    d.Show();
}

void TKordlinAreaEditor::OnDialogOK() {
    if (FEditorStatus != gesEdit || !FArea) return;
    const QString user = Hooks.User ? Hooks.User() : QString();
    const qint32 barva = m_dialog ? m_dialog->GetBarva() : 13;
    Tgis_UserAreaElement* element = FGArea;
    if (!element) {
        if (!FTargetLevel) {
            OnDialogCancel();
            return;
        }
        ClearLines();
        element = new Tgis_UserAreaElement;
        // Out of the built set: the element owns the area from now on.
        if (FAreas && FAreas->IndexOf(FArea) >= 0) FAreas->RemoveElement(FArea);
        element->SetGeometry(FArea);
        element->FDruh = 1;
        element->FZnacka = 1;
        element->FBarva = barva;
        element->CreateUUID();
        element->FTimeStamp = nowAsDateTime();
        element->FUID = user;
        element->Update();
        FTargetLevel->AddAndUpdateRect(element);
        if (FTargetQT) FTargetQT->SetNextRectEntity(element);
        FGArea = element;
    } else if (element->FBarva != barva) {
        element->FBarva = barva;
        element->FTimeStamp = nowAsDateTime();
        element->FUID = user;
    }
    if (FHolina) {
        element->FDruh = ClearingGroup;
        if (!element->GetProperties()) element->SetProperties(new TDynamicProperties);
        element->SetPropertyStringByName(QStringLiteral("ETAZ"), m_dialog ? m_dialog->GetEtaz() : QString());
        element->SetPropertyStringByName(QStringLiteral("INDEXHOLINY"),
                                         m_dialog ? m_dialog->GetIndex() : QString());
        element->SetPropertyStringByName(QStringLiteral("ROK"),
                                         QString::number(m_dialog ? m_dialog->GetRok() : 0));
        element->SetPropertyStringByName(QStringLiteral("Poznamka"),
                                         m_dialog ? m_dialog->GetPozn() : QString());
    } else {
        if (!element->GetProperties()) element->SetProperties(new TDynamicProperties);
        element->SetPropertyStringByName(QStringLiteral("Poznamka"),
                                         m_dialog ? m_dialog->GetPozn() : QString());
    }
    if (Hooks.LayersChanged) Hooks.LayersChanged();
    reset();
    if (Hooks.Review) Hooks.Review();
    if (Hooks.StartWaitingTool) Hooks.StartWaitingTool();
}

void TKordlinAreaEditor::OnDialogDelete() {
    if (FEditorStatus != gesEdit) return;
    if (Tgis_UserAreaElement* element = FGArea) {
        if (TComplicatedGECollection* records = recordLayerOf(FTargetLevel);
            records && !element->FUUID.isEmpty())
            records->AddDeletedUUID(element->FUUID);
        FGArea = nullptr;
        FArea = nullptr;
        SetInput(nullptr);
        SetOutput(nullptr);
        removeFromTree(FTargetQT, element);
        if (FTargetLevel && FTargetLevel->IndexOf(element) >= 0) FTargetLevel->FreeElement(element);
    }
    if (Hooks.LayersChanged) Hooks.LayersChanged();
    reset();
    if (Hooks.Review) Hooks.Review();
}

void TKordlinAreaEditor::OnDialogCancel() {
    if (FEditorStatus != gesEdit) return;
    reset();
    if (Hooks.Review) Hooks.Review();
    if (Hooks.StartWaitingTool) Hooks.StartWaitingTool();
}

void TKordlinAreaEditor::reset() {
    if (Hooks.Highlight) Hooks.Highlight(nullptr, FColor);
    const bool kept = FGArea != nullptr; // an area of the layer, not one built here
    if (kept) FArea = nullptr;
    // A built area that was not kept goes with the set it was built in, or on its own (a polygon).
    if (FArea && (!FAreas || FAreas->IndexOf(FArea) < 0)) delete FArea;
    FArea = nullptr;
    delete std::exchange(FAreas, nullptr);
    SetInput(nullptr);
    SetOutput(nullptr);
    FGArea = nullptr;
    ClearLines();
    FFrame = nullptr;
    FBigFrame = nullptr;
    if (FEditorStatus == gesEdit) FEditorStatus = gesSelect;
}

void TKordlinAreaEditor::XORDraw() {
    if (Hooks.Highlight) Hooks.Highlight(FArea, FColor);
}

void TKordlinAreaEditor::Forget(TElement* element) {
    if (!element) return;
    for (TRectEntityQTree* tree : {FTargetQT, FConstructQT, FSluQT, FFrameQT}) removeFromTree(tree, element);
    if (element == FGArea || element == FBigFrame) {
        if (element == FGArea) FArea = nullptr;
        reset();
    }
}

void registerAreaEditorClasses() {
    RegisterZeltoClass(TKordlinAreaEditor::StaticClass());
}

} // namespace zelto
