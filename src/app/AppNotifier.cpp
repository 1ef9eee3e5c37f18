#include "AppNotifier.h"

#include <QApplication>
#include <QMessageBox>

namespace zelto {

namespace {

QWidget* boxParent() {
    return QApplication::activeWindow();
}

} // namespace

void MessageBoxNotifier::message(const QString& text) {
    RecordingNotifier::message(text);
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("MiniZelto"), text, QMessageBox::Ok,
                                boxParent());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

void MessageBoxNotifier::error(const QString& text) {
    RecordingNotifier::error(text);
    QMessageBox::critical(boxParent(), QStringLiteral("MiniZelto"), text);
}

void installMessageBoxNotifier() {
    setNotifier(std::make_unique<MessageBoxNotifier>());
}

} // namespace zelto
