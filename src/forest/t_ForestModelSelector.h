// The forest unit selector: finds the unit of a wanted class (the stand group for the map) whose
// geometry contains a model point. It descends the forest model and skips every branch whose
// bounding rectangle does not contain the point, except below units of the reference frame class,
// whose children are all entered (frames among them only where their rectangle holds the point:
// an area is hit only there). What a search reads of each unit it descends (its children, their
// rectangles, a point index over many of them) is kept until the model changes (see modelEpoch).
#pragma once

#include "e_LHCModel.h"
#include "t_FrameSelect.h"

#include <memory>

namespace zelto {

class TForestModelSelector : public TFrameSelector {
    ZELTO_CLASS(TForestModelSelector, TFrameSelector)
public:
    Tgis_ForestModel* FForestModel = nullptr; // not owned
    // A selection chain kept for the caller (not used by the search).
    TActualUnits FActual;
    QString FFrameClassName;
    const TClassInfo* FFrameClass = nullptr;
    QString FReferenceFrameClassName;
    Tgis_ForestUnit* FActualReferenceFrame = nullptr; // not owned
    const TClassInfo* FReferenceFrameClass = nullptr;

    TForestModelSelector();
    ~TForestModelSelector() override;

    // The model of the element named "Data" in the world's object model (its first forest model
    // child); none without it.
    void FindInput() override;
    // Searches at (X, Y). Does nothing while busy, without a model or without a frame class, and
    // keeps the current result while the point still lies in it.
    void DoIt() override;
    // The first unit of the frame class below aUnit whose geometry contains (x, y), or none.
    Tgis_ForestUnit* GetFrameByXY(Tgis_ForestUnit* aUnit, double x, double y);

    Tgis_ForestModel* GetForestModel() const { return FForestModel; }
    // A different model drops the result and the chain, which belong to the previous one.
    void SetForestModel(Tgis_ForestModel* model);
    void SetFrameClass(const TClassInfo* cls);
    void SetReferenceFrameClass(const TClassInfo* cls);
    QString GetFrameClassName() const { return FFrameClassName; }
    // Also looks the class up in the class registry (none for an unknown name).
    void SetFrameClassName(const QString& name);
    QString GetReferenceFrameClassName() const { return FReferenceFrameClassName; }
    void SetReferenceFrameClassName(const QString& name);
    // The tool's output: the unit found by the last search.
    Tgis_ForestUnit* GetActualFrame() const { return m_actualFrame; }
    void SetActualFrame(Tgis_ForestUnit* unit);
    Tgis_ForestUnit* GetActualReferenceFrame() const { return FActualReferenceFrame; }
    void SetActualReferenceFrame(Tgis_ForestUnit* unit) { FActualReferenceFrame = unit; }

    ZELTO_ACTUAL_UNIT_ACCESSORS(FActual)

    // How many point indexes over a unit's children the searches have built (a unit's index is
    // built when a search first enters it, and again after the model has changed).
    quint64 IndexBuilds() const { return m_indexBuilds; }

private:
    // GetFrameByXY within a search (m_search counts the searches), on the unit's entry.
    Tgis_ForestUnit* frameAt(Tgis_ItemsForestUnit* unit, struct ChildIndex& index, double x, double y);
    struct ChildIndexes;
    // The entry of a unit: what the search reads of it and its children (only forest units).
    struct ChildIndex& childIndex(Tgis_ItemsForestUnit* unit);
    // Makes the entry current for the model.
    void buildIndex(Tgis_ItemsForestUnit* unit, struct ChildIndex& index);

    Tgis_ForestUnit* m_actualFrame = nullptr; // not owned
    std::unique_ptr<ChildIndexes> m_indexes;
    quint64 m_search = 0; // counts the searches
    quint64 m_indexBuilds = 0;
};

void registerForestModelSelectorClasses();

} // namespace zelto
