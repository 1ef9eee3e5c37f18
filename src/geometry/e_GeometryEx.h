// The two point classes of the user layers: symbol points and notes with photos and recordings.
#pragma once

#include "e_Geometry.h"

namespace zelto {

class TStringListElement;

// A user point drawn with a symbol.
class Tgis_PointElement : public TPointElement {
    ZELTO_CLASS(Tgis_PointElement, TPointElement)
public:
    qint32 FSymbol = 0;
    qint32 FComment = 0;
    qint32 FColor = 0;
    qint32 FStatus = 0;
    qint32 FGroup = 0;
};

// A note at a point. Its attachments are two string lists (children): each entry's name is a file
// name in the project's photo or audio directory, its value the label shown in lists.
class Tgis_Note : public TPointElement {
    ZELTO_CLASS(Tgis_Note, TPointElement)
public:
    // An element that already is a child is not added a second time.
    void AddElement(TElement* element) override;
    void RemoveElement(TElement* element) override;

    QString GetText() const { return FText; }
    void SetText(const QString& text) { FText = text; }
    TStringListElement* GetImages() const { return FImages; }
    TStringListElement* GetAudios() const { return FAudios; }
    // Replace the list child (the previous list is freed).
    void SetImages(TStringListElement* list);
    void SetAudios(TStringListElement* list);
    // Create the lists ("IMG", "AUD") when missing.
    bool CheckImages();
    bool CheckAudios();
    bool GetNoImages() const;
    bool GetNoAudios() const;

private:
    TStringListElement* FImages = nullptr; // a child
    TStringListElement* FAudios = nullptr; // a child
    QString FText;
};

void registerUserPointClasses();

} // namespace zelto
