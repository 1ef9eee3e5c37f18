// Playing a note's recordings: the player logic shared by the note dialog's player panel and the
// media player window, and the media player window itself (a secondary window).
#pragma once

#include <QString>
#include <QWidget>

class QAbstractButton;
class QLabel;
class QListWidget;

namespace zelto {

class Tgis_Note;

// Plays the selected row of a recording list (each row's DetailRole data is the file's path)
// through the platform's player: the panel with "Přehrávání i/n", next and previous enabled
// where there is a row to go to, play enabled only while stop is not, and stop only while
// something loaded plays.
class TAudioListPlayer {
public:
    struct Controls {
        QListWidget* list = nullptr;
        QWidget* panel = nullptr; // shown when playing starts
        QLabel* l_Play = nullptr;
        QAbstractButton *b_Prev = nullptr, *b_Next = nullptr, *b_Play = nullptr, *b_Stop = nullptr;
    };
    // `owner` bounds the player's end-of-file callback to the owner's life.
    TAudioListPlayer(QWidget* owner, const Controls& controls);

    // The selected row (the first when none is) from its start.
    void Play();
    void Next();
    void Prev();
    void Stop();
    void UpdateActions();

private:
    void playSelected();
    QWidget* m_owner;
    Controls m_c;
};

class TKordlin_MediaPlayer : public QWidget {
    Q_OBJECT
public:
    explicit TKordlin_MediaPlayer(QWidget* parent = nullptr);
    ~TKordlin_MediaPlayer() override;

    // The folder the note's recordings are in (the project's audio folder).
    void SetAudioDir(const QString& dir) { m_audioDir = dir; }
    // Lists the note's recordings, selects the first and plays it.
    void SetaNote(Tgis_Note* note);

    void b_PlayClick();
    void b_StopClick();
    void b_NextClick();
    void b_PrevClick();
    // Stops playback and closes the window.
    void b_CloseClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void fitScreen();

    QString m_audioDir;
    QListWidget* ListBox_Audio = nullptr;
    QWidget* p_Play = nullptr;
    QLabel* l_Play = nullptr;
    QAbstractButton *b_Prev = nullptr, *b_Next = nullptr, *b_Play = nullptr, *b_Stop = nullptr,
                    *b_Close = nullptr;
    TAudioListPlayer* m_player = nullptr;
    bool m_screenWatched = false;
};

} // namespace zelto
