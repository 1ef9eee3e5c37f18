// The demo host window: the user name, the four forest unit names with a "Show" button, and a log
// of the component's events.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QWidget>

namespace zelto {
class TElement;
class TMiniZelto;
} // namespace zelto

namespace zdemo {

class DemoHost : public QWidget {
    Q_OBJECT
public:
    explicit DemoHost(const QString& user, QWidget* parent = nullptr);

    zelto::TMiniZelto* component() const { return m_component; }
    int mapReadyCount() const { return m_mapReady; }
    // Writes a line to the log (and to the log line).
    void log(const QString& text);

private:
    void showTheForest();

    zelto::TMiniZelto* m_component;
    QLineEdit* m_user;
    QLineEdit* m_units[4];
    QLabel* m_logLine;
    QPlainTextEdit* m_log;
    int m_mapReady = 0;
};

} // namespace zdemo
