// The area dialog, embedded in the map form as the frame "fmx_AreaDialog": the attributes of one
// user area (its colour and note) and, for clearings, the clearing's index and year. The block
// of controls lies at the bottom of the frame over the map, 230 px high, 300 px for a clearing;
// the rest of the frame is clear, so that the highlighted area stays in view.
//
// The area editor fills the dialog and hears its answers through TAreaDialogPort. Each answer
// ("Uložit", "Storno", "Odstranit") is given once: its handler is dropped when called, and so is
// the close handler, so that closing after an answer does not answer twice.
//
// With a clearing year table the year is chosen from a list of years, each of which brings its
// colour; without one it is typed into an edit.
#pragma once

#include "dialogs/VirtualKeyboardClient.h"

#include "editing/AreaEditor.h"

#include <QIcon>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

namespace zelto {

class TStringListElement;
class Tgis_PorostniSkupina;

namespace parts {
class TBox;
}
namespace ui {
class TTouchButton;
}

// A list swatch: a rounded square of an ARGB colour with a light edge (so that a transparent
// colour still shows where it is).
QIcon ColorSwatchIcon(quint32 argb);

class Tfmx_AreaDialog : public QWidget, public TVirtualKeyboardClient, public TAreaDialogPort {
    Q_OBJECT
public:
    // One year of the clearing year table and the colour number it brings.
    struct TYearColor {
        qint32 year = 0;
        qint32 color = 0;
    };

    explicit Tfmx_AreaDialog(QWidget* parent = nullptr);
    ~Tfmx_AreaDialog() override;

    // ---- TAreaDialogPort ----
    void Show() override;
    void Close() override;
    void SetArea(double hectares) override;
    void SetBigFrame(Tgis_PorostniSkupina* group) override;
    void SetHolina(bool clearing) override;
    void SetNewObject(bool newObject) override;
    void CheckColors() override;
    void SetBarva(qint32 colorIndex) override;
    qint32 GetBarva() const override { return FBarva; }
    void SetRokUpdate(bool update) override { RokUpdate = update; }
    void SetRok(qint32 year) override;
    qint32 GetRok() const override;
    void SetEtaz(const QString& text) override;
    QString GetEtaz() const override;
    void SetIndex(const QString& text) override;
    QString GetIndex() const override;
    void SetPozn(const QString& text) override;
    QString GetPozn() const override;
    void SetOnOK(std::function<void()> handler) override { OnOK = std::move(handler); }
    void SetOnCancel(std::function<void()> handler) override { OnCancel = std::move(handler); }
    void SetOnDelete(std::function<void()> handler) override { OnDelete = std::move(handler); }
    void SetOnClose(std::function<void()> handler) override { OnClose = std::move(handler); }

    // The clearing year table (entries named by a year, holding a colour number). The dialog
    // takes its years at once and keeps no reference to the table: set it again whenever the
    // table changes or goes (none: no year list).
    void SetHolinaTable(const TStringListElement* table);
    const std::vector<TYearColor>& HolinaYears() const { return FHolinaTable; }
    // Fills the colour list with the 16 palette colours and chooses colour 13.
    void Colors_Prepare();
    // Shows the year list (instead of the year edit) when the table has years, and fills it.
    void YearsColors_Prepare();
    // Whether the year is chosen from the list (a table with years) rather than typed.
    bool YearListShown() const { return !FHolinaTable.empty(); }

    Tgis_PorostniSkupina* GetBigFrame() const { return FBigFrame; }
    bool GetHolina() const { return FHolina; }
    bool GetNewObject() const { return FNewObject; }
    bool GetRokUpdate() const { return RokUpdate; }

    // The controls' actions.
    void b_OKClick();
    void b_StornoClick();
    void b_DeleteClick();
    // The swatch: opens or closes the colour list.
    void r_ColorClick();
    void ColorListBoxItemClick(QListWidgetItem* item);
    void Combo_YearChange(int index);

    void FormVirtualKeyboardShown(QObject* sender, bool keyboardVisible, const QRect& bounds) override;
    void FormVirtualKeyboardHidden(QObject* sender, bool keyboardVisible, const QRect& bounds) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void build();
    void relayout();
    void updateTitle();
    // Takes the answer's handler and the close handler out, calls the answer and closes, unless
    // the answer gave the dialog a new use.
    void answer(std::function<void()>& handler);
    // The colour list stands above the swatch.
    void placeColorList();

    qint32 FBarva = 13;
    qint32 FRok = 0;
    bool RokUpdate = false;
    bool FHolina = false;
    bool FNewObject = true;
    Tgis_PorostniSkupina* FBigFrame = nullptr;
    std::vector<TYearColor> FHolinaTable;
    std::function<void()> OnOK, OnCancel, OnDelete, OnClose;
    // Counts the showings: an answer that shows the dialog again leaves it open.
    quint64 m_session = 0;
    bool FVKVisible = false;
    QRect FVKBounds;

    parts::TBox* Layout_Main = nullptr;
    QLabel* l_Nova = nullptr;
    QLabel* ks_l_Name = nullptr;
    QLabel* l_Area = nullptr;
    parts::TBox* r_Color = nullptr;
    QListWidget* ColorListBox = nullptr;
    QWidget* HolinaEditLayout = nullptr;
    QLineEdit* ed_Etaz = nullptr;
    QLineEdit* ed_Index = nullptr;
    QLineEdit* ed_Rok = nullptr;
    QComboBox* Combo_Year = nullptr;
    QLineEdit* ed_Pozn = nullptr;
    ui::TTouchButton* b_OK = nullptr;
    ui::TTouchButton* b_Storno = nullptr;
    ui::TTouchButton* b_Delete = nullptr;
};

} // namespace zelto
