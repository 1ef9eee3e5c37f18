#include "fr_Kordlin_SuperDialog.h"

#include "PartsLook.h"

#include <QCloseEvent>
#include <QEvent>
#include <QGraphicsDropShadowEffect>
#include <QGuiApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace zelto {

using parts::TBox;

namespace {

// Design sizes, before the layout scale.
constexpr int MessagePanelWidth = 274, MessagePanelHeight = 174;
constexpr int EditPanelHeight = 164;
constexpr int MessageCardWidth = 290, EditCardWidth = 324, CardHeight = 178;
constexpr int CellHeight = 66;
constexpr int CardRadius = 20;

QGraphicsDropShadowEffect* dropShadow(QObject* parent) {
    auto* shadow = new QGraphicsDropShadowEffect(parent);
    shadow->setBlurRadius(24);
    shadow->setOffset(0, 6);
    shadow->setColor(QColor(0, 0, 0, 150));
    return shadow;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text = QString()) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    // Texts quote file and layer names: never taken as markup.
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    return label;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setMinimumHeight(parts::TouchSize);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

QString buttonStyle(bool accent) {
    const QString fill = accent ? parts::accentColor().name() : QStringLiteral("rgba(255,255,255,0.10)");
    const QString pressed =
        accent ? parts::accentColor().darker(120).name() : QStringLiteral("rgba(255,255,255,0.22)");
    return QStringLiteral("QPushButton { background: %1; color: %2; border: none; border-radius: 10px;"
                          " font-weight: 600; padding: 0 16px; }"
                          "QPushButton:pressed { background: %3; }")
        .arg(fill, accent ? QStringLiteral("#10231a") : parts::textColor().name(), pressed);
}

QString editStyle(bool onCard) {
    if (onCard)
        return QStringLiteral("QLineEdit { background: #f4f5f6; color: #1d2227; border: 1px solid %1;"
                              " border-radius: 8px; padding: 0 10px; selection-background-color: %2; }"
                              "QLineEdit:focus { border: 2px solid %2; }")
            .arg(parts::cardStrokeColor().name(), parts::accentColor().name());
    return QStringLiteral("QLineEdit { background: rgba(255,255,255,0.10); color: %1;"
                          " border: 1px solid rgba(255,255,255,0.18); border-radius: 8px; padding: 0 10px;"
                          " selection-background-color: %2; }"
                          "QLineEdit:focus { border: 2px solid %2; }")
        .arg(parts::textColor().name(), parts::accentColor().name());
}

// A white cell of a card with its caption; the caption lets presses through to the cell.
TBox* makeCell(QWidget* parent, const char* cellName, QLabel*& label, const char* labelName,
               const QString& text, int roundedCorner) {
    auto* cell = new TBox(parent);
    cell->setObjectName(QLatin1String(cellName));
    cell->setFill(parts::cardColor());
    cell->setStroke(parts::cardStrokeColor());
    cell->setRadius(CardRadius, roundedCorner);
    cell->setClickable(true);
    label = makeLabel(cell, labelName, text);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return cell;
}

} // namespace

TSuperdialog::TSuperdialog(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Superdialog"));
    setFocusPolicy(Qt::StrongFocus);
    build();
    SetEditMode(false);
    if (parent) {
        parent->installEventFilter(this);
        setGeometry(parent->rect());
    }
    hide();
}

TSuperdialog::~TSuperdialog() = default;

void TSuperdialog::build() {
    Layout_Main = new QWidget(this);
    Layout_Main->setObjectName(QStringLiteral("Layout_Main"));

    ImageBackGround = new QLabel(Layout_Main);
    ImageBackGround->setObjectName(QStringLiteral("ImageBackGround"));

    Rectangle1 = new TBox(Layout_Main);
    Rectangle1->setObjectName(QStringLiteral("Rectangle1"));
    Rectangle1->setFill(QColor(0, 0, 0, 128));
    Rectangle1->setClickable(true);
    Rectangle1->setCursor(Qt::ArrowCursor);
    connect(Rectangle1, &TBox::clicked, this, &TSuperdialog::Rectangle1Click);

    // Classic layout: dark panels with buttons.
    Panel_Message = new TBox(Layout_Main);
    Panel_Message->setObjectName(QStringLiteral("Panel_Message"));
    Panel_Message->setFill(parts::surfaceColor());
    Panel_Message->setRadius(14);
    Panel_Message->setGraphicsEffect(dropShadow(Panel_Message));
    l_Text = makeLabel(Panel_Message, "l_Text");
    b_OK = makeButton(Panel_Message, "b_OK", QStringLiteral("Ano"));
    b_Storno = makeButton(Panel_Message, "b_Storno", QStringLiteral("Ne"));

    Panel_Edit = new TBox(Layout_Main);
    Panel_Edit->setObjectName(QStringLiteral("Panel_Edit"));
    Panel_Edit->setFill(parts::surfaceColor());
    Panel_Edit->setRadius(14, TBox::BottomLeft | TBox::BottomRight);
    Panel_Edit->setGraphicsEffect(dropShadow(Panel_Edit));
    l_edText = makeLabel(Panel_Edit, "l_edText");
    Edit = new QLineEdit(Panel_Edit);
    Edit->setObjectName(QStringLiteral("Edit"));
    Edit->setStyleSheet(editStyle(false));
    b_edOK = makeButton(Panel_Edit, "b_edOK", QStringLiteral("Ano"));
    b_edStorno = makeButton(Panel_Edit, "b_edStorno", QStringLiteral("Ne"));

    for (QLabel* label : {l_Text, l_edText})
        label->setStyleSheet(
            QStringLiteral("color: %1; background: transparent;").arg(parts::textColor().name()));
    for (QPushButton* yes : {b_OK, b_edOK}) {
        yes->setStyleSheet(buttonStyle(true));
        connect(yes, &QPushButton::clicked, this, &TSuperdialog::b_OKClick);
    }
    for (QPushButton* no : {b_Storno, b_edStorno}) {
        no->setStyleSheet(buttonStyle(false));
        connect(no, &QPushButton::clicked, this, &TSuperdialog::b_StornoClick);
    }

    // Alternative style: white cards, a text block with rounded top corners over two cells.
    ks_Layout_Message = new QWidget(Layout_Main);
    ks_Layout_Message->setObjectName(QStringLiteral("ks_Layout_Message"));
    ks_Layout_Message->setGraphicsEffect(dropShadow(ks_Layout_Message));
    ks_Rect_Text = new TBox(ks_Layout_Message);
    ks_Rect_Text->setObjectName(QStringLiteral("ks_Rect_Text"));
    ks_Rect_Text->setFill(parts::cardColor());
    ks_Rect_Text->setStroke(parts::cardStrokeColor());
    ks_Rect_Text->setRadius(CardRadius, TBox::TopLeft | TBox::TopRight);
    ks_l_Text = makeLabel(ks_Rect_Text, "ks_l_Text");
    ks_Rect_OK = makeCell(ks_Layout_Message, "ks_Rect_OK", ks_b_OK, "ks_b_OK", QStringLiteral("ANO"),
                          TBox::BottomLeft);
    ks_Rect_Storno = makeCell(ks_Layout_Message, "ks_Rect_Storno", ks_b_Storno, "ks_b_Storno",
                              QStringLiteral("NE"), TBox::BottomRight);

    ks_Layout_Edit = new QWidget(Layout_Main);
    ks_Layout_Edit->setObjectName(QStringLiteral("ks_Layout_Edit"));
    ks_Layout_Edit->setGraphicsEffect(dropShadow(ks_Layout_Edit));
    ks_Rect_EdText = new TBox(ks_Layout_Edit);
    ks_Rect_EdText->setObjectName(QStringLiteral("ks_Rect_EdText"));
    ks_Rect_EdText->setFill(parts::cardColor());
    ks_Rect_EdText->setStroke(parts::cardStrokeColor());
    ks_Rect_EdText->setRadius(CardRadius, TBox::TopLeft | TBox::TopRight);
    ks_l_EdText = makeLabel(ks_Rect_EdText, "ks_l_EdText");
    ks_Edit = new QLineEdit(ks_Rect_EdText);
    ks_Edit->setObjectName(QStringLiteral("ks_Edit"));
    ks_Edit->setStyleSheet(editStyle(true));
    ks_Rect_EdOK = makeCell(ks_Layout_Edit, "ks_Rect_EdOK", ks_b_EdOK, "ks_b_EdOK", QStringLiteral("ANO"),
                            TBox::BottomLeft);
    ks_Rect_EdStorno = makeCell(ks_Layout_Edit, "ks_Rect_EdStorno", ks_b_edStorno, "ks_b_edStorno",
                                QStringLiteral("NE"), TBox::BottomRight);

    ks_l_Text->setStyleSheet(QStringLiteral("color: #1d2227; background: transparent;"));
    ks_l_EdText->setStyleSheet(
        QStringLiteral("color: %1; background: transparent;").arg(parts::cardDimTextColor().name()));
    for (QLabel* yes : {ks_b_OK, ks_b_EdOK})
        yes->setStyleSheet(QStringLiteral("color: %1; background: transparent; font-weight: 700;")
                               .arg(parts::accentColor().darker(115).name()));
    for (QLabel* no : {ks_b_Storno, ks_b_edStorno})
        no->setStyleSheet(QStringLiteral("color: #50585f; background: transparent; font-weight: 700;"));
    for (TBox* yes : {ks_Rect_OK, ks_Rect_EdOK}) connect(yes, &TBox::clicked, this, &TSuperdialog::b_OKClick);
    for (TBox* no : {ks_Rect_Storno, ks_Rect_EdStorno})
        connect(no, &TBox::clicked, this, &TSuperdialog::b_StornoClick);

    // Enter in the edit field answers yes.
    for (QLineEdit* edit : {Edit, ks_Edit}) {
        edit->setMinimumHeight(parts::TouchSize - 4);
        connect(edit, &QLineEdit::returnPressed, this, &TSuperdialog::b_OKClick);
    }
    applyFonts();
}

void TSuperdialog::applyFonts() {
    const qreal s = qMin(m_scaleX, m_scaleY);
    auto setPixelSize = [s](QWidget* w, int px, bool bold = false) {
        QFont f = w->font();
        f.setPixelSize(qMax(8, qRound(px * s)));
        if (bold) f.setBold(true);
        w->setFont(f);
    };
    for (QWidget* w : std::initializer_list<QWidget*>{l_Text, l_edText, ks_l_Text}) setPixelSize(w, 17);
    setPixelSize(ks_l_EdText, 15);
    for (QWidget* w : std::initializer_list<QWidget*>{Edit, ks_Edit}) setPixelSize(w, 17);
    for (QWidget* w : std::initializer_list<QWidget*>{b_OK, b_Storno, b_edOK, b_edStorno})
        setPixelSize(w, 16, true);
    for (QWidget* w : std::initializer_list<QWidget*>{ks_b_OK, ks_b_Storno, ks_b_EdOK, ks_b_edStorno})
        setPixelSize(w, 17, true);
}

void TSuperdialog::relayout() {
    Layout_Main->setGeometry(rect());
    const QRect area = Layout_Main->rect();
    ImageBackGround->setGeometry(area);
    Rectangle1->setGeometry(area);
    auto sx = [this](int v) { return qRound(v * m_scaleX); };
    auto sy = [this](int v) { return qRound(v * m_scaleY); };
    auto centred = [&area](QSize size) {
        return QPoint((area.width() - size.width()) / 2, (area.height() - size.height()) / 2);
    };
    const int pad = sx(16);

    // Classic question panel, centred.
    {
        const QSize size(sx(MessagePanelWidth), sy(MessagePanelHeight));
        Panel_Message->setGeometry(QRect(centred(size), size));
        const int buttonH = qMax(parts::TouchSize, sy(parts::TouchSize));
        const int buttonW = (size.width() - 3 * pad) / 2;
        l_Text->setGeometry(pad, pad, size.width() - 2 * pad, size.height() - 3 * pad - buttonH);
        b_OK->setGeometry(pad, size.height() - pad - buttonH, buttonW, buttonH);
        b_Storno->setGeometry(2 * pad + buttonW, size.height() - pad - buttonH, buttonW, buttonH);
    }
    // Classic text-entry panel at the top, across the whole width.
    {
        const QSize size(area.width(), sy(EditPanelHeight));
        Panel_Edit->setGeometry(QRect(QPoint(0, 0), size));
        const int rowH = qMax(parts::TouchSize, sy(parts::TouchSize));
        const int buttonW = sx(110);
        l_edText->setGeometry(pad, pad / 2, size.width() - 2 * pad, sy(36));
        const int rowY = pad / 2 + sy(36) + pad / 2;
        Edit->setGeometry(pad, rowY, size.width() - 4 * pad - 2 * buttonW, rowH);
        b_edOK->setGeometry(size.width() - 2 * pad - 2 * buttonW, rowY, buttonW, rowH);
        b_edStorno->setGeometry(size.width() - pad - buttonW, rowY, buttonW, rowH);
    }
    // Alternative cards, centred; the text-entry card may be pushed up by the keyboard.
    auto layoutCard = [&](QWidget* card, TBox* block, TBox* yes, TBox* no, int width,
                          std::optional<int> top) {
        const QSize size(sx(width), sy(CardHeight));
        QPoint origin = centred(size);
        if (top) origin.setY(*top);
        card->setGeometry(QRect(origin, size));
        const int cellH = sy(CellHeight);
        const int half = size.width() / 2;
        block->setGeometry(0, 0, size.width(), size.height() - cellH);
        yes->setGeometry(0, size.height() - cellH, half, cellH);
        no->setGeometry(half, size.height() - cellH, size.width() - half, cellH);
        for (TBox* cell : {yes, no})
            if (auto* label = cell->findChild<QLabel*>()) label->setGeometry(cell->rect());
    };
    layoutCard(ks_Layout_Message, ks_Rect_Text, ks_Rect_OK, ks_Rect_Storno, MessageCardWidth, std::nullopt);
    ks_l_Text->setGeometry(ks_Rect_Text->rect().adjusted(pad, pad, -pad, -pad));
    layoutCard(ks_Layout_Edit, ks_Rect_EdText, ks_Rect_EdOK, ks_Rect_EdStorno, EditCardWidth, m_editCardTop);
    {
        const QRect block = ks_Rect_EdText->rect();
        const int editH = qMax(parts::TouchSize - 4, sy(parts::TouchSize - 4));
        ks_l_EdText->setGeometry(pad, pad / 2, block.width() - 2 * pad,
                                 block.height() - editH - pad - pad / 2);
        ks_Edit->setGeometry(pad, block.height() - editH - pad / 2 - 2, block.width() - 2 * pad, editH);
    }
}

void TSuperdialog::SetKavintStyle(bool kavintStyle) {
    FKavintStyle = kavintStyle;
}

void TSuperdialog::SetEditMode(bool editMode) {
    FEditMode = editMode;
    if (FKavintStyle) {
        Panel_Message->hide();
        Panel_Edit->hide();
        ks_Layout_Edit->setVisible(editMode);
        ks_Layout_Message->setVisible(!editMode);
    } else {
        ks_Layout_Edit->hide();
        ks_Layout_Message->hide();
        Panel_Message->setVisible(!editMode);
        Panel_Edit->setVisible(editMode);
    }
}

QLabel* TSuperdialog::promptLabel() const {
    if (FKavintStyle) return FEditMode ? ks_l_EdText : ks_l_Text;
    return FEditMode ? l_edText : l_Text;
}

QLabel* TSuperdialog::okLabel() const {
    return FKavintStyle ? (FEditMode ? ks_b_EdOK : ks_b_OK) : nullptr;
}

QLabel* TSuperdialog::stornoLabel() const {
    return FKavintStyle ? (FEditMode ? ks_b_edStorno : ks_b_Storno) : nullptr;
}

QPushButton* TSuperdialog::okButton() const {
    return FEditMode ? b_edOK : b_OK;
}

QPushButton* TSuperdialog::stornoButton() const {
    return FEditMode ? b_edStorno : b_Storno;
}

QLineEdit* TSuperdialog::currentEdit() const {
    return FKavintStyle ? ks_Edit : Edit;
}

void TSuperdialog::SetaText(const QString& text) {
    promptLabel()->setText(text);
}

QString TSuperdialog::GetaText() const {
    return promptLabel()->text();
}

void TSuperdialog::SetOKText(const QString& text) {
    if (QLabel* label = okLabel())
        label->setText(text);
    else
        okButton()->setText(text);
}

void TSuperdialog::SetStornoText(const QString& text) {
    if (QLabel* label = stornoLabel())
        label->setText(text);
    else
        stornoButton()->setText(text);
}

QString TSuperdialog::GetOKText() const {
    if (QLabel* label = okLabel()) return label->text();
    return okButton()->text();
}

QString TSuperdialog::GetStornoText() const {
    if (QLabel* label = stornoLabel()) return label->text();
    return stornoButton()->text();
}

void TSuperdialog::SetEditText(const QString& text) {
    currentEdit()->setText(text);
}

QString TSuperdialog::GetEditText() const {
    return currentEdit()->text();
}

void TSuperdialog::SetOnOK(TNotifyEvent handler) {
    FOnOK = std::move(handler);
}

void TSuperdialog::SetOnCancel(TNotifyEvent handler) {
    FOnCancel = std::move(handler);
}

void TSuperdialog::SetOnClose(TNotifyEvent handler) {
    FOnClose = std::move(handler);
}

void TSuperdialog::ResetEvents() {
    ++m_session;
    FOnOK = nullptr;
    FOnCancel = nullptr;
    FOnClose = nullptr;
}

void TSuperdialog::SetLayoutScale(qreal sx, qreal sy) {
    m_scaleX = sx > 0 ? sx : 1;
    m_scaleY = sy > 0 ? sy : 1;
    applyFonts();
    relayout();
}

void TSuperdialog::Show() {
    ++m_session;
    if (QWidget* p = parentWidget()) setGeometry(p->rect());
    show();
    raise();
}

void TSuperdialog::Close() {
    const quint64 session = m_session;
    // Taken out first: a second Close (also one from inside the handler) finds no handler.
    TNotifyEvent onClose = std::move(FOnClose);
    FOnClose = nullptr;
    if (onClose) onClose(nullptr);
    if (m_session != session) return; // the handler put the dialog to a new use: leave it open
    if (QInputMethod* im = QGuiApplication::inputMethod()) im->hide();
    hide();
}

void TSuperdialog::b_OKClick() {
    const quint64 session = m_session;
    if (FOnOK) {
        // A copy runs: the handler may reset the events and so destroy the stored one.
        TNotifyEvent onOK = FOnOK;
        onOK(nullptr);
        if (m_session != session) return;
        FOnClose = nullptr;
    }
    Close();
}

void TSuperdialog::b_StornoClick() {
    const quint64 session = m_session;
    if (FOnCancel) {
        TNotifyEvent onCancel = FOnCancel;
        onCancel(nullptr);
        if (m_session != session) return;
        FOnClose = nullptr;
    }
    Close();
}

void TSuperdialog::Rectangle1Click() {
    Close();
}

void TSuperdialog::FormVirtualKeyboardShown(QObject*, bool, const QRect& bounds) {
    FVKVisible = true;
    FVKBounds = bounds;
    CheckEdit();
}

void TSuperdialog::FormVirtualKeyboardHidden(QObject*, bool, const QRect&) {
    FVKVisible = false;
    CheckEdit();
}

void TSuperdialog::CheckEdit() {
    if (!ks_Layout_Edit->isVisibleTo(this)) return;
    // Centred first; moved up only when the keyboard covers its lower edge.
    m_editCardTop.reset();
    relayout();
    if (!FVKVisible || FVKBounds.isEmpty()) return;
    const int keyboardTop = FVKBounds.top() - pos().y(); // parent to dialog coordinates
    const QRect card = ks_Layout_Edit->geometry();
    if (card.y() + card.height() > keyboardTop) {
        // Never above the dialog's top edge, where the edit field could not be reached.
        m_editCardTop = qMax(0, keyboardTop - card.height());
        relayout();
    }
}

void TSuperdialog::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    relayout();
}

void TSuperdialog::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    relayout();
    if (FEditMode) {
        QLineEdit* edit = currentEdit();
        edit->setFocus(Qt::OtherFocusReason);
        edit->selectAll();
    } else {
        setFocus(Qt::OtherFocusReason);
    }
}

void TSuperdialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Back) {
        Close();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TSuperdialog::closeEvent(QCloseEvent* event) {
    const quint64 session = m_session;
    Close();
    if (m_session == session)
        event->accept();
    else
        event->ignore(); // the close handler put the dialog to a new use
}

bool TSuperdialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

} // namespace zelto
