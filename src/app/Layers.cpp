#include "Layers.h"

#include "StreamRead.h"
#include "UiKit.h"
#include "dialogs/fr_Kordlin_SuperDialog.h"
#include "lock/ProgressController.h"

#include "colors/e_Color.h"
#include "forest/e_LHCElements.h"
#include "forest/e_Zelto01Projects.h"
#include "framework/E_Type.h"
#include "framework/Errors.h"
#include "framework/Notifier.h"
#include "framework/ProjectPath.h"
#include "framework/_IniFile.h"
#include "framework/e_Props.h"
#include "geometry/e_Geometry.h"
#include "geometry/e_GeometryElement.h"
#include "geometry/e_GeometryEx.h"
#include "persistence/ProjectXml.h"
#include "persistence/T_Saver.h"
#include "platform/StorageFolders.h"
#include "projection/Gpx.h"
#include "topobjects/e_TopolElements.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QSaveFile>
#include <QTimer>

namespace zelto {

namespace {

const QString Meas = QStringLiteral("Meas"), Log = QStringLiteral("Log"), User = QStringLiteral("User");
const QString OldRoutesAndNotes = QStringLiteral("OldRoutesAndNotes");
constexpr quint32 EditDefaultColor = 0xFFFF1493;
constexpr int LayerRole = Qt::UserRole;                         // the layer an item stands for
constexpr int DetailRole = ui::TDetailItemDelegate::DetailRole; // the contents under the caption
constexpr int ColorRole = Qt::UserRole + 2;                     // the layer's colour, ARGB

bool isBuiltIn(const QString& name) {
    for (const QString& b : {Meas, Log, User})
        if (name.compare(b, Qt::CaseInsensitive) == 0) return true;
    return false;
}

// The local entry of a layer: its settings without its objects.
TComplicatedGECollection* settingsCopy(const TComplicatedGECollection* layer) {
    auto* copy = new TComplicatedGECollection;
    copy->SetName(layer->GetName());
    copy->FText = layer->FText;
    copy->FColor = layer->FColor;
    copy->FVisible = layer->FVisible;
    copy->FEnabled = layer->FEnabled;
    copy->FRestriction = layer->FRestriction;
    copy->FGroup = layer->FGroup;
    copy->FObjectType = layer->FObjectType;
    return copy;
}

// Every non-empty sub-layer of that kind (its name in upper case) of every layer, in order.
template <class Fn> void forEachSubLayer(TOwnerEntity* layers, QLatin1String kind, Fn fn) {
    for (int i = 0; layers && i < layers->ElementsCount(); ++i) {
        TComplicatedGECollection* layer = asLayer(layers->Get(i));
        for (int j = 0; layer && j < layer->ElementsCount(); ++j) {
            TComplicatedGECollection* sub = asLayer(layer->Get(j));
            if (sub && sub->ElementsCount() > 0 && sub->GetName().toUpper() == kind) fn(layer, sub);
        }
    }
}

// A sub-layer of an older version holds its objects as bare elements of class T (its first child
// tells). Each becomes convert(it), which takes it over; anything else is dropped.
template <class T, class Convert> bool convertOlder(TComplicatedGECollection* sub, Convert convert) {
    if (!zelto_cast<T>(sub->Get(0))) return false;
    std::vector<TElement*> older;
    while (sub->ElementsCount() > 0) {
        older.push_back(sub->Get(sub->ElementsCount() - 1));
        sub->RemoveElementIndex(sub->ElementsCount() - 1);
    }
    for (auto it = older.rbegin(); it != older.rend(); ++it) {
        if (auto* t = zelto_cast<T>(*it))
            sub->AddElement(convert(t));
        else
            delete *it;
    }
    return true;
}

QPixmap swatch(quint32 argb) {
    QPixmap p(20, 20);
    p.fill(Qt::transparent);
    QPainter painter(&p);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor::fromRgba(argb));
    painter.setPen(QPen(QColor(0, 0, 0, 90), 1));
    painter.drawRoundedRect(QRectF(1.5, 1.5, 17, 17), 4, 4);
    return p;
}

QString objectCount(TComplicatedGECollection* sub) {
    const QString kind = sub->GetName().toUpper();
    const QString label = kind == QLatin1String("A")   ? QStringLiteral("Plochy:")
                          : kind == QLatin1String("L") ? QStringLiteral("Linie:")
                          : kind == QLatin1String("P") ? QStringLiteral("Body:")
                                                       : QStringLiteral("Pozn:");
    return label + QLatin1Char(' ') + QString::number(sub->ElementsCount()) + QLatin1Char(' ');
}

} // namespace

TComplicatedGECollection* asLayer(TElement* e) {
    return zelto_cast<TComplicatedGECollection>(e);
}

bool isSubLayerKind(const QString& name, char kind) {
    return name.size() == 1 && name.at(0).toUpper() == QLatin1Char(kind);
}

TLayersWidgets TLayersWidgets::Find(QWidget& form) {
    TLayersWidgets w;
    ZELTO_FIND_CONTROL(form, w, ListBox_Layers);
    ZELTO_FIND_CONTROL(form, w, ActiveLayerCombo);
    ZELTO_FIND_CONTROL(form, w, tab_layers_Layout);
    ZELTO_FIND_CONTROL(form, w, tab_Layers_edit_LayerName);
    ZELTO_FIND_CONTROL(form, w, tab_Layers_ComboColor);
    ZELTO_FIND_CONTROL(form, w, tab_Layers_LayerDetail);
    ZELTO_FIND_CONTROL(form, w, b_DeleteLayer);
    ZELTO_FIND_CONTROL(form, w, Button7);
    ZELTO_FIND_CONTROL(form, w, Button15);
    ZELTO_FIND_CONTROL(form, w, b_ExportGPX);
    return w;
}

TLayersController::TLayersController(const TLayersWidgets& widgets, TProgressController& progress)
    : m_w(widgets), m_progress(progress) {
    if (m_w.ListBox_Layers) {
        // A tap on a tick box also reports a click on its row, right after the tick: that click
        // is the tick's, not a request for the layer's details.
        QObject::connect(m_w.ListBox_Layers, &QListWidget::itemChanged, m_w.ListBox_Layers,
                         [this](QListWidgetItem* item) {
                             m_ticked = item;
                             QTimer::singleShot(0, m_w.ListBox_Layers, [this] { m_ticked = nullptr; });
                             ListBox_LayersChangeCheck(item);
                         });
        QObject::connect(m_w.ListBox_Layers, &QListWidget::itemClicked, m_w.ListBox_Layers,
                         [this](QListWidgetItem* item) {
                             if (item != m_ticked) ListBox_LayersItemClick(item);
                         });
    }
    if (m_w.ActiveLayerCombo)
        QObject::connect(m_w.ActiveLayerCombo, &QComboBox::currentIndexChanged,
                         [this](int index) { ActiveLayerComboChange(index); });
    if (m_w.tab_Layers_ComboColor) {
        for (quint32 c : LayerColors()) m_w.tab_Layers_ComboColor->addItem(QIcon(swatch(c)), QString(), c);
        QObject::connect(m_w.tab_Layers_ComboColor, &QComboBox::activated,
                         [this](int index) { tab_Layers_ComboColorChange(index); });
    }
    if (m_w.b_DeleteLayer)
        QObject::connect(m_w.b_DeleteLayer, &QAbstractButton::clicked, [this] { b_DeleteLayerClick(); });
    if (m_w.Button7) QObject::connect(m_w.Button7, &QAbstractButton::clicked, [this] { Button7Click(); });
    if (m_w.Button15) QObject::connect(m_w.Button15, &QAbstractButton::clicked, [this] { Button15Click(); });
    if (m_w.b_ExportGPX)
        QObject::connect(m_w.b_ExportGPX, &QAbstractButton::clicked, [this] { b_ExportGPXClick(); });
}

TLayersController::~TLayersController() {
    freeLayers();
}

const std::vector<quint32>& TLayersController::LayerColors() {
    static const std::vector<quint32> colors = [] {
        std::vector<quint32> c = {0xFFFF0000, 0xFFFF1493, 0xFFDA70D6, 0xFF32CD32, 0xFF00FFFF, 0xFFFFA500,
                                  0xFFFFFF00, 0xFF1E90FF, 0xFF8B4513, 0xFF000000, 0xFFFFFFFF};
        for (int i = 1; i <= 16; ++i) {
            const quint32 p = DejBarvicku(i) | 0xFF000000u;
            if (std::find(c.begin(), c.end(), p) == c.end()) c.push_back(p);
        }
        return c;
    }();
    return colors;
}

// ---- state ----------------------------------------------------------------------------------------

void TLayersController::freeLayers() {
    ActualSuperLayer = NextActualSuperLayer = nullptr;
    m_selected = nullptr;
    m_layers.reset();
    m_local.reset();
    m_userLayers.reset();
    m_table42.reset();
    if (Hooks.Layer42TableChanged) Hooks.Layer42TableChanged(nullptr);
    m_reads.clear(); // after the layers: their trees may refer to what the reads keep
}

void TLayersController::Clear() {
    Changed();
    SuperLayerChangeActive = false;
    freeLayers();
    Layers_Modified = LayersLocal_Modified = false;
    if (m_w.ListBox_Layers) m_w.ListBox_Layers->clear();
    if (m_w.ActiveLayerCombo) m_w.ActiveLayerCombo->clear();
    showList();
}

void TLayersController::KeepRead(std::unique_ptr<TStreamRead> read) {
    if (read) m_reads.push_back(std::move(read));
}

TComplicatedGECollection* TLayersController::Layer(const QString& aName) const {
    if (!m_layers) return nullptr;
    return asLayer(m_layers->GetElement(aName));
}

TComplicatedGECollection* TLayersController::localEntry(const QString& name) const {
    if (!m_local) return nullptr;
    return asLayer(m_local->GetElement(name));
}

void TLayersController::appendLocalCopy(TComplicatedGECollection* layer) {
    if (!m_local) return;
    m_local->AddElement(settingsCopy(layer));
    LayersLocal_Modified = true;
}

// ---- reading ---------------------------------------------------------------------------------------

void TLayersController::LoadAll() {
    UserLayers_Load();
    LayersLocal_Load();
    Layers_Load();
    LayersLocal_Check();
    Layers_CheckByUserLayers();
    Layers_CheckNotes();
    Layers_CheckColors();
    Layers_42CheckColors();
    Layers_CheckLines();
    Layers_UpdateList();
    if (Layers_Modified) Layers_Save();
    if (LayersLocal_Modified) LayersLocal_Save();
    Changed();
}

void TLayersController::UserLayers_Load() {
    m_userLayers.reset();
    m_table42.reset();
    const QString path = TProjectPath::UserLayers;
    if (!path.isEmpty() && QFileInfo::exists(path)) {
        QDomDocument doc;
        QString reason;
        if (readProjectXml(path, doc, reason)) {
            const QDomElement root = doc.documentElement();
            if (root.tagName().toUpper() == QLatin1String("USERLAYERS")) {
                m_userLayers.reset(new TOwnerEntity);
                m_userLayers->SetName(QStringLiteral("USERLAYERS"));
                for (QDomElement d = root.firstChildElement(); !d.isNull(); d = d.nextSiblingElement()) {
                    auto* info = new TZelto01UserLayerInfo;
                    info->SetName(d.attribute(QStringLiteral("Name")));
                    info->FValue = d.attribute(QStringLiteral("Lays"));
                    bool ok = false;
                    if (d.hasAttribute(QStringLiteral("Restriction"))) {
                        const int r = d.attribute(QStringLiteral("Restriction")).trimmed().toInt(&ok);
                        if (ok) info->SetRestriction(r);
                    }
                    if (d.hasAttribute(QStringLiteral("Group"))) {
                        const int g = d.attribute(QStringLiteral("Group")).trimmed().toInt(&ok);
                        if (ok) info->SetGroup(g);
                    }
                    m_userLayers->AddElement(info);
                    // The clearing colour tables: read in order up to the first child of another
                    // group; the last one read wins.
                    for (QDomElement g = d.firstChildElement(); !g.isNull(); g = g.nextSiblingElement()) {
                        if (g.attribute(QStringLiteral("Group")) != QLatin1String("42")) break;
                        auto table = std::make_unique<TStringListElement>();
                        table->SetName(QStringLiteral("42"));
                        for (QDomElement c = g.firstChildElement(); !c.isNull(); c = c.nextSiblingElement())
                            table->SetStringByName(c.attribute(QStringLiteral("Value")),
                                                   c.attribute(QStringLiteral("Color")));
                        m_table42 = std::move(table);
                    }
                }
            }
        } else {
            notifier().message(QStringLiteral("Definice vrstev %1 nelze přečíst: %2")
                                   .arg(QDir::toNativeSeparators(path), reason));
        }
    }
    if (Hooks.Layer42TableChanged) Hooks.Layer42TableChanged(m_table42.get());
}

void TLayersController::LayersLocal_Load() {
    m_local.reset();
    const QString path = TProjectPath::UDSM;
    if (path.isEmpty() || !QFileInfo(path).isFile()) return;
    m_progress.ShowBusy(QStringLiteral("Čtení UDSM z ") + path);
    QString reason;
    std::unique_ptr<TStreamRead> read = TStreamRead::Read(path, reason);
    if (read && read->Root()->InheritsFrom(TOwnerEntity::StaticClass())) {
        m_local.reset(static_cast<TOwnerEntity*>(read->TakeRoot()));
        m_reads.push_back(std::move(read));
    } else if (!read) {
        notifier().message(
            QStringLiteral("Soubor %1 nelze přečíst: %2").arg(QDir::toNativeSeparators(path), reason));
    }
    m_progress.HideBusy();
}

TComplicatedGECollection* TLayersController::Layers_LoadLayer(const QString& aLayerName) {
    const QString path = TProjectPath::Layer(aLayerName);
    if (!QFileInfo(path).isFile()) return nullptr;
    m_progress.ShowBusy(QStringLiteral("Čtení vrstvy ") + aLayerName + QStringLiteral(" z ") + path);
    QString reason;
    std::unique_ptr<TStreamRead> read = TStreamRead::Read(path, reason);
    TComplicatedGECollection* layer = nullptr;
    if (read && read->Root()->Is<TComplicatedGECollection>()) {
        layer = static_cast<TComplicatedGECollection*>(read->TakeRoot());
        m_reads.push_back(std::move(read));
    } else if (!read) {
        notifier().message(QStringLiteral("Vrstvu %1 nelze přečíst: %2").arg(aLayerName, reason));
    }
    m_progress.HideBusy();
    return layer;
}

void TLayersController::loadOneLayer(const QString& name, int restriction, bool byDefinition) {
    TComplicatedGECollection* layer = Layers_LoadLayer(name);
    TComplicatedGECollection* local = localEntry(name);
    if (layer) {
        // The layer keeps the name it is known by, whatever its file says.
        layer->SetName(name);
        if (byDefinition) layer->SetRestriction(restriction);
        m_layers->AddElement(layer);
        if (local) {
            layer->SetColor(local->GetColor());
            layer->SetVisible(local->GetVisible());
        } else {
            appendLocalCopy(layer);
        }
    } else if (local) {
        TComplicatedGECollection* empty = settingsCopy(local);
        if (byDefinition) empty->SetRestriction(restriction);
        m_layers->AddElement(empty);
    }
}

void TLayersController::Layers_Load() {
    if (m_local) {
        if (!m_layers) {
            m_layers.reset(new TOwnerEntity);
            m_layers->SetName(QStringLiteral("Layers"));
        }
        for (const QString& name : {Meas, Log, User}) loadOneLayer(name, 0, false);
        if (m_userLayers) {
            for (int i = 0; i < m_userLayers->ElementsCount(); ++i) {
                auto* d = zelto_cast<TZelto01UserLayerInfo>(m_userLayers->Get(i));
                if (!d || d->GetRestriction() >= 2 || isBuiltIn(d->GetName()) || Layer(d->GetName()))
                    continue;
                loadOneLayer(d->GetName(), d->GetRestriction(), true);
            }
        } else {
            // A copy of the names: loading appends to the local settings.
            QStringList names;
            for (int i = 0; i < m_local->ElementsCount(); ++i)
                if (TElement* e = m_local->Get(i)) names << e->GetName();
            for (const QString& name : names)
                if (!isBuiltIn(name) && !Layer(name)) loadOneLayer(name, 0, false);
        }
        return;
    }
    // A project of an older version, or a new one: the older combined file, once.
    QString older;
    for (const QString& candidate : {TProjectPath::User, m_olderPaths.value(0), m_olderPaths.value(1)})
        if (!candidate.isEmpty() && QFileInfo(candidate).isFile()) {
            older = candidate;
            break;
        }
    if (older.isEmpty()) {
        Layers_Check();
        recoverLayerFiles();
        if (!Layer(OldRoutesAndNotes) && Hooks.LoadOldRoutesAndNotes) {
            auto layer = std::unique_ptr<TComplicatedGECollection>(new TComplicatedGECollection);
            layer->SetName(OldRoutesAndNotes);
            layer->SetText(QStringLiteral("Staré trasy a pozn."));
            layer->SetColor(qint32(0xFF00FFFF));
            layer->SetVisible(true);
            if (Hooks.LoadOldRoutesAndNotes(layer.get())) {
                layer->SetModified(true);
                Layers_Modified = true;
                m_layers->AddElement(layer.release());
            }
        }
        return;
    }
    m_progress.ShowBusy(QStringLiteral("Čtení Layers z ") + older);
    QString reason;
    std::unique_ptr<TStreamRead> read = TStreamRead::Read(older, reason);
    if (read && read->Root()->InheritsFrom(TOwnerEntity::StaticClass())) {
        m_layers.reset(static_cast<TOwnerEntity*>(read->TakeRoot()));
        m_layers->SetName(QStringLiteral("Layers"));
        m_reads.push_back(std::move(read));
        const QString renamed = QFileInfo(older).path() + QLatin1Char('/') +
                                QFileInfo(older).completeBaseName() + QStringLiteral("._zl");
        QFile::remove(renamed);
        if (!QFile::rename(older, renamed))
            notifier().message(
                QStringLiteral("Soubor %1 nelze přejmenovat.").arg(QDir::toNativeSeparators(older)));
    } else if (!read) {
        notifier().message(
            QStringLiteral("Soubor %1 nelze přečíst: %2").arg(QDir::toNativeSeparators(older), reason));
    }
    m_progress.HideBusy();
}

void TLayersController::recoverLayerFiles() {
    // Without local settings the layer files of the project would stay unread until the next
    // opening (or for ever, for a layer no definition names): a lost settings file must not hide
    // the user's drawings. Each file that holds a layer whose name leads to that very file is
    // taken; the built-in layers take their objects from theirs.
    const QString prefix = QStringLiteral("UDSML_") + TProjectPath::PurePrj + QLatin1Char('_');
    const QStringList files =
        QDir(TProjectPath::Root).entryList({prefix + QStringLiteral("*.zlt")}, QDir::Files, QDir::Name);
    for (const QString& file : files) {
        const QString part = file.mid(prefix.size(), file.size() - prefix.size() - 4);
        QString reason;
        std::unique_ptr<TStreamRead> read = TStreamRead::Read(TProjectPath::Root + file, reason);
        auto* layer = read ? zelto_cast<TComplicatedGECollection>(read->Root()) : nullptr;
        if (!layer || TProjectPath::FileNamePart(layer->GetName()) != part) continue;
        const QString name = layer->GetName();
        auto* definition =
            m_userLayers ? zelto_cast<TZelto01UserLayerInfo>(m_userLayers->GetElement(name)) : nullptr;
        if (definition && definition->GetRestriction() >= 2) continue;
        read->TakeRoot();
        m_reads.push_back(std::move(read));
        if (TComplicatedGECollection* builtIn = Layer(name)) {
            // The built-in layer keeps its settings and takes the objects.
            while (layer->ElementsCount() > 0) {
                TElement* sub = layer->Get(0);
                layer->RemoveElementIndex(0);
                builtIn->AddElement(sub);
            }
            delete layer;
        } else {
            m_layers->AddElement(layer);
        }
    }
}

void TLayersController::SetOlderLayerFiles(const QString& nextToProject, const QString& inPublicFolder) {
    m_olderPaths = {nextToProject, inPublicFolder};
}

TComplicatedGECollection* TLayersController::Layers_Add(const QString& aName, const QString& aText) {
    if (!m_layers) return nullptr;
    auto* layer = new TComplicatedGECollection;
    layer->SetName(aName);
    layer->SetText(aText);
    m_layers->AddElement(layer);
    return layer;
}

void TLayersController::Layers_Check() {
    if (m_layers) return;
    m_layers.reset(new TOwnerEntity);
    m_layers->SetName(QStringLiteral("Layers"));
    struct BuiltIn {
        QString name, text;
        bool visible;
        quint32 color;
    };
    for (const BuiltIn& b : {BuiltIn{Meas, QStringLiteral("Měření"), false, 0xFF32CD32},
                             BuiltIn{Log, QStringLiteral("Trasy"), true, 0xFFDA70D6},
                             BuiltIn{User, QStringLiteral("Kreslení"), true, 0xFFFF0000}}) {
        TComplicatedGECollection* layer = Layers_Add(b.name, b.text);
        layer->SetEnabled(false);
        layer->SetVisible(b.visible);
        layer->SetColor(qint32(b.color));
    }
}

void TLayersController::LayersLocal_Check() {
    Layers_Check();
    if (m_local) return;
    m_local.reset(new TOwnerEntity);
    m_local->SetName(QStringLiteral("LAYERSLOCAL"));
    for (int i = 0; i < m_layers->ElementsCount(); ++i)
        if (auto* layer = asLayer(m_layers->Get(i))) {
            m_local->AddElement(settingsCopy(layer));
            layer->SetModified(true);
        }
    Layers_Modified = LayersLocal_Modified = true;
}

void TLayersController::Layers_CheckByUserLayers() {
    if (!m_userLayers || !m_layers) return;
    for (int i = 0; i < m_userLayers->ElementsCount(); ++i) {
        auto* d = zelto_cast<TZelto01UserLayerInfo>(m_userLayers->Get(i));
        if (!d) continue;
        TElement* found = m_layers->GetElement(d->GetName());
        TComplicatedGECollection* layer = asLayer(found);
        if (!found) {
            layer = Layers_Add(d->GetName(), QString());
            layer->SetModified(true);
            Layers_Modified = true;
        }
        if (!layer) continue;
        auto change = [&](bool differs, auto apply) {
            if (!differs) return;
            apply();
            layer->SetModified(true);
            Layers_Modified = true;
        };
        change(layer->GetText() != d->GetName(), [&] { layer->SetText(d->GetName()); });
        change(layer->GetRestriction() != d->GetRestriction(),
               [&] { layer->SetRestriction(d->GetRestriction()); });
        change(layer->GetGroup() != d->GetGroup(), [&] { layer->SetGroup(d->GetGroup()); });
        if (!localEntry(d->GetName())) appendLocalCopy(layer);
    }
}

void TLayersController::Layers_CheckNotes() {
    forEachSubLayer(m_layers.get(), QLatin1String("N"),
                    [this](TComplicatedGECollection* layer, TComplicatedGECollection* sub) {
                        const bool converted = convertOlder<TTextElement>(sub, [](TTextElement* text) {
                            auto* note = new Tgis_Note;
                            note->SetName(text->GetName());
                            note->SetText(text->GetText());
                            const double x = text->GetRefX(), y = text->GetRefY();
                            note->SetByDoubleRect({x, y, x, y});
                            delete text;
                            return note;
                        });
                        if (converted) markModified(layer);
                    });
}

TTopolLineElement* TLayersController::LineObjectOf(TPolyLineElement* polyline) {
    auto* line = new TTopolLineElement;
    line->SetName(polyline->GetName());
    line->SetGroup(1);
    line->FBarva = 13;
    line->FZnacka = 0;
    line->AddGeometry(polyline);
    return line;
}

void TLayersController::Layers_CheckLines() {
    forEachSubLayer(m_layers.get(), QLatin1String("L"),
                    [this](TComplicatedGECollection* layer, TComplicatedGECollection* sub) {
                        const bool converted =
                            convertOlder<TPolyLineElement>(sub, &TLayersController::LineObjectOf);
                        if (converted) markModified(layer);
                    });
}

void TLayersController::markModified(TComplicatedGECollection* layer) {
    layer->SetModified(true);
    Layers_Modified = true;
}

void TLayersController::Layers_CheckColors() {
    if (!m_local) return;
    for (int i = 0; i < m_local->ElementsCount(); ++i) {
        TComplicatedGECollection* entry = asLayer(m_local->Get(i));
        if (!entry || (quint32(entry->GetColor()) >> 24) == 0xFF) continue;
        entry->SetColor(qint32(EditDefaultColor));
        if (TComplicatedGECollection* layer = Layer(entry->GetName()))
            layer->SetColor(qint32(EditDefaultColor));
        LayersLocal_Modified = true;
    }
}

void TLayersController::Layers_42CheckColors() {
    if (!m_layers || !m_table42) return;
    bool ok = false;
    int fallback = m_table42->GetStringByName(QStringLiteral("0")).trimmed().toInt(&ok);
    if (!ok || !m_table42->GetStringElementByName(QStringLiteral("0"))) fallback = 13;
    forEachSubLayer(
        m_layers.get(), QLatin1String("A"),
        [&](TComplicatedGECollection* layer, TComplicatedGECollection* sub) {
            if (layer->GetGroup() != 42) return;
            for (int k = 0; k < sub->ElementsCount(); ++k) {
                auto* area = zelto_cast<Tgis_UserAreaElement>(sub->Get(k));
                if (!area) continue;
                const QString year = area->GetPropertyStringByName(QStringLiteral("ROK"));
                int colour = fallback;
                if (!year.isEmpty() && m_table42->GetStringElementByName(year)) {
                    const int c = m_table42->GetStringByName(year).trimmed().toInt(&ok);
                    if (ok) colour = c;
                }
                area->FBarva = colour;
                auto* props = zelto_cast<TDynamicProperties>(area->GetProperties());
                if (props && props->FindValue(QStringLiteral("PoznamkaKAVINT"))) {
                    if (TTypeElement* old = props->FindValue(QStringLiteral("Poznamka"))) {
                        props->RemoveElement(old);
                        delete old;
                    }
                    props->FindValue(QStringLiteral("PoznamkaKAVINT"))->SetName(QStringLiteral("Poznamka"));
                }
            }
        });
}

// ---- saving ----------------------------------------------------------------------------------------

bool TLayersController::saveStream(TOwnerEntity* root, const QString& path, const QString& label,
                                   const QString& failure) {
    m_progress.ShowBusy(label);
    bool ok = true;
    try {
        TSave save(path);
        save.SetNoProgress(true);
        save.SetInput(root);
        save.DoIt();
    } catch (const EZeltoError&) {
        ok = false;
    }
    m_progress.HideBusy();
    if (!ok) notifier().message(failure);
    return ok;
}

bool TLayersController::Layers_SaveLayer(TComplicatedGECollection* aLayer) {
    const QString path = TProjectPath::Layer(aLayer->GetName());
    return saveStream(aLayer, path,
                      QStringLiteral("uložení vrstvy ") + aLayer->GetName() + QStringLiteral(" do ") + path,
                      QStringLiteral("Není možné zapsat Vrstvu projektu !"));
}

void TLayersController::Layers_Save() {
    if (!m_layers) return;
    bool failed = false;
    for (int i = 0; i < m_layers->ElementsCount(); ++i) {
        TComplicatedGECollection* layer = asLayer(m_layers->Get(i));
        if (!layer || !layer->GetModified()) continue;
        bool anything = false;
        for (int j = 0; j < layer->ElementsCount() && !anything; ++j)
            if (TComplicatedGECollection* sub = asLayer(layer->Get(j)); sub && sub->ElementsCount() > 0)
                anything = true;
        // A layer emptied by deleting its objects is written too when it has a file or records of
        // deleted objects: else its last objects would come back from the old file, and the
        // deletions would never reach another device.
        const bool deletions = layer->GetDeletedUUIDs() && layer->GetDeletedUUIDs()->ElementsCount() > 0;
        const bool write = anything || deletions || QFileInfo(TProjectPath::Layer(layer->GetName())).isFile();
        // A layer whose file could not be written stays marked: the next save tries again.
        if (write && !Layers_SaveLayer(layer)) {
            failed = true;
            continue;
        }
        layer->SetModified(false);
    }
    Layers_Modified = failed;
}

bool TLayersController::LayersLocal_Save() {
    bool ok = true;
    if (m_local)
        ok = saveStream(m_local.get(), TProjectPath::UDSM,
                        QStringLiteral("uložení UDSM do ") + TProjectPath::UDSM,
                        QStringLiteral("Není možné zapsat UDSM projektu !"));
    LayersLocal_Modified = false;
    return ok;
}

std::function<void()> TLayersController::AddLayer(TComplicatedGECollection* layer) {
    if (!m_layers || !layer) return [] {};
    const bool wasModified = Layers_Modified, localWasModified = LayersLocal_Modified;
    TComplicatedGECollection* entry = nullptr;
    if (!localEntry(layer->GetName()) && m_local) {
        entry = settingsCopy(layer);
        m_local->AddElement(entry);
        LayersLocal_Modified = true;
    }
    m_layers->AddElement(layer);
    markModified(layer);
    Changed();
    return [this, layer, entry, wasModified, localWasModified] {
        if (ActualSuperLayer == layer) ActualSuperLayer = nullptr;
        if (NextActualSuperLayer == layer) NextActualSuperLayer = nullptr;
        if (m_selected == layer) showList();
        if (m_layers) m_layers->RemoveElement(layer);
        layer->SetModified(false);
        if (entry && m_local) m_local->FreeElement(entry);
        Layers_Modified = wasModified;
        LayersLocal_Modified = localWasModified;
        Changed();
    };
}

bool TLayersController::SaveChanges(TComplicatedGECollection* layer) {
    Layers_Save();
    if (layer && layer->GetModified()) return false;
    return !LayersLocal_Modified || LayersLocal_Save();
}

// ---- queries ---------------------------------------------------------------------------------------

TComplicatedGECollection* TLayersController::Layers_Layer(const QString& aName, const QString& aLayer) {
    TComplicatedGECollection* layer = Layer(aName);
    return layer ? layer->GetLayer(aLayer) : nullptr;
}

bool TLayersController::Layers_LayerExists(const QString& aName, const QString& aLayer) const {
    TComplicatedGECollection* layer = Layer(aName);
    return layer && layer->GetElement(aLayer);
}

bool TLayersController::IsSafeLayerName(const QString& aName) {
    const QString name = aName.trimmed();
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')) || name.toUtf8().size() > 100) return false;
    for (const QChar c : name)
        if (c.category() == QChar::Other_Control || QStringLiteral("/\\:*?\"<>|").contains(c)) return false;
    static const QStringList devices = [] {
        QStringList d = {QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"),
                         QStringLiteral("NUL")};
        for (int i = 1; i <= 9; ++i) d << QStringLiteral("COM%1").arg(i) << QStringLiteral("LPT%1").arg(i);
        return d;
    }();
    return !devices.contains(name.section(QLatin1Char('.'), 0, 0).toUpper());
}

int TLayersController::Layers_CHeckName(const QString& aName) const {
    static const QStringList reserved = {QStringLiteral("MEAS"), QStringLiteral("MĚŘENÍ"),
                                         QStringLiteral("LOG"),  QStringLiteral("TRASY"),
                                         QStringLiteral("USER"), QStringLiteral("KRESLENÍ")};
    if (!m_layers) return 0;
    if (reserved.contains(aName.toUpper()) || !IsSafeLayerName(aName)) return 1;
    return m_layers->GetElement(aName) ? 2 : 0;
}

QString TLayersController::LayerDetail(TComplicatedGECollection* aLayer) {
    QString detail;
    for (int j = 0; j < aLayer->ElementsCount(); ++j)
        if (TComplicatedGECollection* sub = asLayer(aLayer->Get(j)); sub && sub->ElementsCount() > 0)
            detail += objectCount(sub);
    return detail.isEmpty() ? QStringLiteral("Prázdná") : detail;
}

// ---- the object lists --------------------------------------------------------------------------

void TLayersController::Layer_UpdateList(TComplicatedGECollection* aLayer, const TLayerObjectLists& lists) {
    for (QListWidget* list : {lists.RoutesList, lists.NotesList, lists.AreasList})
        if (list) list->clear();
    if (!aLayer) return;
    for (int j = 0; j < aLayer->ElementsCount(); ++j)
        if (TComplicatedGECollection* sub = asLayer(aLayer->Get(j))) Layer_UpdateListDetail(sub, lists);
}

void TLayersController::Layer_UpdateListDetail(TComplicatedGECollection* aSubLayer,
                                               const TLayerObjectLists& lists) {
    const QString kind = aSubLayer->GetName().toUpper();
    QListWidget* list = kind == QLatin1String("A")   ? lists.AreasList
                        : kind == QLatin1String("L") ? lists.RoutesList
                        : kind == QLatin1String("N") ? lists.NotesList
                                                     : nullptr;
    if (!list) return;
    auto add = [list](TElement* e, const QString& text, const QString& detail) {
        auto* item = new QListWidgetItem(text, list);
        item->setData(LayerRole, QVariant::fromValue(static_cast<void*>(e)));
        item->setData(DetailRole, detail);
    };
    for (int k = 0; k < aSubLayer->ElementsCount(); ++k) {
        TElement* e = aSubLayer->Get(k);
        auto* element = zelto_cast<TGeometryElement>(e);
        auto* shape = element ? zelto_cast<TPolyElement>(element->GetGeometry()) : nullptr;
        if (kind == QLatin1String("N")) {
            auto* note = zelto_cast<Tgis_Note>(e);
            add(e, e->GetName(), note ? note->GetText() : QString());
        } else if (kind == QLatin1String("L")) {
            if (!shape) continue;
            add(e, e->GetName(),
                formatNumber(shape->GetLength(), 2) + QStringLiteral(" m ") +
                    QString::number(shape->GetCoordsCount()) + QStringLiteral(" bodů"));
        } else if (auto* area = zelto_cast<Tgis_UserAreaElement>(e); area && shape) {
            const QString unit =
                Hooks.UnitText ? Hooks.UnitText(area->GetRefX(), area->GetRefY()) : QString();
            if (area->GetGroup() == 42)
                add(e, QStringLiteral("Holina ") + unit,
                    formatNumber(std::abs(shape->GetArea()) / 10000, 2) + QStringLiteral(" ha . ETAZ ") +
                        area->GetPropertyStringByName(QStringLiteral("ETAZ")) + QStringLiteral(" . Index ") +
                        area->GetPropertyStringByName(QStringLiteral("INDEXHOLINY")) +
                        QStringLiteral(" . ROK ") + area->GetPropertyStringByName(QStringLiteral("ROK")));
            else
                add(e, QStringLiteral("Plocha ") + unit,
                    formatNumber(area->GetPlocha(), 2) + QStringLiteral(" ha ") +
                        formatNumber(shape->GetLength(), 2));
        }
    }
}

// ---- the layer tab ---------------------------------------------------------------------------------

void TLayersController::Layers_UpdateList() {
    SuperLayerChangeActive = false;
    QListWidget* list = m_w.ListBox_Layers;
    QComboBox* combo = m_w.ActiveLayerCombo;
    if (!list || !combo) return;
    const QSignalBlocker listBlock(list), comboBlock(combo);
    list->clear();
    combo->clear();
    ActualSuperLayerName =
        Hooks.Ini && Hooks.Ini()
            ? Hooks.Ini()->ReadString(QStringLiteral("OPTIONS"), QStringLiteral("EDITLAYER"), User)
            : User;
    int chosen = -1;
    for (int i = 0; m_layers && i < m_layers->ElementsCount(); ++i) {
        TComplicatedGECollection* layer = asLayer(m_layers->Get(i));
        if (!layer || layer->GetRestriction() > 1) continue;
        auto* item = new QListWidgetItem(layer->GetText(), list);
        item->setData(LayerRole, QVariant::fromValue(static_cast<void*>(layer)));
        item->setData(DetailRole, LayerDetail(layer));
        item->setData(ColorRole, quint32(layer->GetColor()));
        item->setIcon(QIcon(swatch(quint32(layer->GetColor()))));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(layer->GetVisible() ? Qt::Checked : Qt::Unchecked);
        item->setToolTip(plainToolTip(item->data(DetailRole).toString()));
        if (layer->GetRestriction() == 0 && layer->GetName() != OldRoutesAndNotes &&
            layer->GetName() != Meas && layer->GetName() != Log) {
            combo->addItem(layer->GetText(), QVariant::fromValue(static_cast<void*>(layer)));
            if (layer->GetName() == ActualSuperLayerName) {
                chosen = combo->count() - 1;
                NextActualSuperLayer = layer;
            }
        }
    }
    if (!m_userLayers) {
        auto* item = new QListWidgetItem(QStringLiteral("Nová vrstva"), list);
        item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
    }
    if (combo->count() > 0) {
        combo->setCurrentIndex(chosen >= 0 ? chosen : 0);
        if (chosen < 0)
            NextActualSuperLayer = static_cast<TComplicatedGECollection*>(combo->itemData(0).value<void*>());
    }
    SuperLayerChangeActive = true;
}

void TLayersController::ListBox_LayersChangeCheck(QListWidgetItem*) {
    QListWidget* list = m_w.ListBox_Layers;
    if (!list) return;
    for (int i = 0; i < list->count(); ++i) {
        QListWidgetItem* item = list->item(i);
        auto* layer = static_cast<TComplicatedGECollection*>(item->data(LayerRole).value<void*>());
        if (!layer) continue;
        const bool visible = item->checkState() == Qt::Checked;
        layer->SetVisible(visible);
        TComplicatedGECollection* local = localEntry(layer->GetName());
        if (local && local->GetVisible() != visible) {
            local->SetVisible(visible);
            LayersLocal_Modified = true;
        }
    }
    if (LayersLocal_Modified) LayersLocal_Save();
    Changed();
    if (Hooks.Review) Hooks.Review();
}

void TLayersController::showList() {
    if (m_w.ListBox_Layers) m_w.ListBox_Layers->show();
    if (m_w.tab_layers_Layout) m_w.tab_layers_Layout->hide();
    m_selected = nullptr;
}

void TLayersController::ListBox_LayersItemClick(QListWidgetItem* item) {
    if (!item) return;
    auto* layer = static_cast<TComplicatedGECollection*>(item->data(LayerRole).value<void*>());
    if (!layer) {
        // "Nová vrstva": the name is asked for in the generic dialog.
        TSuperdialog* dialog =
            Hooks.PrepareSuperdialog
                ? Hooks.PrepareSuperdialog(true, QStringLiteral("Chcete přidat vrstvu s názvem:"))
                : nullptr;
        if (!dialog) return;
        dialog->SetEditText(QStringLiteral("Nová vrstva"));
        dialog->SetOnOK([this, dialog](QObject*) { OnNewLayerConfirm(dialog->GetEditText()); });
        dialog->SetOnCancel([this](QObject*) {
            if (Hooks.OpenDrawer) Hooks.OpenDrawer();
        });
        if (Hooks.CloseDrawer) Hooks.CloseDrawer();
        dialog->Show();
        return;
    }
    m_selected = layer;
    if (m_w.tab_Layers_edit_LayerName) {
        m_w.tab_Layers_edit_LayerName->setText(layer->GetText());
        m_w.tab_Layers_edit_LayerName->setEnabled(layer->GetEnabled());
    }
    if (QComboBox* colors = m_w.tab_Layers_ComboColor) {
        const QSignalBlocker block(colors);
        int index = colors->findData(quint32(layer->GetColor()));
        if (index < 0) {
            colors->addItem(QIcon(swatch(quint32(layer->GetColor()))), QString(), quint32(layer->GetColor()));
            index = colors->count() - 1;
        }
        colors->setCurrentIndex(index);
    }
    if (m_w.tab_Layers_LayerDetail) m_w.tab_Layers_LayerDetail->setText(item->data(DetailRole).toString());
    if (m_w.b_DeleteLayer) m_w.b_DeleteLayer->setVisible(!isBuiltIn(layer->GetName()));
    if (m_w.b_ExportGPX) m_w.b_ExportGPX->setVisible(GpxTrackCount(layer) > 0);
    if (m_w.ListBox_Layers) m_w.ListBox_Layers->hide();
    if (m_w.tab_layers_Layout) m_w.tab_layers_Layout->show();
}

void TLayersController::tab_Layers_ComboColorChange(int index) {
    if (!m_selected || !m_w.tab_Layers_ComboColor || index < 0) return;
    const quint32 color = m_w.tab_Layers_ComboColor->itemData(index).toUInt();
    m_selected->SetColor(qint32(color));
    if (TComplicatedGECollection* local = localEntry(m_selected->GetName())) {
        local->SetColor(qint32(color));
        LayersLocal_Modified = true;
    }
    LayersLocal_Save();
    if (QListWidget* list = m_w.ListBox_Layers)
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->data(LayerRole).value<void*>() == m_selected) {
                const QSignalBlocker block(list);
                list->item(i)->setData(ColorRole, color);
                list->item(i)->setIcon(QIcon(swatch(color)));
            }
    Changed();
    if (Hooks.Review) Hooks.Review();
}

void TLayersController::Button7Click() {
    TComplicatedGECollection* layer = m_selected;
    showList();
    if (Hooks.CloseDrawer) Hooks.CloseDrawer();
    if (layer && Hooks.ShowLayerDetails) Hooks.ShowLayerDetails(layer);
}

void TLayersController::Button15Click() {
    showList();
    if (Layers_Modified) Layers_Save();
}

void TLayersController::b_DeleteLayerClick() {
    if (!m_selected) return;
    TSuperdialog* dialog =
        Hooks.PrepareSuperdialog
            ? Hooks.PrepareSuperdialog(false, QStringLiteral("Opravdu chcete Vrstvu ") +
                                                  m_selected->GetName() + QStringLiteral(" odstranit?"))
            : nullptr;
    if (!dialog) return;
    dialog->SetOnOK([this](QObject*) { OnDeleteLayerConfirm(); });
    dialog->Show();
}

QString TLayersController::b_ExportGPXClick() {
    if (!m_selected) return QString();
    QString gpx, error;
    if (!WriteGpxTracks(m_selected, QStringLiteral("MiniZelto"), gpx, error)) {
        notifier().message(
            QStringLiteral("Vrstvu %1 nelze převést do GPX: %2").arg(m_selected->GetName(), error));
        return QString();
    }
    const QString name = TProjectPath::PurePrj + QLatin1Char('_') +
                         TProjectPath::FileNamePart(m_selected->GetName()) + QStringLiteral(".gpx");
    const QStringList folders{QFileInfo(TProjectPath::Project).absolutePath(),
                              platform::storageFolders().downloadsFolder()};
    for (const QString& folder : folders) {
        if (folder.isEmpty()) continue;
        const QString file = QDir(folder).filePath(name);
        QSaveFile out(file);
        if (out.open(QIODevice::WriteOnly) && out.write(gpx.toUtf8()) >= 0 && out.commit()) {
            notifier().message(QStringLiteral("Vrstva %1 uložena do %2")
                                   .arg(m_selected->GetName(), QDir::toNativeSeparators(file)));
            return file;
        }
    }
    notifier().message(QStringLiteral("Soubor %1 nelze zapsat.").arg(name));
    return QString();
}

void TLayersController::OnDeleteLayerConfirm() {
    TComplicatedGECollection* layer = m_selected;
    if (!layer || !m_layers || isBuiltIn(layer->GetName())) return;
    if (ActualSuperLayer == layer) ActualSuperLayer = nullptr;
    if (NextActualSuperLayer == layer) NextActualSuperLayer = nullptr;
    showList();
    m_layers->RemoveElement(layer);
    delete layer;
    Changed();
    Layers_Save();
    Layers_UpdateList();
    if (Hooks.Review) Hooks.Review();
}

void TLayersController::OnNewLayerConfirm(const QString& aName) {
    const QString name = aName.trimmed();
    switch (Layers_CHeckName(name)) {
    case 1:
        notifier().message(name + QStringLiteral(" je zakázané jméno!"));
        break;
    case 2:
        notifier().message(QStringLiteral("Vrstva ") + name + QStringLiteral(" už existuje!"));
        break;
    default:
        if (TComplicatedGECollection* layer = Layers_Add(name, name)) {
            layer->SetVisible(true);
            layer->SetEnabled(true);
            layer->SetColor(qint32(EditDefaultColor));
            appendLocalCopy(layer);
            Layers_CheckColors();
            LayersLocal_Save();
            Layers_UpdateList();
        }
        break;
    }
    if (Hooks.OpenDrawer) Hooks.OpenDrawer();
}

void TLayersController::ActiveLayerComboChange(int index) {
    if (!SuperLayerChangeActive || !m_w.ActiveLayerCombo || index < 0) return;
    auto* layer =
        static_cast<TComplicatedGECollection*>(m_w.ActiveLayerCombo->itemData(index).value<void*>());
    if (!layer) return;
    NextActualSuperLayer = layer;
    ActualSuperLayerName = layer->GetName();
    if (Hooks.Ini && Hooks.Ini())
        Hooks.Ini()->WriteString(QStringLiteral("OPTIONS"), QStringLiteral("EDITLAYER"),
                                 ActualSuperLayerName);
    const int tool = Hooks.ActiveTool ? Hooks.ActiveTool() : 0;
    if ((tool == 1 || tool == 4 || tool == 8) && Hooks.RestartActiveTool) Hooks.RestartActiveTool();
}

} // namespace zelto
