// The note windows among the package's secondary windows.
#pragma once

namespace zelto {

// Makes the image viewer and the media player the windows created for ImageViewer and
// MediaPlayer (call before createSecondaryWindows).
void registerNoteWindows();

} // namespace zelto
