#include "AreaDialog.h"

#include "UiKit.h"

#include "colors/e_Color.h"
#include "forest/e_LHCElements.h"
#include "forest/e_LHCModel.h"
#include "framework/E_Type.h"
#include "framework/TextLocale.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputMethod>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPointer>
#include <QVBoxLayout>

#include <optional>
#include <utility>

namespace zelto {

namespace {

// The block of controls: its height for an ordinary area and for a clearing, its widest.
constexpr int BlockHeight = 230;
constexpr int ClearingBlockHeight = 300;
constexpr int MaxBlockWidth = 720;
// The note edit keeps at least this much room above the on-screen keyboard.
constexpr int KeyboardGap = 20;
// The colour a number that is not one stands for (black).
constexpr qint32 DefaultBarva = 13;
constexpr int ColorListWidth = 120;

using ui::make;

QLabel* caption(QWidget* parent, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText);
    return l;
}

ui::TTouchButton* answerButton(QWidget* parent, const char* name, const QString& text) {
    auto* b = make<ui::TTouchButton>(parent, name);
    b->setText(text);
    return b;
}

// A whole number in a text (blanks around it allowed); none otherwise.
std::optional<qint32> wholeNumber(const QString& text) {
    qint32 v = 0;
    if (!tryParseInt32(text.trimmed(), v)) return std::nullopt;
    return v;
}

} // namespace

QIcon ColorSwatchIcon(quint32 argb) {
    QPixmap swatch(20, 20);
    swatch.fill(Qt::transparent);
    QPainter p(&swatch);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(255, 255, 255, 90));
    p.setBrush(QColor::fromRgba(argb));
    p.drawRoundedRect(QRectF(1, 1, 18, 18), 4, 4);
    p.end();
    return QIcon(swatch);
}

Tfmx_AreaDialog::Tfmx_AreaDialog(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("fmx_AreaDialog"));
    build();
    Colors_Prepare();
    YearsColors_Prepare();
    SetHolina(false);
    SetNewObject(true);
    SetBigFrame(nullptr);
    hide();
}

Tfmx_AreaDialog::~Tfmx_AreaDialog() = default;

void Tfmx_AreaDialog::build() {
    Layout_Main = new ui::TPanel(this, 14);
    Layout_Main->setObjectName(QStringLiteral("Layout_Main"));
    // Opaque, unlike the bars: the tool's buttons under it must not show through the form.
    Layout_Main->setFill(QColor(44, 48, 52));
    // The edits in the panel's own colours (light text on a dark field), as the note dialog's.
    Layout_Main->setStyleSheet(QStringLiteral("QLineEdit { background: rgba(255,255,255,0.08); color: white; "
                                              "border: 1px solid rgba(255,255,255,0.14); border-radius: 8px; "
                                              "padding: 4px 6px; }"));
    auto* main = new QVBoxLayout(Layout_Main);
    main->setContentsMargins(14, 10, 14, 10);
    main->setSpacing(6);

    auto* head = new QHBoxLayout;
    l_Nova = make<QLabel>(Layout_Main, "l_Nova");
    l_Nova->setTextFormat(Qt::PlainText);
    QFont bold = l_Nova->font();
    bold.setBold(true);
    l_Nova->setFont(bold);
    l_Area = make<QLabel>(Layout_Main, "l_Area");
    l_Area->setTextFormat(Qt::PlainText);
    head->addWidget(l_Nova);
    head->addStretch(1);
    head->addWidget(l_Area);
    main->addLayout(head);

    ks_l_Name = make<QLabel>(Layout_Main, "ks_l_Name");
    ks_l_Name->setTextFormat(Qt::PlainText);
    main->addWidget(ks_l_Name);

    auto* color = new QHBoxLayout;
    r_Color = make<parts::TBox>(Layout_Main, "r_Color");
    r_Color->setFixedSize(64, 32);
    r_Color->setRadius(6);
    r_Color->setStroke(QColor(255, 255, 255, 90));
    r_Color->setClickable(true);
    connect(r_Color, &parts::TBox::clicked, this, &Tfmx_AreaDialog::r_ColorClick);
    color->addWidget(caption(Layout_Main, QStringLiteral("Barva")));
    color->addWidget(r_Color);
    color->addStretch(1);
    main->addLayout(color);

    HolinaEditLayout = make<QWidget>(Layout_Main, "HolinaEditLayout");
    auto* clearing = new QHBoxLayout(HolinaEditLayout);
    clearing->setContentsMargins(0, 0, 0, 0);
    ed_Etaz = make<QLineEdit>(HolinaEditLayout, "ed_Etaz");
    ed_Etaz->setPlaceholderText(QStringLiteral("Etáž"));
    ed_Etaz->hide();
    ed_Index = make<QLineEdit>(HolinaEditLayout, "ed_Index");
    ed_Rok = make<QLineEdit>(HolinaEditLayout, "ed_Rok");
    ed_Rok->setInputMethodHints(Qt::ImhDigitsOnly);
    Combo_Year = make<QComboBox>(HolinaEditLayout, "Combo_Year");
    connect(Combo_Year, &QComboBox::currentIndexChanged, this, &Tfmx_AreaDialog::Combo_YearChange);
    clearing->addWidget(ed_Etaz);
    clearing->addWidget(caption(HolinaEditLayout, QStringLiteral("Index")));
    clearing->addWidget(ed_Index, 1);
    clearing->addWidget(caption(HolinaEditLayout, QStringLiteral("Rok")));
    clearing->addWidget(ed_Rok, 1);
    clearing->addWidget(Combo_Year, 1);
    main->addWidget(HolinaEditLayout);

    auto* note = new QHBoxLayout;
    ed_Pozn = make<QLineEdit>(Layout_Main, "ed_Pozn");
    note->addWidget(caption(Layout_Main, QStringLiteral("Pozn.")));
    note->addWidget(ed_Pozn, 1);
    main->addLayout(note);
    main->addStretch(1);

    auto* answers = new QHBoxLayout;
    b_Delete = answerButton(Layout_Main, "b_Delete", QStringLiteral("Odstranit"));
    b_Storno = answerButton(Layout_Main, "b_Storno", QStringLiteral("Storno"));
    b_OK = answerButton(Layout_Main, "b_OK", QStringLiteral("Uložit"));
    b_OK->setAccent(true);
    connect(b_Delete, &QAbstractButton::clicked, this, &Tfmx_AreaDialog::b_DeleteClick);
    connect(b_Storno, &QAbstractButton::clicked, this, &Tfmx_AreaDialog::b_StornoClick);
    connect(b_OK, &QAbstractButton::clicked, this, &Tfmx_AreaDialog::b_OKClick);
    answers->addWidget(b_Delete);
    answers->addStretch(1);
    answers->addWidget(b_Storno);
    answers->addWidget(b_OK);
    main->addLayout(answers);

    // Over the block, next to the swatch, while it is open.
    ColorListBox = make<QListWidget>(this, "ColorListBox");
    ColorListBox->setIconSize(QSize(20, 20));
    connect(ColorListBox, &QListWidget::itemClicked, this, &Tfmx_AreaDialog::ColorListBoxItemClick);
    ColorListBox->hide();
}

// ---- layout ----------------------------------------------------------------------------------------

void Tfmx_AreaDialog::relayout() {
    const int h = FHolina ? ClearingBlockHeight : BlockHeight;
    const int w = qMin(width(), MaxBlockWidth);
    // At the bottom; with the on-screen keyboard up, lifted until the note edit ends KeyboardGap
    // pixels above it.
    QRect block((width() - w) / 2, height() - h, w, h);
    Layout_Main->setGeometry(block);
    if (FVKVisible && FVKBounds.isValid()) {
        Layout_Main->layout()->activate();
        const int keyboardTop = mapFrom(window(), FVKBounds.topLeft()).y();
        const int noteBottom = block.top() + ed_Pozn->mapTo(Layout_Main, QPoint(0, ed_Pozn->height())).y();
        const int overlap = noteBottom + KeyboardGap - keyboardTop;
        if (overlap > 0) {
            block.translate(0, -overlap);
            Layout_Main->setGeometry(block);
        }
    }
    placeColorList();
}

void Tfmx_AreaDialog::placeColorList() {
    Layout_Main->layout()->activate();
    const QPoint swatch = r_Color->mapTo(this, QPoint(0, 0));
    const int rowHeight = ColorListBox->count() > 0 ? ColorListBox->sizeHintForRow(0) : 24;
    const int wanted = ColorListBox->count() * rowHeight + 2 * ColorListBox->frameWidth();
    const int room = qMax(swatch.y() - 4, qMin(height(), 120));
    const int h = qMin(wanted, room);
    ColorListBox->setGeometry(swatch.x(), qMax(0, swatch.y() - 4 - h), ColorListWidth, h);
    ColorListBox->raise();
}

void Tfmx_AreaDialog::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    relayout();
}

void Tfmx_AreaDialog::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    relayout();
}

void Tfmx_AreaDialog::FormVirtualKeyboardShown(QObject*, bool keyboardVisible, const QRect& bounds) {
    FVKVisible = keyboardVisible;
    FVKBounds = bounds;
    relayout();
}

void Tfmx_AreaDialog::FormVirtualKeyboardHidden(QObject*, bool keyboardVisible, const QRect& bounds) {
    FVKVisible = keyboardVisible;
    FVKBounds = bounds;
    relayout();
}

// ---- showing and closing ---------------------------------------------------------------------------

void Tfmx_AreaDialog::Show() {
    ++m_session;
    if (QWidget* p = parentWidget()) setGeometry(p->rect());
    CheckColors();
    ColorListBox->hide();
    show();
    raise();
    relayout();
}

void Tfmx_AreaDialog::Close() {
    const quint64 session = m_session;
    ColorListBox->hide();
    hide();
    // The keyboard goes with the dialog; its events reach only a visible dialog.
    FVKVisible = false;
    FVKBounds = QRect();
    // Taken out first: a second Close (also one from inside the handler) finds no handler.
    if (std::function<void()> onClose = std::exchange(OnClose, nullptr)) onClose();
    if (m_session != session) return; // the handler put the dialog to a new use
    if (QInputMethod* im = QGuiApplication::inputMethod()) im->hide();
}

void Tfmx_AreaDialog::answer(std::function<void()>& handler) {
    const quint64 session = m_session;
    QPointer<Tfmx_AreaDialog> self(this);
    if (std::function<void()> call = std::exchange(handler, nullptr)) {
        // Answered: closing is no further answer. (Without a handler to answer, closing is the
        // answer, so that the editor is never left waiting.)
        OnClose = nullptr;
        call();
    }
    if (self && m_session == session) Close();
}

void Tfmx_AreaDialog::b_OKClick() {
    if (OnOK && FHolina && !YearListShown()) FRok = wholeNumber(ed_Rok->text()).value_or(0);
    answer(OnOK);
}

void Tfmx_AreaDialog::b_StornoClick() {
    answer(OnCancel);
}

void Tfmx_AreaDialog::b_DeleteClick() {
    answer(OnDelete);
}

// ---- what the dialog shows -------------------------------------------------------------------------

void Tfmx_AreaDialog::SetArea(double hectares) {
    l_Area->setText(formatNumber(hectares, 2) + QStringLiteral(" ha"));
}

void Tfmx_AreaDialog::SetBigFrame(Tgis_PorostniSkupina* group) {
    FBigFrame = group;
    ks_l_Name->setText(group ? ForestUnitLabel(group) : QStringLiteral("PSK ?"));
}

void Tfmx_AreaDialog::SetHolina(bool clearing) {
    FHolina = clearing;
    HolinaEditLayout->setVisible(clearing);
    updateTitle();
    relayout();
}

void Tfmx_AreaDialog::SetNewObject(bool newObject) {
    FNewObject = newObject;
    b_Delete->setVisible(!newObject);
    updateTitle();
}

void Tfmx_AreaDialog::updateTitle() {
    l_Nova->setText((FNewObject ? QStringLiteral("Nová ") : QStringLiteral("Stará ")) +
                    (FHolina ? QStringLiteral("holina") : QStringLiteral("plocha")));
}

void Tfmx_AreaDialog::SetEtaz(const QString& text) {
    ed_Etaz->setText(text);
}

QString Tfmx_AreaDialog::GetEtaz() const {
    return ed_Etaz->text();
}

void Tfmx_AreaDialog::SetIndex(const QString& text) {
    ed_Index->setText(text);
}

QString Tfmx_AreaDialog::GetIndex() const {
    return ed_Index->text();
}

void Tfmx_AreaDialog::SetPozn(const QString& text) {
    ed_Pozn->setText(text);
}

QString Tfmx_AreaDialog::GetPozn() const {
    return ed_Pozn->text();
}

// ---- colours ---------------------------------------------------------------------------------------

void Tfmx_AreaDialog::Colors_Prepare() {
    ColorListBox->setUpdatesEnabled(false);
    ColorListBox->clear();
    for (qint32 i = 0; i <= 15; ++i) {
        auto* item = new QListWidgetItem(ColorSwatchIcon(DejBarvicku(i)), QString::number(i), ColorListBox);
        item->setData(Qt::UserRole, i);
    }
    ColorListBox->setUpdatesEnabled(true);
    SetBarva(DefaultBarva);
    placeColorList();
}

void Tfmx_AreaDialog::CheckColors() {
    if (ColorListBox->count() == 0) Colors_Prepare();
}

void Tfmx_AreaDialog::SetBarva(qint32 colorIndex) {
    FBarva = colorIndex;
    r_Color->setFill(QColor::fromRgba(DejBarvicku(colorIndex)));
}

void Tfmx_AreaDialog::r_ColorClick() {
    // A clearing's colour is its year's.
    if (FHolina && YearListShown()) return;
    if (ColorListBox->isVisible()) {
        ColorListBox->hide();
        return;
    }
    placeColorList();
    ColorListBox->show();
    ColorListBox->raise();
}

void Tfmx_AreaDialog::ColorListBoxItemClick(QListWidgetItem* item) {
    ColorListBox->hide();
    if (item) SetBarva(wholeNumber(item->text()).value_or(DefaultBarva));
}

// ---- years -----------------------------------------------------------------------------------------

void Tfmx_AreaDialog::SetHolinaTable(const TStringListElement* table) {
    FHolinaTable.clear();
    if (table) {
        // The entry "0" is the colour of the years the table does not name, not a year.
        const qint32 fallback =
            wholeNumber(table->GetStringByName(QStringLiteral("0"))).value_or(DefaultBarva);
        for (int i = 0; i < table->ElementsCount(); ++i) {
            const std::optional<qint32> year = wholeNumber(table->GetNameAtIndex(i));
            if (!year || *year <= 0) continue;
            FHolinaTable.push_back({*year, wholeNumber(table->GetString(i)).value_or(fallback)});
        }
    }
    YearsColors_Prepare();
}

void Tfmx_AreaDialog::YearsColors_Prepare() {
    {
        const QSignalBlocker block(Combo_Year);
        Combo_Year->clear();
        for (const TYearColor& y : FHolinaTable)
            Combo_Year->addItem(ColorSwatchIcon(DejBarvicku(y.color)), QString::number(y.year), y.year);
        Combo_Year->setCurrentIndex(-1);
    }
    Combo_Year->setVisible(YearListShown());
    ed_Rok->setVisible(!YearListShown());
}

void Tfmx_AreaDialog::SetRok(qint32 year) {
    FRok = year;
    if (!RokUpdate) return;
    if (!YearListShown()) {
        ed_Rok->setText(QString::number(year));
        return;
    }
    int index = -1;
    for (int i = 0; i < int(FHolinaTable.size()); ++i)
        if (FHolinaTable[size_t(i)].year == year) index = i;
    Combo_Year->setCurrentIndex(index); // the change is ours: RokUpdate keeps the handler out
    if (index >= 0) SetBarva(FHolinaTable[size_t(index)].color);
}

qint32 Tfmx_AreaDialog::GetRok() const {
    if (YearListShown()) return FRok;
    return wholeNumber(ed_Rok->text()).value_or(0);
}

void Tfmx_AreaDialog::Combo_YearChange(int index) {
    if (RokUpdate || index < 0 || index >= int(FHolinaTable.size())) return;
    FRok = FHolinaTable[size_t(index)].year;
    SetBarva(FHolinaTable[size_t(index)].color);
}

} // namespace zelto
