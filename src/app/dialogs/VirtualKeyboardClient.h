// A frame embedded in the map form that reacts to the on-screen keyboard (the area dialog, the
// note dialog, the generic dialog). The form passes the keyboard's events on to each visible
// frame that implements this interface; the rectangle is in the form's coordinates.
#pragma once

#include <QRect>

class QObject;

namespace zelto {

class TVirtualKeyboardClient {
public:
    virtual ~TVirtualKeyboardClient() = default;
    virtual void FormVirtualKeyboardShown(QObject* sender, bool keyboardVisible, const QRect& bounds) = 0;
    virtual void FormVirtualKeyboardHidden(QObject* sender, bool keyboardVisible, const QRect& bounds) = 0;
};

} // namespace zelto
