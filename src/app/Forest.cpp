#include "Forest.h"

#include "LayerPainter.h"
#include "MapCanvas.h"
#include "StreamRead.h"
#include "TiledMap.h"
#include "UiKit.h"
#include "lock/ProgressController.h"

#include "forest/e_LHCElements.h"
#include "forest/e_LHCModel.h"
#include "forest/t_ForestModelSelector.h"
#include "framework/Notifier.h"
#include "geometry/G_Elems.h"
#include "geometry/e_Geometry.h"
#include "projection/e_Proje.h"
#include "symbology/e_Device.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QThread>
#include <QTimer>

namespace zelto {

namespace {

// The flashing line: 21 flashes in about two seconds.
constexpr int LineFlashes = 21;
constexpr int LineFlashStepMs = 48; // each flash is shown for one step and hidden for one

} // namespace

// A model given up, with the rest of its read: freed after the model (its tree first).
struct TForestController::TOld {
    Tgis_ForestModel* model = nullptr;
    std::unique_ptr<TStreamRead> read;
    void free() {
        delete std::exchange(model, nullptr);
        read.reset();
    }
};

namespace {

// Frees a model on a worker thread: a large forest takes a noticeable time to free, and nothing
// else refers to a model that was given up.
void freeInBackground(std::shared_ptr<TForestController::TOld> old) {
    if (!old || (!old->model && !old->read)) return;
    QThread* thread = QThread::create([old] { old->free(); });
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start(QThread::LowPriority);
}

// The name of the unit of a level, or none when the level has no actual unit.
template <class U> void takeName(QString& field, const U* unit) {
    if (unit) field = unit->GetName();
}

} // namespace

// One read of the forest data file, made on the loader thread or the UI thread.
struct TForestController::TRead {
    QString file;
    int generation = 0;
    std::unique_ptr<TStreamRead> read;
    std::unique_ptr<Tgis_ForestModel> model; // taken from `read`, and freed before it
    std::shared_ptr<TOld> previous;          // the model this read replaces, freed before it starts
    bool background = false;                 // read on the loader thread
    QStringList divisions;                   // of the model's first plan area, LS by LS
    QString reason;                          // why there is no model, as the user is told
};

void TForestController::readFile(TRead& r) {
    // The previous model goes first, so that this one is made in the memory it leaves.
    if (r.previous) r.previous->free();
    QString reason;
    r.read = TStreamRead::Read(r.file, reason);
    if (!r.read) {
        r.reason = QStringLiteral("Čtení DET : %1").arg(reason); // the reader's reason names the file
        return;
    }
    if (!zelto_cast<Tgis_ForestModel>(r.read->Root())) {
        r.reason = QStringLiteral("Čtení DET : soubor %1 neobsahuje lesní data").arg(r.file);
        return;
    }
    r.model.reset(static_cast<Tgis_ForestModel*>(r.read->TakeRoot()));
    // The actual plan area is the first, and the division list is made here, while nobody else
    // sees the model yet.
    r.model->SetActualLHC(r.model->GetFirstLHC());
    if (Tgis_LHC* lhc = r.model->GetActualLHC())
        for (int i = 0; i < lhc->ItemsCount(); ++i)
            if (const auto* ls = zelto_cast<Tgis_LS>(lhc->GetItem(i)))
                for (int j = 0; j < ls->ItemsCount(); ++j)
                    if (const auto* odd = zelto_cast<Tgis_Oddeleni>(ls->GetItem(j)))
                        r.divisions.append(odd->GetName());
}

TForestWidgets TForestWidgets::Find(QWidget& form) {
    TForestWidgets w;
    ZELTO_FIND_CONTROL(form, w, p_Find_Layout);
    ZELTO_FIND_CONTROL(form, w, ed_odd);
    ZELTO_FIND_CONTROL(form, w, ed_Dil);
    ZELTO_FIND_CONTROL(form, w, ed_por);
    ZELTO_FIND_CONTROL(form, w, ed_PSK);
    ZELTO_FIND_CONTROL(form, w, Button8);
    ZELTO_FIND_CONTROL(form, w, Button9);
    ZELTO_FIND_CONTROL(form, w, Button10);
    ZELTO_FIND_CONTROL(form, w, Button11);
    ZELTO_FIND_CONTROL(form, w, Button12);
    ZELTO_FIND_CONTROL(form, w, b_FindLHC);
    ZELTO_FIND_CONTROL(form, w, Button20);
    ZELTO_FIND_CONTROL(form, w, kb_FindLHC);
    ZELTO_FIND_CONTROL(form, w, b_HK);
    ZELTO_FIND_CONTROL(form, w, Button21);
    ZELTO_FIND_CONTROL(form, w, kb_HK);
    ZELTO_FIND_CONTROL(form, w, l_JPRL);
    ZELTO_FIND_CONTROL(form, w, l_JPRLs);
    ZELTO_FIND_CONTROL(form, w, ks_l_JPRLs);
    ZELTO_FIND_CONTROL(form, w, ks_l_Caption);
    ZELTO_FIND_CONTROL(form, w, ks_l_layer);
    ZELTO_FIND_CONTROL(form, w, cb_jprl);
    ZELTO_FIND_CONTROL(form, w, GPath);
    return w;
}

TForestController::TForestController(const TForestWidgets& widgets, TMapCanvas& canvas,
                                     TTiledMapController& map, TProgressController& progress,
                                     TLayerPainter& painter)
    : m_w(widgets), m_canvas(canvas), m_map(map), m_progress(progress), m_painter(painter) {
    const auto onChange = [this](QComboBox* combo, void (TForestController::*handler)()) {
        if (combo) connect(combo, &QComboBox::currentIndexChanged, this, handler);
    };
    onChange(m_w.ed_odd, &TForestController::ed_oddChange);
    onChange(m_w.ed_Dil, &TForestController::ed_DilChange);
    onChange(m_w.ed_por, &TForestController::ed_porChange);
    onChange(m_w.ed_PSK, &TForestController::ed_PSKChange);
    const auto onClick = [this](std::initializer_list<QAbstractButton*> buttons,
                                void (TForestController::*handler)()) {
        for (QAbstractButton* b : buttons)
            if (b) connect(b, &QAbstractButton::clicked, this, handler);
    };
    onClick({m_w.b_FindLHC, m_w.Button20, m_w.kb_FindLHC}, &TForestController::b_FindLHCClick);
    onClick({m_w.Button8}, &TForestController::Button8Click);
    onClick({m_w.Button9}, &TForestController::Button9Click);
    onClick({m_w.Button10}, &TForestController::Button10Click);
    onClick({m_w.Button11}, &TForestController::Button11Click);
    onClick({m_w.Button12}, &TForestController::Button12Click);
    onClick({m_w.b_HK, m_w.Button21, m_w.kb_HK}, &TForestController::b_HKClick);
    if (m_w.cb_jprl) connect(m_w.cb_jprl, &QAbstractButton::toggled, this, &TForestController::cb_jprlSwitch);
    for (QLabel* l : {m_w.l_JPRLs, m_w.ks_l_JPRLs, m_w.ks_l_Caption, m_w.ks_l_layer})
        if (l) l->installEventFilter(this);
    if (m_w.GPath) m_w.GPath->installEventFilter(this);
    m_flash = new QTimer(this);
    m_flash->setInterval(LineFlashStepMs);
    connect(m_flash, &QTimer::timeout, this, &TForestController::flashStep);
    if (m_w.cb_jprl) CHeckJPRL = m_w.cb_jprl->isChecked();
    if (m_w.l_JPRL) m_w.l_JPRL->setVisible(CHeckJPRL);
}

TForestController::~TForestController() {
    // A read still running writes into its own record only; wait for it so that the thread is not
    // destroyed while it runs, then free what it read with the rest.
    for (QThread* thread : m_threads) {
        thread->disconnect(this);
        thread->wait();
        delete thread;
    }
    m_selector.reset();
    delete m_model;
    m_read.reset();
}

Tgis_PorostniSkupina* TForestController::SelectedSkupina() const {
    return m_selector ? zelto_cast<Tgis_PorostniSkupina>(m_selector->GetActualFrame()) : nullptr;
}

QString TForestController::UnitLabel(const QString& odd, const QString& dil, const QString& por,
                                     const QString& psk) {
    return odd + dil + por + QLatin1Char(' ') + psk;
}

void TForestController::showLabel(const QString& text) {
    if (Hooks.ShowUnitLabel) Hooks.ShowUnitLabel(text);
}

// ---- loading ------------------------------------------------------------------------------------

void TForestController::LoadDET(const QString& aFileName) {
    const int generation = ++m_generation; // an older read still running is void from now on
    m_loading = false;
    // The previous project's model must not answer for this one, and a large forest must not be
    // held twice while the next one is read.
    std::shared_ptr<TOld> previous = dropModel();
    if (aFileName.isEmpty()) { // the project has no forest data
        freeInBackground(previous);
        return;
    }
    if (!QFileInfo(aFileName).isFile()) {
        freeInBackground(previous);
        notifier().message(QStringLiteral("Čtení DET : soubor %1 neexistuje!").arg(aFileName));
        return;
    }
    auto read = std::make_unique<TRead>();
    read->file = aFileName;
    read->generation = generation;
    read->previous = std::move(previous);
    read->background = !Hooks.DataOnBackGround || Hooks.DataOnBackGround();

    if (read->background) {
        showLabel(QStringLiteral("Čtení..."));
        std::shared_ptr<TRead> shared(read.release());
        QThread* thread = QThread::create([shared] { readFile(*shared); });
        m_threads.push_back(thread);
        connect(thread, &QThread::finished, this, [this, thread, shared] {
            std::erase(m_threads, thread);
            thread->deleteLater();
            auto own = std::make_unique<TRead>(std::move(*shared));
            if (own->generation != m_generation) {
                // A newer LoadDET came meanwhile: this read is of no use.
                auto old = std::make_shared<TOld>();
                old->model = own->model.release();
                old->read = std::move(own->read);
                freeInBackground(old);
                return;
            }
            m_loading = false;
            takeModel(std::move(own));
        });
        m_loading = true;
        thread->start();
        return;
    }

    // In the foreground, with the busy indicator.
    m_progress.ShowBusy(QStringLiteral("Čtení DET z %1").arg(aFileName));
    readFile(*read);
    takeModel(std::move(read));
}

// The end of a read (the UI thread): the new model, its division list and selector, or the reason
// why there is none, said once.
void TForestController::takeModel(std::unique_ptr<TRead> r) {
    if (Hooks.UnitsEntryVisible) Hooks.UnitsEntryVisible(false);
    if (r->model) {
        m_model = r->model.release();
        m_read = std::move(r->read);
        refill(m_w.ed_odd, r->divisions);
        if (Hooks.UnitsEntryVisible) Hooks.UnitsEntryVisible(true);
        m_selector = std::make_unique<TForestModelSelector>();
        m_selector->SetForestModel(m_model);
        m_selector->SetFrameClass(&Tgis_PorostniSkupina::StaticClass());
        m_selector->SetReferenceFrameClass(&Tgis_PorostniSkupina::StaticClass());
    } else {
        // A damaged file, or one holding something else: the project goes on without forest data.
        notifier().message(r->reason);
        if (Hooks.UnitsEntryVisible) Hooks.UnitsEntryVisible(true);
    }
    if (r->background)
        showLabel(QStringLiteral("OK"));
    else
        m_progress.HideBusy();
    if (Hooks.OnDataReady) Hooks.OnDataReady();
}

std::shared_ptr<TForestController::TOld> TForestController::dropModel() {
    m_highlight = nullptr;
    m_selector.reset();
    if (m_w.ed_odd) {
        const QSignalBlocker block(m_w.ed_odd);
        m_w.ed_odd->clear();
    }
    for (QComboBox* c : {m_w.ed_Dil, m_w.ed_por, m_w.ed_PSK})
        if (c) {
            const QSignalBlocker block(c);
            c->clear();
        }
    auto old = std::make_shared<TOld>();
    old->model = std::exchange(m_model, nullptr);
    old->read = std::move(m_read);
    return old;
}

// ---- the lists ----------------------------------------------------------------------------------

// Fills a list in one go and selects its first entry, which runs its change handler.
void TForestController::refill(QComboBox* combo, const QStringList& names) {
    if (!combo) return;
    {
        const QSignalBlocker block(combo);
        combo->clear();
        combo->addItems(names);
        combo->setCurrentIndex(-1);
    }
    if (!names.isEmpty()) combo->setCurrentIndex(0);
}

namespace {
QStringList itemNames(const Tgis_ItemsForestUnit* unit) {
    QStringList names;
    if (!unit) return names;
    names.reserve(unit->ItemsCount());
    for (int i = 0; i < unit->ItemsCount(); ++i)
        if (const Tgis_ForestUnit* item = unit->GetItem(i)) names.append(item->GetName());
    return names;
}
} // namespace

// The division of that number (0 when the text is not one) becomes actual, searched in every LS of
// the plan area.
void TForestController::chooseDivision(const QString& number) {
    m_model->SetActualLS(nullptr);
    bool ok = false;
    const int n = number.toInt(&ok);
    m_model->SetOddeleni_Cislo(ok ? n : 0);
}

void TForestController::ed_oddChange() {
    if (!m_model || !m_w.ed_odd || m_w.ed_odd->currentIndex() < 0) return;
    chooseDivision(m_w.ed_odd->currentText());
    refill(m_w.ed_Dil, itemNames(m_model->GetActualOddeleni()));
}

void TForestController::ed_DilChange() {
    if (!m_model || !m_w.ed_Dil || m_w.ed_Dil->currentIndex() < 0) return;
    m_model->SetDilec_Name(m_w.ed_Dil->currentText());
    refill(m_w.ed_por, itemNames(m_model->GetActualDilec()));
}

void TForestController::ed_porChange() {
    if (!m_model || !m_w.ed_por || m_w.ed_por->currentIndex() < 0) return;
    m_model->SetPorost_Name(m_w.ed_por->currentText());
    refill(m_w.ed_PSK, itemNames(m_model->GetActualPorost()));
}

void TForestController::ed_PSKChange() {
    if (!m_model || !m_w.ed_PSK || m_w.ed_PSK->currentIndex() < 0) return;
    m_model->SetSkupina_Name(m_w.ed_PSK->currentText());
    takeName(S_LHC, m_model->GetActualLHC());
    takeName(S_Oddeleni, m_model->GetActualOddeleni());
    takeName(S_Dilec, m_model->GetActualDilec());
    takeName(S_Porost, m_model->GetActualPorost());
    takeName(S_Skupina, m_model->GetActualSkupina());
}

void TForestController::b_FindLHCClick() {
    if (m_w.p_Find_Layout) m_w.p_Find_Layout->setVisible(m_w.p_Find_Layout->isHidden());
}

void TForestController::Button8Click() {
    if (m_w.p_Find_Layout) m_w.p_Find_Layout->hide();
}

// ---- moving the view ----------------------------------------------------------------------------

void TForestController::zoomTo(Tgis_ForestUnit* unit) {
    TPageProjection* P = m_canvas.Projection();
    TRectangle* rect = unit ? unit->GetRect() : nullptr;
    if (!P || !rect || rect->IsEmpty()) return;
    P->ChangeProjectionByRect(rect);
    if (P->GetScale() < ClosestUnitScale) P->SetScale(ClosestUnitScale);
    m_map.Review();
}

void TForestController::zoomButton(Tgis_ForestUnit* unit) {
    if (!m_model || !unit) return;
    zoomTo(unit);
    if (Hooks.ShowScaleAndCoords) Hooks.ShowScaleAndCoords();
}

void TForestController::Button9Click() {
    zoomButton(m_model ? m_model->GetActualOddeleni() : nullptr);
}
void TForestController::Button10Click() {
    zoomButton(m_model ? m_model->GetActualDilec() : nullptr);
}
void TForestController::Button11Click() {
    zoomButton(m_model ? m_model->GetActualPorost() : nullptr);
}
void TForestController::Button12Click() {
    if (!m_model) return;
    if (!m_model->GetActualSkupina()) {
        notifier().message(QStringLiteral("PSK neni"));
        return;
    }
    zoomButton(m_model->GetActualSkupina());
}

void TForestController::ShowTheForest(bool Highlight) {
    if (!m_model) return;
    chooseDivision(S_Oddeleni);
    m_model->SetDilec_Name(S_Dilec);
    m_model->SetPorost_Name(S_Porost);
    m_model->SetSkupina_Name(S_Skupina);
    Tgis_ForestUnit* target = m_model->GetActualSkupina();
    if (!target) target = m_model->GetActualPorost();
    if (!target) target = m_model->GetActualDilec();
    if (!target) target = m_model->GetActualOddeleni();
    if (!target) target = m_model->GetActualLHC();
    if (!target) {
        showLabel(QStringLiteral("X"));
        return;
    }
    zoomTo(target);
    if (Highlight)
        if (Tgis_PorostniSkupina* group = m_model->GetActualSkupina()) BlinkArea(group->GetGeometry());
    showLabel(UnitLabel(S_Oddeleni, S_Dilec, S_Porost, S_Skupina));
}

// ---- finding ------------------------------------------------------------------------------------

bool TForestController::busy() const {
    return !m_model || !m_selector || m_selector->GetBusy();
}

Tgis_PorostniSkupina* TForestController::FindForestSimple(double X1, double Y1) {
    if (busy()) return nullptr;
    m_selector->SetX(X1);
    m_selector->SetY(Y1);
    m_selector->DoIt();
    return zelto_cast<Tgis_PorostniSkupina>(m_selector->GetActualFrame());
}

QString TForestController::FindForestSimpleText(double X1, double Y1) {
    const Tgis_PorostniSkupina* g = FindForestSimple(X1, Y1);
    return g ? ForestUnitLabel(g) : QStringLiteral("???");
}

Tgis_PorostniSkupina* TForestController::FindForest(double X1, double Y1, bool aBlink) {
    if (busy()) return nullptr;
    Tgis_PorostniSkupina* g = FindForestSimple(X1, Y1);
    if (!g) {
        showLabel(QStringLiteral("JPRL?"));
        return nullptr;
    }
    if (aBlink) BlinkArea(g->GetGeometry());
    const Tgis_Dilec* dil = g->Get_Dilec();
    const Tgis_Porost* por = g->Get_Porost();
    S_LHC = QString::number(g->lhcNumber());
    S_Oddeleni = QString::number(g->oddeleniNumber());
    S_Dilec = dil ? dil->GetName() : QString();
    S_Porost = por ? por->GetName() : QString();
    S_Skupina = g->GetName();
    showLabel(UnitLabel(S_Oddeleni, S_Dilec, S_Porost, S_Skupina));
    return g;
}

Tgis_PorostniSkupina* TForestController::FindForestOnScreen(QPointF aPosition, bool aBlink) {
    const TPageProjection* P = m_canvas.Projection();
    if (!P) return nullptr;
    return FindForest(P->GetModelX(float(aPosition.x())), P->GetModelY(float(aPosition.y())), aBlink);
}

// ---- highlights ---------------------------------------------------------------------------------

void TForestController::BlinkArea(TGeometry* anArea) {
    if (ImDrawing || !anArea) return;
    ImDrawing = true;
    m_highlight = anArea;
    // A running redraw paints it at its highlight pass, over the layers and under the GPS marker.
    if (!m_canvas.Running()) {
        paintHighlight();
        m_canvas.Update();
    }
    ImDrawing = false;
    AreaBlinked = true;
}

void TForestController::PaintPendingHighlight() {
    if (m_highlight) paintHighlight();
}

void TForestController::Forget(const TElement* element) {
    if (element && m_highlight == element) m_highlight = nullptr;
}

void TForestController::paintHighlight() {
    TGeometry* area = std::exchange(m_highlight, nullptr);
    if (auto* a = zelto_cast<TAreaElement>(area)) m_painter.DrawAreaHighlight(*a);
}

void TForestController::BlinkLine(TElement* aLine) {
    const auto* line = zelto_cast<TPolyElement>(aLine);
    const TPageProjection* P = m_canvas.Projection();
    if (ImDrawing || !line || !P || !m_w.GPath || line->GetCoordsCount() < 2) return;
    ImDrawing = true;
    QWidget* form = m_w.GPath->parentWidget();
    if (form) m_w.GPath->setGeometry(form->rect());
    // Page points of the map picture, placed in the window's logical pixels.
    const QWidget* image = m_canvas.Widgets().Image;
    const double ratio = image ? image->devicePixelRatioF() : 1.0;
    const QPointF offset =
        image && form && form->isAncestorOf(image) ? QPointF(image->mapTo(form, QPoint(0, 0))) : QPointF();
    m_linePath = QPainterPath();
    bool first = true;
    QPointF start;
    line->ForEachCoord([&](const T2DCoordinate* c) {
        if (!c) return true;
        const QPointF p = QPointF(P->GetPageX(c->FX), P->GetPageY(c->FY)) / ratio + offset;
        if (first) {
            m_linePath.moveTo(p);
            start = p;
            first = false;
        } else if (QLineF(start, p).length() > 2.0 / ratio) {
            m_linePath.lineTo(p);
        }
        return true;
    });
    m_flashes = 0;
    m_w.GPath->raise();
    m_w.GPath->show();
    m_flash->start();
}

bool TForestController::LineFlashing() const {
    return m_flash->isActive();
}

void TForestController::flashStep() {
    if (!m_w.GPath) return;
    if (!m_w.GPath->isHidden()) {
        m_w.GPath->hide();
        if (++m_flashes >= LineFlashes) {
            m_flash->stop();
            ImDrawing = false;
        }
    } else {
        m_w.GPath->show();
    }
}

// ---- the host -----------------------------------------------------------------------------------

void TForestController::b_HKClick() {
    TElement* unit = m_model && m_selector ? m_selector->GetActualFrame() : nullptr;
    if (!unit) {
        if (Hooks.HideForm) Hooks.HideForm();
        return;
    }
    if (!Hooks.SelectJPRL || !Hooks.SelectJPRL(unit))
        notifier().message(QStringLiteral("OnSelectJPRL není obsazeno "));
}

void TForestController::l_JPRLsClick() {
    if (Hooks.HideTopBar) Hooks.HideTopBar();
    b_HKClick();
}

void TForestController::cb_jprlSwitch() {
    if (!m_w.cb_jprl) return;
    CHeckJPRL = m_w.cb_jprl->isChecked();
    if (m_w.l_JPRL) m_w.l_JPRL->setVisible(CHeckJPRL);
}

bool TForestController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_w.GPath && event->type() == QEvent::Paint) {
        QPainter p(m_w.GPath);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.strokePath(m_linePath, QPen(Qt::white, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease && watched != m_w.GPath) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            l_JPRLsClick();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace zelto
