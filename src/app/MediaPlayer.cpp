#include "MediaPlayer.h"

#include "NoteAttachments.h"
#include "UiKit.h"

#include "framework/E_Type.h"
#include "geometry/e_GeometryEx.h"
#include "platform/MediaPlayback.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

namespace zelto {

namespace {
constexpr int DetailRole = ui::TDetailItemDelegate::DetailRole;
}

TAudioListPlayer::TAudioListPlayer(QWidget* owner, const Controls& controls)
    : m_owner(owner), m_c(controls) {}

void TAudioListPlayer::Play() {
    if (!m_c.list || m_c.list->count() == 0) return;
    if (m_c.list->currentRow() < 0) m_c.list->setCurrentRow(0);
    playSelected();
}

void TAudioListPlayer::playSelected() {
    const int count = m_c.list->count();
    const int index = m_c.list->currentRow();
    if (index < 0 || index >= count) return;
    const QString path = m_c.list->item(index)->data(DetailRole).toString();
    if (m_c.panel) m_c.panel->show();
    platform::MediaPlayback& player = platform::mediaPlayback();
    QPointer<QWidget> owner(m_owner);
    player.finished = [this, owner] {
        if (owner) UpdateActions();
    };
    player.stop();
    player.open(path);
    if (m_c.l_Play)
        m_c.l_Play->setText(QStringLiteral("Přehrávání ") + QString::number(index + 1) + QLatin1Char('/') +
                            QString::number(count));
    if (m_c.b_Next) m_c.b_Next->setEnabled(index < count - 1);
    if (m_c.b_Prev) m_c.b_Prev->setEnabled(index > 0);
    player.play();
    UpdateActions();
}

void TAudioListPlayer::Next() {
    const int row = m_c.list ? m_c.list->currentRow() : -1;
    if (row < 0 || row >= m_c.list->count() - 1) return;
    Stop();
    m_c.list->setCurrentRow(row + 1);
    playSelected();
}

void TAudioListPlayer::Prev() {
    const int row = m_c.list ? m_c.list->currentRow() : -1;
    if (row <= 0) return;
    Stop();
    m_c.list->setCurrentRow(row - 1);
    playSelected();
}

void TAudioListPlayer::Stop() {
    platform::mediaPlayback().stop();
    UpdateActions();
}

void TAudioListPlayer::UpdateActions() {
    const platform::MediaPlayback& player = platform::mediaPlayback();
    const bool stoppable = player.isLoaded() && player.isPlaying();
    if (m_c.b_Stop) m_c.b_Stop->setEnabled(stoppable);
    if (m_c.b_Play) m_c.b_Play->setEnabled(!stoppable);
}

// ---- the window ------------------------------------------------------------------------------------

TKordlin_MediaPlayer::TKordlin_MediaPlayer(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Kordlin_MediaPlayer"));
    setWindowTitle(QStringLiteral("Nahrávka"));
    auto* layout = new QVBoxLayout(this);
    ListBox_Audio = new QListWidget(this);
    ListBox_Audio->setObjectName(QStringLiteral("ListBox_Audio"));
    ListBox_Audio->setItemDelegate(new ui::TDetailItemDelegate(ListBox_Audio));
    layout->addWidget(ListBox_Audio, 1);
    p_Play = new QWidget(this);
    p_Play->setObjectName(QStringLiteral("p_Play"));
    auto* row = new QHBoxLayout(p_Play);
    l_Play = new QLabel(p_Play);
    l_Play->setObjectName(QStringLiteral("l_Play"));
    row->addWidget(l_Play, 1);
    auto button = [this, row](QAbstractButton*& field, const char* name, const QString& text,
                              void (TKordlin_MediaPlayer::*click)()) {
        auto* b = new QPushButton(text, p_Play);
        b->setObjectName(QLatin1String(name));
        row->addWidget(b);
        connect(b, &QPushButton::clicked, this, click);
        field = b;
    };
    button(b_Prev, "b_Prev", QStringLiteral("<"), &TKordlin_MediaPlayer::b_PrevClick);
    button(b_Play, "b_Play", QStringLiteral("Play"), &TKordlin_MediaPlayer::b_PlayClick);
    button(b_Stop, "b_Stop", QStringLiteral("Stop"), &TKordlin_MediaPlayer::b_StopClick);
    button(b_Next, "b_Next", QStringLiteral(">"), &TKordlin_MediaPlayer::b_NextClick);
    button(b_Close, "b_Close", QStringLiteral("Zavřít"), &TKordlin_MediaPlayer::b_CloseClick);
    layout->addWidget(p_Play);
    m_player = new TAudioListPlayer(this, {ListBox_Audio, p_Play, l_Play, b_Prev, b_Next, b_Play, b_Stop});
    connect(ListBox_Audio, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        ListBox_Audio->setCurrentItem(item);
        m_player->Play();
    });
    m_player->UpdateActions();
}

TKordlin_MediaPlayer::~TKordlin_MediaPlayer() {
    delete m_player;
}

void TKordlin_MediaPlayer::SetaNote(Tgis_Note* note) {
    m_player->Stop();
    ListBox_Audio->clear();
    const TStringListElement* audios = note ? note->GetAudios() : nullptr;
    for (int i = 0; audios && i < audios->ElementsCount(); ++i) {
        const QString name = audios->GetNameAtIndex(i);
        auto* item = new QListWidgetItem(style()->standardIcon(QStyle::SP_MediaVolume), audios->GetString(i),
                                         ListBox_Audio);
        item->setData(DetailRole, AttachmentPath(m_audioDir, name));
    }
    if (ListBox_Audio->count() == 0) return;
    ListBox_Audio->setCurrentRow(0);
    m_player->Play();
}

void TKordlin_MediaPlayer::b_PlayClick() {
    m_player->Play();
}

void TKordlin_MediaPlayer::b_StopClick() {
    m_player->Stop();
}

void TKordlin_MediaPlayer::b_NextClick() {
    m_player->Next();
}

void TKordlin_MediaPlayer::b_PrevClick() {
    m_player->Prev();
}

void TKordlin_MediaPlayer::b_CloseClick() {
    close();
}

void TKordlin_MediaPlayer::closeEvent(QCloseEvent* event) {
    m_player->Stop();
    QWidget::closeEvent(event);
}

void TKordlin_MediaPlayer::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_screenWatched && screen()) {
        m_screenWatched = true;
        connect(screen(), &QScreen::orientationChanged, this, [this] { fitScreen(); });
    }
    fitScreen();
}

void TKordlin_MediaPlayer::fitScreen() {
    if (!screen()) return;
    if (windowState() & Qt::WindowFullScreen)
        setGeometry(screen()->geometry());
    else if (windowState() & Qt::WindowMaximized)
        setGeometry(screen()->availableGeometry());
}

} // namespace zelto
