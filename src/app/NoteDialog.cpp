#include "NoteDialog.h"

#include "MediaPlayer.h"
#include "NoteAttachments.h"
#include "UiKit.h"
#include "dialogs/fr_Kordlin_SuperDialog.h"

#include "framework/E_Type.h"
#include "framework/Notifier.h"
#include "framework/TextLocale.h"
#include "geometry/e_GeometryEx.h"
#include "platform/AudioCapture.h"
#include "platform/Camera.h"

#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace zelto {

namespace {

constexpr int DetailRole = ui::TDetailItemDelegate::DetailRole; // the attachment's path
constexpr int NameRole = Qt::UserRole + 2;                      // its file name in the note
constexpr int ThumbSize = 100;
constexpr int PointerSize = 16;
// The text block keeps at least this much room above the on-screen keyboard.
constexpr int KeyboardGap = 20;
constexpr int BaseFontPixels = 16;

// The callout's pointer: a triangle of the card's colour towards the place of the note.
class TCalloutPointer : public QWidget {
public:
    using QWidget::QWidget;
    bool pointsRight = true; // else up

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        const QRectF r = rect();
        if (pointsRight) {
            path.moveTo(r.topLeft());
            path.lineTo(r.right(), r.center().y());
            path.lineTo(r.bottomLeft());
        } else {
            path.moveTo(r.bottomLeft());
            path.lineTo(r.center().x(), r.top());
            path.lineTo(r.bottomRight());
        }
        path.closeSubpath();
        p.fillPath(path, ui::drawerColor());
    }
};

using ui::make;

QPushButton* button(QWidget* parent, const char* name, const QString& text) {
    auto* b = make<QPushButton>(parent, name);
    b->setText(text);
    // The form's buttons: light text on a translucent surface, "Uložit" in the accent colour. (On the
    // button itself: a style sheet on the dialog would take over the fonts the dialog scales.)
    const bool ok = qstrcmp(name, "b_OK") == 0;
    b->setStyleSheet(QStringLiteral("QPushButton { background: %1; border: none; border-radius: 10px; "
                                    "min-height: 44px; padding: 0 14px; color: %2; }")
                         .arg(ok ? ui::accentColor().name() : QStringLiteral("rgba(255,255,255,0.10)"),
                              ok ? QStringLiteral("#10231a") : ui::textColor().name()));
    return b;
}

QIcon thumbnailIcon(const QImage& image) {
    if (image.isNull()) return QIcon();
    return QIcon(QPixmap::fromImage(
        image.scaled(ThumbSize, ThumbSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

// The row of the entry named `name` in a note's attachment list, -1 when none.
int entryIndex(const TStringListElement* list, const QString& name) {
    for (int i = 0; list && i < list->ElementsCount(); ++i)
        if (list->GetNameAtIndex(i) == name) return i;
    return -1;
}

QStringList entryNames(const TStringListElement* list) {
    QStringList names;
    for (int i = 0; list && i < list->ElementsCount(); ++i) names << list->GetNameAtIndex(i);
    return names;
}

} // namespace

TNote_Dialog::TNote_Dialog(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Note_Dialog"));
    build();
    SetKavintStyle(false);
    hide();
}

TNote_Dialog::~TNote_Dialog() {
    // Only a recording this dialog started is ended: the device is not asked for otherwise.
    if (!m_recordingName.isEmpty() && IsMicrophoneRecording()) platform::audioCapture().stop();
}

void TNote_Dialog::build() {
    R_Cover = make<QWidget>(this, "R_Cover");
    R_Cover->setAutoFillBackground(true);
    QPalette cover = R_Cover->palette();
    cover.setColor(QPalette::Window, QColor(0, 0, 0, 128)); // black at opacity 0.5
    R_Cover->setPalette(cover);

    Layout_Main = make<QWidget>(this, "Layout_Main");
    Layout_Main->setAutoFillBackground(true);
    auto* classic = new QHBoxLayout(Layout_Main);
    Image1 = make<QLabel>(Layout_Main, "Image1");
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setMinimumWidth(ThumbSize);
    Image1->installEventFilter(this);
    Image1->hide();
    classic->addWidget(Image1, 1);

    ks_Layout_Main = make<QWidget>(this, "ks_Layout_Main");
    ks_Rect = make<QWidget>(ks_Layout_Main, "ks_Rect");
    ks_Rect->setAutoFillBackground(true);
    // The card in the look of the window's drawer: light text on a dark surface, the edit and the
    // buttons as the form's own.
    QPalette card = ks_Rect->palette();
    card.setColor(QPalette::Window, ui::drawerColor());
    ks_Rect->setPalette(card);
    new QVBoxLayout(ks_Rect);
    ks_Pointer = make<TCalloutPointer>(ks_Layout_Main, "ks_Pointer");

    // The content is one set of controls that the style moves into its layout.
    Layout_Content = make<QWidget>(this, "Layout_Content");
    auto* content = new QVBoxLayout(Layout_Content);
    l_Name = make<QLabel>(Layout_Content, "l_Name");
    l_Name->setTextFormat(Qt::PlainText);
    content->addWidget(l_Name);
    Memo = make<QPlainTextEdit>(Layout_Content, "Memo");
    Memo->setStyleSheet(
        QStringLiteral("QPlainTextEdit { background: rgba(255,255,255,0.08); border: 1px solid "
                       "rgba(255,255,255,0.14); border-radius: 10px; padding: 6px; }"));
    Memo->setMinimumHeight(60);
    connect(Memo, &QPlainTextEdit::textChanged, this, [this] { FModified = true; });
    content->addWidget(Memo, 1);

    ListBox_Photo = make<QListWidget>(Layout_Content, "ListBox_Photo");
    ListBox_Photo->setViewMode(QListView::IconMode);
    ListBox_Photo->setFlow(QListView::LeftToRight);
    ListBox_Photo->setWrapping(false);
    ListBox_Photo->setIconSize(QSize(ThumbSize, ThumbSize));
    ListBox_Photo->setFixedHeight(ThumbSize + 44);
    connect(ListBox_Photo, &QListWidget::itemClicked, this, &TNote_Dialog::ListBox_PhotoItemClick);
    content->addWidget(ListBox_Photo);

    ks_Image1_Layout = make<QWidget>(Layout_Content, "ks_Image1_Layout");
    auto* large = new QVBoxLayout(ks_Image1_Layout);
    large->setContentsMargins(0, 0, 0, 0);
    ks_Image1 = make<QLabel>(ks_Image1_Layout, "ks_Image1");
    ks_Image1->setAlignment(Qt::AlignCenter);
    ks_Image1->installEventFilter(this);
    large->addWidget(ks_Image1, 1);
    ks_b_CloseImage = button(ks_Image1_Layout, "ks_b_CloseImage", QStringLiteral("Zavřít"));
    connect(ks_b_CloseImage, &QPushButton::clicked, this, &TNote_Dialog::b_CloseImageClick);
    large->addWidget(ks_b_CloseImage);
    ks_Image1_Layout->hide();
    content->addWidget(ks_Image1_Layout, 2);

    ListBox_Audio = make<QListWidget>(Layout_Content, "ListBox_Audio");
    ListBox_Audio->setFixedHeight(90);
    connect(ListBox_Audio, &QListWidget::itemClicked, this, &TNote_Dialog::ListBox_AudioItemClick);
    content->addWidget(ListBox_Audio);

    p_Play = make<QWidget>(Layout_Content, "p_Play");
    auto* play = new QHBoxLayout(p_Play);
    play->setContentsMargins(0, 0, 0, 0);
    l_Play = make<QLabel>(p_Play, "l_Play");
    b_Prev = button(p_Play, "b_Prev", QStringLiteral("<"));
    b_Play = button(p_Play, "b_Play", QStringLiteral("Play"));
    b_Stop = button(p_Play, "b_Stop", QStringLiteral("Stop"));
    b_Next = button(p_Play, "b_Next", QStringLiteral(">"));
    b_ClosePlay = button(p_Play, "b_ClosePlay", QStringLiteral("Zavřít"));
    play->addWidget(l_Play, 1);
    for (QPushButton* b : {b_Prev, b_Play, b_Stop, b_Next, b_ClosePlay}) play->addWidget(b);
    connect(b_Prev, &QPushButton::clicked, this, &TNote_Dialog::b_PrevClick);
    connect(b_Play, &QPushButton::clicked, this, &TNote_Dialog::actPlay);
    connect(b_Stop, &QPushButton::clicked, this, &TNote_Dialog::actStop);
    connect(b_Next, &QPushButton::clicked, this, &TNote_Dialog::b_NextClick);
    connect(b_ClosePlay, &QPushButton::clicked, this, &TNote_Dialog::b_ClosePlayClick);
    p_Play->hide();
    content->addWidget(p_Play);

    Layout_Buttons = make<QWidget>(Layout_Content, "Layout_Buttons");
    auto* tools = new QHBoxLayout(Layout_Buttons);
    tools->setContentsMargins(0, 0, 0, 0);
    ks_b_Camera = button(Layout_Buttons, "ks_b_Camera", QStringLiteral("Foto"));
    ks_b_ImageFile = button(Layout_Buttons, "ks_b_ImageFile", QStringLiteral("Z galerie"));
    ks_b_Record = button(Layout_Buttons, "ks_b_Record", QStringLiteral("Záznam"));
    b_DeletePhoto = button(Layout_Buttons, "b_DeletePhoto", QStringLiteral("Smazat foto"));
    b_DeleteAudio = button(Layout_Buttons, "b_DeleteAudio", QStringLiteral("Smazat záznam"));
    for (QPushButton* b : {ks_b_Camera, ks_b_ImageFile, ks_b_Record, b_DeletePhoto, b_DeleteAudio})
        tools->addWidget(b);
    connect(ks_b_Camera, &QPushButton::clicked, this, &TNote_Dialog::TakePhotoFromCamera);
    connect(ks_b_ImageFile, &QPushButton::clicked, this, &TNote_Dialog::TakePhotoFromLibrary);
    connect(ks_b_Record, &QPushButton::clicked, this, &TNote_Dialog::actStartRecording);
    connect(b_DeletePhoto, &QPushButton::clicked, this, &TNote_Dialog::b_DeletePhotoClick);
    connect(b_DeleteAudio, &QPushButton::clicked, this, &TNote_Dialog::b_DeleteAudioClick);
    b_DeletePhoto->hide();
    content->addWidget(Layout_Buttons);

    auto* answers = new QHBoxLayout;
    b_Storno = button(Layout_Content, "b_Storno", QStringLiteral("Storno"));
    b_OK = button(Layout_Content, "b_OK", QStringLiteral("Uložit"));
    answers->addStretch(1);
    answers->addWidget(b_Storno);
    answers->addWidget(b_OK);
    connect(b_OK, &QPushButton::clicked, this, &TNote_Dialog::b_OKClick);
    connect(b_Storno, &QPushButton::clicked, this, &TNote_Dialog::b_StornoClick);
    content->addLayout(answers);

    p_Record = make<QWidget>(this, "p_Record");
    p_Record->setAutoFillBackground(true);
    auto* record = new QVBoxLayout(p_Record);
    l_Record = make<QLabel>(p_Record, "l_Record");
    l_Record->setText(QStringLiteral("Probíhá zvukový záznam ..."));
    b_StopRecording = button(p_Record, "b_StopRecording", QStringLiteral("Ukončit záznam"));
    connect(b_StopRecording, &QPushButton::clicked, this, &TNote_Dialog::actStopRecording);
    record->addWidget(l_Record);
    record->addWidget(b_StopRecording);
    p_Record->hide();
    m_player = std::make_unique<TAudioListPlayer>(
        this, TAudioListPlayer::Controls{ListBox_Audio, p_Play, l_Play, b_Prev, b_Next, b_Play, b_Stop});
    m_player->UpdateActions();
}

// ---- layout ----------------------------------------------------------------------------------------

void TNote_Dialog::SetKavintStyle(bool kavintStyle) {
    FKavintStyle = kavintStyle;
    QLayout* target = kavintStyle ? ks_Rect->layout() : Layout_Main->layout();
    if (Layout_Content->parentWidget() != target->parentWidget()) {
        Layout_Content->setParent(target->parentWidget());
        if (auto* box = qobject_cast<QBoxLayout*>(target)) box->insertWidget(0, Layout_Content, 2);
        Layout_Content->show();
    }
    Layout_Main->setVisible(!kavintStyle);
    ks_Layout_Main->setVisible(kavintStyle);
    R_Cover->setVisible(kavintStyle || p_Record->isVisibleTo(this));
    hidePhoto();
    if (FaNote) fillAudios(); // the recordings' labels differ by style
    applyFonts();
    relayout();
}

void TNote_Dialog::SetLayoutScale(qreal sx, qreal sy) {
    const qreal s = qMin(sx, sy);
    m_scale = s > 0 ? s : 1;
    applyFonts();
    relayout();
}

void TNote_Dialog::applyFonts() {
    QFont font = Layout_Content->font();
    font.setPixelSize(qMax(8, qRound(BaseFontPixels * (FKavintStyle ? m_scale : 1))));
    Layout_Content->setFont(font);
}

void TNote_Dialog::relayout() {
    const QRect all = rect();
    R_Cover->setGeometry(all);
    Layout_Main->setGeometry(all);
    ks_Layout_Main->setGeometry(all);
    const QSize record = p_Record->sizeHint();
    p_Record->setGeometry(QRect(QPoint(0, 0), record)
                              .translated(all.center() - QPoint(record.width() / 2, record.height() / 2)));
    p_Record->raise();
    if (!FKavintStyle) return;

    // Wider than high: the left half at full height with the pointer on the right; otherwise the
    // lower half at full width with the pointer on top.
    const int w = width(), h = height();
    auto* pointer = static_cast<TCalloutPointer*>(ks_Pointer);
    QRect card, tip;
    if (w > h) {
        card = QRect(0, 0, w / 2 - PointerSize, h);
        tip = QRect(card.right() + 1, h / 2 - PointerSize, PointerSize, 2 * PointerSize);
        pointer->pointsRight = true;
    } else {
        tip = QRect(w / 2 - PointerSize, h / 2, 2 * PointerSize, PointerSize);
        card = QRect(0, h / 2 + PointerSize, w, h - h / 2 - PointerSize);
        pointer->pointsRight = false;
    }
    ks_Rect->setGeometry(card);
    ks_Rect->layout()->activate();
    // The on-screen keyboard: the text block is moved up until it ends KeyboardGap pixels above it.
    if (FVKVisible && FVKBounds.isValid()) {
        const int keyboardTop = mapFrom(window(), FVKBounds.topLeft()).y();
        const int textBottom = Memo->mapTo(this, QPoint(0, Memo->height())).y();
        const int overlap = textBottom + KeyboardGap - keyboardTop;
        if (overlap > 0) {
            card.translate(0, -overlap);
            tip.translate(0, -overlap);
            ks_Rect->setGeometry(card);
        }
    }
    ks_Pointer->setGeometry(tip);
    ks_Pointer->update();
}

void TNote_Dialog::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    relayout();
}

void TNote_Dialog::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    relayout();
}

void TNote_Dialog::FormVirtualKeyboardShown(QObject*, bool keyboardVisible, const QRect& bounds) {
    FVKVisible = keyboardVisible;
    FVKBounds = bounds;
    relayout();
}

void TNote_Dialog::FormVirtualKeyboardHidden(QObject*, bool keyboardVisible, const QRect& bounds) {
    FVKVisible = keyboardVisible;
    FVKBounds = bounds;
    relayout();
}

bool TNote_Dialog::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == Image1 || watched == ks_Image1) && event->type() == QEvent::MouseButtonRelease) {
        ImageClick();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TNote_Dialog::Show() {
    if (QWidget* p = parentWidget()) setGeometry(p->rect());
    show();
    raise();
    relayout();
}

void TNote_Dialog::Close() {
    if (IsMicrophoneRecording()) actStopRecording();
    if (p_Play->isVisibleTo(this)) b_ClosePlayClick();
    hide();
}

// ---- the note --------------------------------------------------------------------------------------

QString TNote_Dialog::photoDir() const {
    return Hooks.PhotoDir ? Hooks.PhotoDir() : QString();
}

QString TNote_Dialog::audioDir() const {
    return Hooks.AudioDir ? Hooks.AudioDir() : QString();
}

void TNote_Dialog::SetaNote(Tgis_Note* note) {
    // A recording belongs to the note it was started for.
    if (!m_recordingName.isEmpty()) actStopRecording();
    FaNote = note;
    ImageFile.clear();
    hidePhoto();
    b_DeletePhoto->hide();
    if (p_Play->isVisibleTo(this)) b_ClosePlayClick();
    {
        const QSignalBlocker block(Memo);
        l_Name->setText(note ? note->GetName() : QString());
        Memo->setPlainText(note ? note->GetText() : QString());
    }
    fillPhotos();
    fillAudios();
    FModified = false;
}

QListWidgetItem* TNote_Dialog::addPhotoItem(const QString& label, const QString& path, const QString& name,
                                            const QImage& thumbnail) {
    auto* item = new QListWidgetItem(thumbnailIcon(thumbnail), label, ListBox_Photo);
    item->setData(DetailRole, path);
    item->setData(NameRole, name);
    return item;
}

QListWidgetItem* TNote_Dialog::addAudioItem(const QString& label, const QString& path, const QString& name) {
    auto* item = new QListWidgetItem(style()->standardIcon(QStyle::SP_MediaVolume), label, ListBox_Audio);
    item->setData(DetailRole, path);
    item->setData(NameRole, name);
    return item;
}

void TNote_Dialog::fillPhotos() {
    ListBox_Photo->clear();
    for (const TAttachmentFile& f : ExistingAttachments(FaNote ? FaNote->GetImages() : nullptr, photoDir()))
        addPhotoItem(f.label, f.path, f.name, ReadPhoto(f.path, QSize(ThumbSize, ThumbSize)));
}

void TNote_Dialog::fillAudios() {
    ListBox_Audio->clear();
    const TStringListElement* audios = FaNote ? FaNote->GetAudios() : nullptr;
    const QString dir = audioDir();
    for (int i = 0; audios && i < audios->ElementsCount(); ++i) {
        const QString name = audios->GetNameAtIndex(i);
        addAudioItem(FKavintStyle ? QString::number(i + 1) : audios->GetString(i), AttachmentPath(dir, name),
                     name);
    }
}

void TNote_Dialog::showPhoto(const QString& path, const QImage& image) {
    ImageFile = path;
    const QPixmap pixmap = QPixmap::fromImage(image);
    if (FKavintStyle) {
        ListBox_Audio->hide();
        Layout_Buttons->hide();
        ks_Image1->setPixmap(pixmap.scaled(QSize(qMax(ThumbSize, ks_Rect->width() - 40), 2 * ThumbSize + 100),
                                           Qt::KeepAspectRatio, Qt::SmoothTransformation));
        ks_Image1_Layout->show();
    } else {
        Image1->setPixmap(pixmap.scaled(QSize(qMax(ThumbSize, width() / 3), qMax(ThumbSize, height() - 40)),
                                        Qt::KeepAspectRatio, Qt::SmoothTransformation));
        Image1->show();
    }
}

void TNote_Dialog::hidePhoto() {
    ks_Image1_Layout->hide();
    ks_Image1->clear();
    ListBox_Audio->show();
    Layout_Buttons->show();
    Image1->clear();
    Image1->hide();
}

// ---- photos ----------------------------------------------------------------------------------------

QString TNote_Dialog::GetUniquePhotoName() const {
    return UniquePhotoName(photoDir(), FaNote ? entryNames(FaNote->GetImages()) : QStringList());
}

QString TNote_Dialog::GetUniqueAudioName() const {
    return UniqueAudioName(audioDir(), FaNote ? entryNames(FaNote->GetAudios()) : QStringList());
}

QString TNote_Dialog::AddPhoto(const QImage& bitmap) {
    if (!FaNote) return {};
    const QString dir = photoDir();
    if (!EnsureAttachmentDir(dir)) {
        notifier().message(QStringLiteral("Složku ") + dir + QStringLiteral(" nelze vytvořit!"));
        return {};
    }
    const QString name = GetUniquePhotoName();
    const QString path = AttachmentPath(dir, name);
    QString reason;
    if (path.isEmpty() || !WritePhotoFile(path, bitmap, &reason)) {
        notifier().message(QStringLiteral("Foto nelze uložit: ") + reason);
        return {};
    }
    showPhoto(path, bitmap);
    const QString label = QStringLiteral("Foto ") + QString::number(ListBox_Photo->count() + 1);
    addPhotoItem(label, path, name, bitmap);
    FaNote->CheckImages();
    FaNote->GetImages()->AddNameString(name, label);
    FModified = true;
    return path;
}

void TNote_Dialog::TakePhotoFromCamera() {
    platform::PhotoCamera& camera = platform::photoCamera();
    if (!camera.available()) {
        notifier().message(QStringLiteral("Fotoaparát není k dispozici."));
        return;
    }
    QPointer<TNote_Dialog> self(this);
    Tgis_Note* note = FaNote;
    camera.capture(
        [self, note](const QImage& image) {
            if (self && self->FaNote == note) self->AddPhoto(image);
        },
        [](const QString& reason) { notifier().message(QStringLiteral("Fotoaparát: ") + reason); });
}

void TNote_Dialog::TakePhotoFromLibrary() {
    if (!Hooks.PickImageFile) return;
    QPointer<TNote_Dialog> self(this);
    Tgis_Note* note = FaNote;
    Hooks.PickImageFile([self, note](const QString& file) {
        // The chooser answers later: the dialog may have gone on to another note meanwhile.
        if (self && self->FaNote == note) self->AddPhotoFromFile(file);
    });
}

void TNote_Dialog::AddPhotoFromFile(const QString& file) {
    if (file.isEmpty() || !FaNote) return;
    QString error;
    const QImage image = ReadPhoto(file, QSize(), &error);
    if (image.isNull()) {
        notifier().message(QStringLiteral("Soubor ") + file + QStringLiteral(" nelze načíst: ") + error);
        return;
    }
    AddPhoto(image);
}

void TNote_Dialog::ListBox_PhotoItemClick(QListWidgetItem* item) {
    if (!item) return;
    const QString path = item->data(DetailRole).toString();
    showPhoto(path, ReadPhoto(path));
    b_DeletePhoto->show();
}

void TNote_Dialog::ImageClick() {
    if (!ImageFile.isEmpty() && Hooks.ShowPhoto) Hooks.ShowPhoto(ImageFile);
}

void TNote_Dialog::b_CloseImageClick() {
    hidePhoto();
}

void TNote_Dialog::b_DeletePhotoClick() {
    confirmRemoval(ListBox_Photo, QStringLiteral("Opravdu chcete odstranit vybrané foto?"),
                   &TNote_Dialog::removePhotoConfirmed);
}

void TNote_Dialog::removePhotoConfirmed(const QString& name) {
    hidePhoto();
    ImageFile.clear();
    b_DeletePhoto->hide();
    removeAttachment(photoDir(), FaNote->GetImages(), ListBox_Photo, name);
}

void TNote_Dialog::confirmRemoval(QListWidget* list, const QString& prompt,
                                  void (TNote_Dialog::*remove)(const QString& name)) {
    QListWidgetItem* item = list->currentItem();
    if (!item || !FaNote || !Hooks.PrepareSuperdialog) return;
    TSuperdialog* dialog = Hooks.PrepareSuperdialog(false, prompt);
    if (!dialog) return;
    // The answer comes later: it acts on the note and the attachment chosen now, if that note is
    // still the one shown.
    QPointer<TNote_Dialog> self(this);
    Tgis_Note* note = FaNote;
    const QString name = item->data(NameRole).toString();
    dialog->SetOnOK([self, note, name, remove](QObject*) {
        if (self && self->FaNote == note) (self.data()->*remove)(name);
    });
    dialog->Show();
}

void TNote_Dialog::removeAttachment(const QString& dir, TStringListElement* entries, QListWidget* list,
                                    const QString& name) {
    DeleteAttachmentFile(dir, name); // a file already gone is no error
    // By name, not by row: a missing photo has no row, so rows and entries may differ.
    if (const int i = entryIndex(entries, name); i >= 0) entries->FreeElementIndex(i);
    for (int row = list->count() - 1; row >= 0; --row)
        if (list->item(row)->data(NameRole).toString() == name) delete list->takeItem(row);
    FModified = true;
    if (Hooks.SaveLayers) Hooks.SaveLayers();
}

// ---- recordings ------------------------------------------------------------------------------------

bool TNote_Dialog::HasMicrophone() const {
    return platform::audioCapture().available();
}

bool TNote_Dialog::IsMicrophoneRecording() const {
    return platform::audioCapture().isCapturing();
}

bool TNote_Dialog::AddAudio(QString& path) {
    if (!FaNote) return false;
    const QString dir = audioDir();
    if (!EnsureAttachmentDir(dir)) {
        notifier().message(QStringLiteral("Složku ") + dir + QStringLiteral(" nelze vytvořit!"));
        return false;
    }
    const QString name = GetUniqueAudioName();
    path = AttachmentPath(dir, name);
    if (path.isEmpty()) return false;
    const QString n = QString::number(ListBox_Audio->count() + 1);
    addAudioItem(FKavintStyle ? n : QStringLiteral("Aud ") + n, path, name);
    FaNote->CheckAudios();
    FaNote->GetAudios()->AddNameString(name, QStringLiteral("Aud ") + n);
    m_recordingName = name;
    FModified = true;
    return true;
}

void TNote_Dialog::actStartRecording() {
    if (!FaNote || IsMicrophoneRecording()) return;
    platform::AudioCapture& microphone = platform::audioCapture();
    if (!microphone.available()) {
        notifier().message(QStringLiteral("No microphone is available."));
        return;
    }
    actStop();
    QString path;
    if (!AddAudio(path)) return;
    microphone.setOutputFile(path);
    if (!microphone.start()) {
        notifier().message(QStringLiteral("StartCapture: Operation not supported by this device"));
        // Nothing was recorded: the entry would name a file that never comes.
        TStringListElement* audios = FaNote->GetAudios();
        if (const int i = entryIndex(audios, m_recordingName); i >= 0) audios->FreeElementIndex(i);
        delete ListBox_Audio->takeItem(ListBox_Audio->count() - 1);
        m_recordingName.clear();
        return;
    }
    R_Cover->show();
    p_Record->show();
    relayout();
}

void TNote_Dialog::actStopRecording() {
    platform::AudioCapture& microphone = platform::audioCapture();
    if (microphone.isCapturing() && !microphone.stop())
        notifier().message(QStringLiteral("Get state: Operation not supported by this device"));
    m_recordingName.clear();
    p_Record->hide();
    R_Cover->setVisible(FKavintStyle);
}

void TNote_Dialog::ListBox_AudioItemClick(QListWidgetItem* item) {
    if (!item) return;
    ListBox_Audio->setCurrentItem(item);
    actPlay();
}

void TNote_Dialog::actPlay() {
    if (IsMicrophoneRecording()) actStopRecording();
    m_player->Play();
}

void TNote_Dialog::actStop() {
    m_player->Stop();
}

void TNote_Dialog::b_NextClick() {
    m_player->Next();
}

void TNote_Dialog::b_PrevClick() {
    m_player->Prev();
}

void TNote_Dialog::b_ClosePlayClick() {
    actStop();
    p_Play->hide();
}

void TNote_Dialog::b_DeleteAudioClick() {
    confirmRemoval(ListBox_Audio, QStringLiteral("Opravdu chcete odstranit vybraný zvukový záznam?"),
                   &TNote_Dialog::removeAudioConfirmed);
}

void TNote_Dialog::removeAudioConfirmed(const QString& name) {
    actStop();
    p_Play->hide();
    removeAttachment(audioDir(), FaNote->GetAudios(), ListBox_Audio, name);
}

// ---- the answers -----------------------------------------------------------------------------------

void TNote_Dialog::b_OKClick() {
    Tgis_Note* note = FaNote;
    const bool isNew = FNewObject;
    Close(); // a recording running ends here, so that its file is complete
    if (!note) return;
    note->SetText(Memo->toPlainText());
    note->SetUID(Hooks.User ? Hooks.User() : QString());
    note->SetTimeStamp(nowAsDateTime());
    FNewObject = false;
    if (Hooks.Saved) Hooks.Saved(note, isNew);
}

void TNote_Dialog::b_StornoClick() {
    Close();
    if (Hooks.Cancelled) Hooks.Cancelled();
}

} // namespace zelto
