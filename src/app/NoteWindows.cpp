#include "NoteWindows.h"

#include "ImageViewer.h"
#include "MediaPlayer.h"
#include "SecondaryWindows.h"

namespace zelto {

void registerNoteWindows() {
    setSecondaryWindowFactory(SecondaryWindow::ImageViewer, [] { return new TKordlin_ImageViewer; });
    setSecondaryWindowFactory(SecondaryWindow::MediaPlayer, [] { return new TKordlin_MediaPlayer; });
}

} // namespace zelto
