#include "DemoHost.h"

#include "Component_MiniZelto.h"

#include "forest/e_LHCElements.h"
#include "forest/e_LHCModel.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTime>
#include <QVBoxLayout>

namespace zdemo {

using namespace zelto;

DemoHost::DemoHost(const QString& user, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("DemoHost"));
    setWindowTitle(QStringLiteral("MiniZelto – hostitelská aplikace"));
    m_component = new TMiniZelto(this);
    m_component->setObjectName(QStringLiteral("MiniZelto1"));

    auto* column = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_user = new QLineEdit(user, this);
    m_user->setObjectName(QStringLiteral("ed_User"));
    form->addRow(QStringLiteral("Uživatel"), m_user);
    const char* names[] = {"ed_Oddeleni", "ed_Dilec", "ed_Porost", "ed_Skupina"};
    const QString captions[] = {QStringLiteral("Oddělení"), QStringLiteral("Dílec"), QStringLiteral("Porost"),
                                QStringLiteral("Skupina")};
    for (int i = 0; i < 4; ++i) {
        m_units[i] = new QLineEdit(this);
        m_units[i]->setObjectName(QLatin1String(names[i]));
        form->addRow(captions[i], m_units[i]);
    }
    column->addLayout(form);
    auto* buttons = new QHBoxLayout;
    auto* show = new QPushButton(QStringLiteral("Show"), this);
    show->setObjectName(QStringLiteral("b_Show"));
    auto* map = new QPushButton(QStringLiteral("Mapa"), this);
    map->setObjectName(QStringLiteral("b_Map"));
    buttons->addWidget(show);
    buttons->addWidget(map);
    buttons->addStretch();
    column->addLayout(buttons);
    m_logLine = new QLabel(this);
    m_logLine->setObjectName(QStringLiteral("l_Log"));
    column->addWidget(m_logLine);
    m_log = new QPlainTextEdit(this);
    m_log->setObjectName(QStringLiteral("m_Log"));
    m_log->setReadOnly(true);
    column->addWidget(m_log, 1);
    resize(420, 420);

    connect(show, &QPushButton::clicked, this, [this] { showTheForest(); });
    connect(map, &QPushButton::clicked, this, [this] { m_component->SetMapVisible(true); });
    connect(m_user, &QLineEdit::editingFinished, this, [this] { m_component->SetUser(m_user->text()); });

    m_component->SetUser(user);
    // The map and the project are usable while the forest data are read.
    m_component->SetDataOnBackGround(true);
    m_component->SetOnMapReady([this](TElement*) {
        ++m_mapReady;
        log(QStringLiteral("OnMapReady"));
    });
    m_component->SetOnDataReady([this](TElement*) { log(QStringLiteral("OnDataReady")); });
    m_component->SetOnSelectJPRL([this](TElement* sender) {
        auto* unit = zelto_cast<Tgis_ForestUnit>(sender);
        log(QStringLiteral("OnSelectJPRL: %1")
                .arg(unit ? ForestUnitLabel(unit) : QStringLiteral("(žádná jednotka)")));
    });
}

void DemoHost::log(const QString& text) {
    const QString line = QTime::currentTime().toString(QStringLiteral("HH:mm:ss ")) + text;
    m_logLine->setText(line);
    m_log->appendPlainText(line);
}

void DemoHost::showTheForest() {
    m_component->SetOddeleni(m_units[0]->text());
    m_component->SetDilec(m_units[1]->text());
    m_component->SetPorost(m_units[2]->text());
    m_component->SetSkupina(m_units[3]->text());
    m_component->ShowTheForest(true);
    log(QStringLiteral("ShowTheForest: ErrCode %1").arg(m_component->GetErrCode()));
}

} // namespace zdemo
