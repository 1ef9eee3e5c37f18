#include "ImportLayer.h"

#include "Layers.h"
#include "SecondaryWindows.h"
#include "StreamRead.h"
#include "UiKit.h"
#include "dialogs/t_xFileDialog.h"

#include "framework/Elements.h"
#include "framework/Notifier.h"
#include "framework/ProjectPath.h"
#include "geometry/e_GeometryElement.h"
#include "geometry/e_GeometryEx.h"
#include "geometry/t_GeometryEx.h"

#include <QButtonGroup>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QStackedLayout>
#include <QToolButton>
#include <QVBoxLayout>

#include <exception>
#include <tuple>

namespace zelto {

namespace {

constexpr quint32 ImportedColor = 0xFF0000FF;
const QString ReadingText = QStringLiteral("Čtení dat ze souboru ....");

// The pictures of "Nahrát": 0 a no-entry sign (not ready), 2 a leaf (ready).
QIcon storeIcon(int picture) {
    QPixmap pixmap(96, 96);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    if (picture == 2) {
        QPainterPath leaf;
        leaf.moveTo(18, 80);
        leaf.cubicTo(10, 40, 40, 12, 84, 12);
        leaf.cubicTo(86, 56, 58, 84, 18, 80);
        p.setPen(QPen(QColor(0xFF1B5E20), 3));
        p.setBrush(QColor(0xFF43A047));
        p.drawPath(leaf);
        p.setPen(QPen(QColor(0xFFC8E6C9), 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(14, 84), QPointF(70, 28));
    } else {
        p.setPen(QPen(QColor(0xFF8E0000), 3));
        p.setBrush(QColor(0xFFD32F2F));
        p.drawEllipse(QRectF(8, 8, 80, 80));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(22, 40, 52, 16), 3, 3);
    }
    return QIcon(pixmap);
}

// The names of the files directly in `dir` (none without a directory).
QSet<QString> filesIn(const QString& dir) {
    if (dir.isEmpty()) return {};
    const QStringList names = QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
    return QSet<QString>(names.begin(), names.end());
}

// Moves every child of `from` to the end of `to`, in order.
void moveChildren(TEntity* from, TEntity* to) {
    while (from->ElementsCount() > 0) {
        TElement* e = from->Get(0);
        from->RemoveElementIndex(0);
        to->AddElement(e);
    }
}

// Moves the children of `from` from index `first` on back to the end of `to`.
void moveTail(TEntity* from, int first, TEntity* to) {
    while (from->ElementsCount() > first) {
        TElement* e = from->Get(first);
        from->RemoveElementIndex(first);
        to->AddElement(e);
    }
}

// Replaces the contents of `target` by those of `data`; the old ones wait in `replaced`. Answers
// what puts everything back.
std::function<void()> replaceContents(TComplicatedGECollection* target, TComplicatedGECollection* data,
                                      TOwnerEntity& replaced) {
    moveChildren(target, &replaced);
    moveChildren(data, target);
    target->ResetAndUpdate();
    target->SetModified(true);
    return [target, data, &replaced] {
        moveChildren(target, data);
        moveChildren(&replaced, target);
        target->ResetAndUpdate();
    };
}

// Adds the objects of each sub-layer of `data` to the sub-layer of that name of `target` (made when
// missing; a child of that name that is not a sub-layer is left alone). Answers what takes them
// back out.
std::function<void()> addContents(TComplicatedGECollection* target, TComplicatedGECollection* data) {
    struct Added {
        TComplicatedGECollection *from, *to;
        int before;
        bool created;
    };
    std::vector<Added> added;
    for (int i = 0; i < data->ElementsCount(); ++i) {
        TComplicatedGECollection* from = asLayer(data->Get(i));
        if (!from) continue;
        TElement* there = target->GetElement(from->GetName());
        if (there && !asLayer(there)) continue;
        TComplicatedGECollection* to = target->GetLayer(from->GetName());
        added.push_back({from, to, to->ElementsCount(), !there});
        moveChildren(from, to);
        to->ResetAndUpdate();
    }
    target->ResetAndUpdate();
    target->SetModified(true);
    return [target, added] {
        for (const Added& a : added) {
            moveTail(a.to, a.before, a.from);
            if (a.created)
                target->FreeElement(a.to);
            else
                a.to->ResetAndUpdate();
        }
        target->ResetAndUpdate();
    };
}

} // namespace

TImportLayer_Form::TImportLayer_Form(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ImportLayer_Form"));
    setWindowTitle(QStringLiteral("Import vrstvy"));
    build();
}

TImportLayer_Form::~TImportLayer_Form() {
    dropData();
}

void TImportLayer_Form::build() {
    setMinimumSize(420, 360);
    QPalette light = palette();
    light.setColor(QPalette::Window, QColor(0xFFF5F5F5));
    light.setColor(QPalette::WindowText, QColor(0xFF000000));
    setPalette(light);
    setAutoFillBackground(true);
    auto* column = new QVBoxLayout(this);
    const auto label = [this](const char* name, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        l->setTextFormat(Qt::PlainText); // names from the file are shown as they are
        l->setAlignment(Qt::AlignCenter);
        l->setWordWrap(true);
        return l;
    };
    Label1 = label("Label1", QStringLiteral("Import vrstev"));
    QFont title = Label1->font();
    title.setPointSize(22);
    Label1->setFont(title);
    l_Info = label("l_Info", QStringLiteral("Vyberte soubor pro import"));
    l_Info1 = label("l_Info1", QStringLiteral("..."));
    column->addWidget(Label1);
    column->addWidget(l_Info);
    column->addWidget(l_Info1);

    // Two radio buttons of one group, one above the other in `box`.
    const auto pair = [this](QWidget* box, QButtonGroup*& group, QRadioButton*& upper, const char* upperName,
                             const QString& upperText, QRadioButton*& lower, const char* lowerName,
                             const QString& lowerText) {
        auto* rows = new QVBoxLayout(box);
        group = new QButtonGroup(this);
        for (auto [button, name, text] :
             {std::tuple(&upper, upperName, upperText), std::tuple(&lower, lowerName, lowerText)}) {
            *button = new QRadioButton(text, box);
            (*button)->setObjectName(QLatin1String(name));
            rows->addWidget(*button, 0, Qt::AlignLeft); // a tap in its middle hits its label
            group->addButton(*button);
        }
    };
    auto* choices = new QHBoxLayout;
    Layout_Options = new QWidget(this);
    Layout_Options->setObjectName(QStringLiteral("Layout_Options"));
    pair(Layout_Options, m_nameGroup, rb_Change, "rb_Change", QStringLiteral("Nový název"), rb_Nochange,
         "rb_Nochange", QStringLiteral("Neměnit název"));
    choices->addWidget(Layout_Options);

    // Layout_Name and Layout_Data share one place on the right.
    auto* right = new QWidget(this);
    auto* stack = new QStackedLayout(right);
    stack->setStackingMode(QStackedLayout::StackAll);
    Layout_Name = new QWidget(right);
    Layout_Name->setObjectName(QStringLiteral("Layout_Name"));
    auto* nameRow = new QVBoxLayout(Layout_Name);
    ed_Nazev = new QLineEdit(Layout_Name);
    ed_Nazev->setObjectName(QStringLiteral("ed_Nazev"));
    nameRow->addWidget(ed_Nazev);
    Layout_Data = new QWidget(right);
    Layout_Data->setObjectName(QStringLiteral("Layout_Data"));
    pair(Layout_Data, m_dataGroup, rb_ReplaceData, "rb_ReplaceData",
         QStringLiteral("Nahradit pův. data novými"), rb_AddData, "rb_AddData",
         QStringLiteral("Přidat data"));
    rb_ReplaceData->setChecked(true);
    stack->addWidget(Layout_Name);
    stack->addWidget(Layout_Data);
    choices->addWidget(right, 1);
    column->addLayout(choices);

    b_Open = new QToolButton(this);
    b_Open->setObjectName(QStringLiteral("b_Open"));
    b_Open->setText(QStringLiteral("Vybrat soubor"));
    b_Open->setIcon(ui::makeIcon(ui::IconKind::Folder));
    b_Open->setIconSize(QSize(72, 72)); // one and a half times the other buttons' pictures
    b_Open->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    column->addWidget(b_Open, 0, Qt::AlignCenter);
    column->addStretch();

    auto* bottom = new QHBoxLayout;
    b_Store = new QPushButton(QStringLiteral("Nahrát"), this);
    b_Store->setObjectName(QStringLiteral("b_Store"));
    b_Store->setIconSize(QSize(48, 48));
    b_Cancel = new QPushButton(QStringLiteral("Zavřít"), this);
    b_Cancel->setObjectName(QStringLiteral("b_Cancel"));
    bottom->addWidget(b_Store);
    bottom->addStretch();
    bottom->addWidget(b_Cancel);
    column->addLayout(bottom);

    Layout_Options->hide();
    Layout_Name->hide();
    Layout_Data->hide();
    b_Open->hide();
    setStorePicture(0);

    connect(m_nameGroup, &QButtonGroup::buttonToggled, this, [this](QAbstractButton*, bool checked) {
        if (checked) rb_NochangeChange();
    });
    connect(m_dataGroup, &QButtonGroup::buttonToggled, this, [this](QAbstractButton*, bool checked) {
        if (checked) rb_AddDataChange();
    });
    connect(ed_Nazev, &QLineEdit::textEdited, this, [this] { OnEdit(); });
    connect(b_Open, &QToolButton::clicked, this, [this] { b_OpenClick(); });
    connect(b_Store, &QPushButton::clicked, this, [this] { b_StoreClick(); });
    connect(b_Cancel, &QPushButton::clicked, this, [this] { b_CancelClick(); });
}

// ---- state -------------------------------------------------------------------------------------

void TImportLayer_Form::dropData() {
    if (m_ownsData) delete Data;
    Data = nullptr;
    m_ownsData = false;
    m_read.reset();
}

void TImportLayer_Form::setStorePicture(int picture) {
    m_storePicture = picture;
    b_Store->setIcon(storeIcon(picture));
}

void TImportLayer_Form::setReady(bool ready) {
    ReadyToImport = ready;
    setStorePicture(ready ? 2 : 0);
}

void TImportLayer_Form::InfoRed(bool red) {
    QPalette palette = l_Info->palette();
    palette.setColor(QPalette::WindowText, QColor::fromRgba(red ? 0xFFFF0000 : 0xFF000000));
    l_Info->setPalette(palette);
    l_Info->setProperty("red", red);
}

void TImportLayer_Form::refuse(const QString& text) {
    Status = NothingYet;
    setReady(false);
    InfoRed(true);
    l_Info->setText(text);
    l_Info1->setText(QStringLiteral("..."));
    Layout_Options->hide();
    Layout_Name->hide();
    Layout_Data->hide();
    b_Open->setVisible(!NoButton);
}

TComplicatedGECollection* TImportLayer_Form::dataLayer() const {
    return zelto_cast<TComplicatedGECollection>(Data);
}

TComplicatedGECollection* TImportLayer_Form::existingLayer(const QString& name) const {
    TOwnerEntity* layers = Hooks.Layers ? Hooks.Layers() : nullptr;
    return layers ? asLayer(layers->GetElement(name)) : nullptr;
}

bool TImportLayer_Form::CheckName(const QString& aName, QString& anAlias) const {
    anAlias.clear();
    if (!Data) return false;
    TOwnerEntity* layers = Hooks.Layers ? Hooks.Layers() : nullptr;
    TElement* found = layers ? layers->GetElement(aName) : nullptr;
    if (!found) return true;
    if (TComplicatedGECollection* layer = asLayer(found)) anAlias = layer->GetText();
    return false;
}

// ---- starting ------------------------------------------------------------------------------------

void TImportLayer_Form::Start(bool Nobut, const QString& aFileName) {
    show();
    raise();
    Status = NothingYet;
    dropData();
    FileName.clear();
    setReady(false);
    NoButton = Nobut;
    b_Open->setVisible(!Nobut);
    InfoRed(false);
    l_Info1->setText(QStringLiteral("..."));
    Layout_Options->hide();
    Layout_Name->hide();
    Layout_Data->hide();
    if (!aFileName.isEmpty()) {
        FileName = aFileName;
        LoadData();
    } else {
        l_Info->setText(QStringLiteral("Vyberte soubor pro import"));
    }
}

void TImportLayer_Form::b_OpenClick() {
    auto* chooser = qobject_cast<TxFileDialog*>(secondaryWindow(SecondaryWindow::FileDialog));
    if (!chooser) chooser = CreateXFileDialog();
    chooser->SetFilter(QStringLiteral(".zlt"));
    chooser->SetDirectory(QStringLiteral("/"));
    chooser->SetCaption(QStringLiteral("Výběr souboru pro import"));
    QPointer<TImportLayer_Form> self(this);
    chooser->SetOnSelect([self](const QString& file) {
        if (self) self->OnSelectFile(file);
    });
    chooser->show();
    chooser->raise();
}

void TImportLayer_Form::OnSelectFile(const QString& S) {
    InfoRed(false);
    Status = NothingYet;
    setReady(false);
    dropData();
    FileName = S;
    LoadData();
}

bool TImportLayer_Form::LoadData() {
    b_Open->hide();
    l_Info->setText(ReadingText);
    dropData();
    QString reason;
    std::unique_ptr<TStreamRead> read;
    try {
        read = TStreamRead::Read(FileName, reason);
    } catch (const std::exception& e) {
        reason = QString::fromLocal8Bit(e.what());
    } catch (...) {
        reason = QStringLiteral("neznámá chyba");
    }
    if (!read) {
        refuse(QStringLiteral("Soubor nelze přečíst: ") + reason);
        return false;
    }
    if (!read->Root()->InheritsFrom(TOwnerEntity::StaticClass())) {
        refuse(QStringLiteral("Obsah souboru se nepodařilo načíst !"));
        return false;
    }
    m_read = std::move(read);
    Data = m_read->Root();
    return CheckData();
}

bool TImportLayer_Form::CheckData() {
    Status = NothingYet;
    if (!Data) {
        refuse(QStringLiteral("Obsah souboru se nepodařilo načíst !"));
        return false;
    }
    TComplicatedGECollection* layer = dataLayer();
    if (!layer) {
        refuse(QStringLiteral("Data v souboru nejsou kompatibilní s touto aplikací !"));
        return false;
    }
    // The name becomes the name of a file of the project.
    const QString name = layer->GetName();
    if (!TLayersController::IsSafeLayerName(name)) {
        refuse(QStringLiteral("Vrstvu ") + name + QStringLiteral(" nelze importovat: nepřípustný název !"));
        return false;
    }
    m_noProject = !Hooks.Layers || !Hooks.Layers();
    if (m_noProject) {
        refuse(QStringLiteral("Není otevřen žádný projekt !"));
        return false;
    }
    l_Info->setText(QStringLiteral("Pro import byla načtena vrstva ") + name + QStringLiteral(" [") +
                    layer->GetText() + QStringLiteral("]"));
    QString alias;
    if (CheckName(name, alias)) {
        Status = AsNewLayer;
        setReady(true);
        l_Info1->setText(QStringLiteral("Pokračujte tlačítkem Nahrát."));
    } else {
        Layout_Options->show();
        {
            const QSignalBlocker block(m_nameGroup);
            rb_Nochange->setChecked(true);
        }
        rb_NochangeChange();
    }
    return true;
}

// ---- the choices ----------------------------------------------------------------------------------

void TImportLayer_Form::rb_NochangeChange() {
    if (rb_Nochange->isChecked()) {
        Layout_Data->show();
        Layout_Name->hide();
        {
            const QSignalBlocker block(m_dataGroup);
            rb_ReplaceData->setChecked(true);
        }
        rb_AddDataChange();
    } else if (rb_Change->isChecked()) {
        Layout_Data->hide();
        Layout_Name->show();
        ed_Nazev->setText(Data ? Data->GetName() : QString());
        OnEdit();
        ed_Nazev->setFocus();
    }
}

void TImportLayer_Form::rb_AddDataChange() {
    if (!Data) return;
    Status = rb_AddData->isChecked() ? AddData : ReplaceData;
    QString alias;
    if (!CheckName(Data->GetName(), alias)) {
        InfoRed(true);
        l_Info->setText(QStringLiteral("Vrstva s interním názvem ") + Data->GetName() +
                        QStringLiteral(" již existuje pod aliasem ") + alias + QStringLiteral(" !"));
    }
    l_Info1->setText(QStringLiteral("Import dokončete tlačítkem Nahrát"));
    setReady(true);
}

void TImportLayer_Form::OnEdit() {
    const QString text = ed_Nazev->text();
    const bool tooShort = text.size() < 3;
    QString alias;
    const bool taken = !tooShort && !CheckName(text, alias);
    const bool unsafe = !tooShort && !taken && !TLayersController::IsSafeLayerName(text);
    if (tooShort || taken || unsafe) {
        Status = NothingYet;
        InfoRed(true);
        if (tooShort)
            l_Info->setText(QStringLiteral("Název je příliš krátký!"));
        else if (taken)
            l_Info->setText(QStringLiteral("Vrstva existuje (") + alias + QStringLiteral(")!"));
        else
            l_Info->setText(text + QStringLiteral(" je zakázané jméno!"));
        l_Info1->setText(QStringLiteral("..."));
        setReady(false);
        return;
    }
    Status = UnderNewName;
    InfoRed(false);
    l_Info->setText(QStringLiteral("Název OK"));
    l_Info1->setText(QStringLiteral("Tlačítkem nahrát dokončíte import"));
    setReady(true);
}

// ---- storing --------------------------------------------------------------------------------------

void TImportLayer_Form::b_StoreClick() {
    if (!ReadyToImport || !dataLayer()) {
        notifier().message(QStringLiteral("Data nelze importovat, odstraňte problémy!"));
        return;
    }
    TComplicatedGECollection* layer = dataLayer();
    if (Status == UnderNewName) {
        layer->SetName(ed_Nazev->text());
        layer->SetText(ed_Nazev->text());
        Status = AsNewLayer;
    }
    if (Status == AsNewLayer && layer->GetText().isEmpty()) layer->SetText(layer->GetName());
    if (!Store(Status)) {
        refuse(QStringLiteral("Vrstvu se nepodařilo zapsat do projektu, import nebyl proveden !"));
        return;
    }
    if (Hooks.UpdateList) Hooks.UpdateList();
    hide();
}

void TImportLayer_Form::b_CancelClick() {
    dropData();
    hide();
}

bool TImportLayer_Form::Store(int action) {
    TComplicatedGECollection* data = dataLayer();
    if (!data || !m_read) return false;
    TComplicatedGECollection* target = action == AsNewLayer ? data : existingLayer(data->GetName());
    if (action != AsNewLayer && !target) return false;
    QString alias;
    if (action == AsNewLayer && (!Hooks.AddLayer || !CheckName(data->GetName(), alias))) return false;

    // The notes go into the project with the layer; their files are copied after them.
    std::vector<TElement*> notes;
    if (TComplicatedGECollection* n = asLayer(data->GetElement(QStringLiteral("N"))))
        for (int i = 0; i < n->ElementsCount(); ++i)
            if (n->Get(i)->Is<Tgis_Note>()) notes.push_back(n->Get(i));

    // From here on the tree under Data is the window's (or the layers'), not the read's.
    if (!m_ownsData) {
        m_read->TakeRoot();
        m_ownsData = true;
    }
    const bool targetWasModified = target->GetModified();
    std::function<void()> undo;
    TOwnerEntity replaced; // the contents a replacement took out, until the store is written
    if (action == AsNewLayer) {
        data->SetColor(qint32(ImportedColor));
        undo = Hooks.AddLayer(data);
    } else if (action == ReplaceData) {
        undo = replaceContents(target, data, replaced);
    } else {
        undo = addContents(target, data);
    }

    // The note folders the copies go to (an automatic destination is the open project's).
    QString dataDir = Hooks.DataDirectory ? Hooks.DataDirectory() : QString();
    if (dataDir.isEmpty()) dataDir = TProjectPath::Root;
    const QString imgDir = dataDir.isEmpty() ? QString() : QDir(dataDir).filePath(QStringLiteral("img"));
    const QString audioDir = dataDir.isEmpty() ? QString() : QDir(dataDir).filePath(QStringLiteral("audio"));
    const QSet<QString> imgBefore = filesIn(imgDir), audioBefore = filesIn(audioDir);
    ImportDataEx(notes);
    const bool saved = Hooks.Save && Hooks.Save(target);
    if (!saved) {
        // Taken back: the layers as they were, and no file the import brought.
        undo();
        target->SetModified(targetWasModified);
        for (const QString& name : filesIn(imgDir) - imgBefore)
            QFile::remove(imgDir + QLatin1Char('/') + name);
        for (const QString& name : filesIn(audioDir) - audioBefore)
            QFile::remove(audioDir + QLatin1Char('/') + name);
        if (Hooks.Changed) Hooks.Changed();
        return false;
    }
    // What a replacement took out goes: nothing may still point at it.
    if (Hooks.Forget)
        for (TElement* sub : replaced.FElements) {
            if (auto* entity = zelto_cast<TEntity>(sub))
                for (TElement* object : entity->FElements) Hooks.Forget(object);
            Hooks.Forget(sub);
        }
    replaced.FreeAll();
    if (action == AsNewLayer) {
        m_ownsData = false; // the layers' from now on
        Data = nullptr;
    }
    if (Hooks.KeepRead) Hooks.KeepRead(std::move(m_read));
    dropData();
    if (Hooks.Changed) Hooks.Changed();
    return true;
}

void TImportLayer_Form::ImportDataEx(const std::vector<TElement*>& notes) {
    if (notes.empty()) return;
    Tgis_NoteTransfer transfer;
    transfer.SetFromDirectory(QFileInfo(FileName).absolutePath());
    transfer.SetToDirectory(Hooks.DataDirectory ? Hooks.DataDirectory() : QString());
    for (TElement* note : notes) {
        transfer.SetInput(note);
        transfer.DoIt();
    }
}

// ---- the host's import ------------------------------------------------------------------------

int TImportLayer_Form::RemoteStart(bool Nobut, const QString& aFileName, bool ShowDialog, int WhatToDo,
                                   const QString& aLayerName) {
    if (ShowDialog) {
        Start(Nobut, aFileName);
        return Done;
    }
    Status = NothingYet;
    dropData();
    FileName.clear();
    setReady(false);
    NoButton = Nobut;
    if (aFileName.isEmpty()) return NoFileName;
    FileName = aFileName;
    m_noProject = false;
    if (!LoadData()) {
        // A good layer with no project to take it is a store that cannot be made.
        const bool noProject = m_noProject;
        dropData();
        return noProject ? StoreFailed : NotALayer;
    }
    if (!aLayerName.isEmpty() && !TLayersController::IsSafeLayerName(aLayerName)) {
        refuse(aLayerName + QStringLiteral(" je zakázané jméno!"));
        dropData();
        return NotALayer;
    }
    const bool stored = RemoteStore(WhatToDo, aLayerName);
    dropData();
    return stored ? Done : StoreFailed;
}

bool TImportLayer_Form::RemoteStore(int WhatToDo, const QString& aLayerName) {
    TComplicatedGECollection* data = dataLayer();
    if (!data) return false;
    if (!aLayerName.isEmpty()) data->SetName(aLayerName);
    data->SetText(data->GetName());
    QString alias;
    const bool exists = !CheckName(data->GetName(), alias);
    int action = 0;
    switch (WhatToDo) {
    case 1:
        while (!CheckName(data->GetName(), alias)) data->SetName(data->GetName() + QLatin1Char('1'));
        if (!TLayersController::IsSafeLayerName(data->GetName())) {
            refuse(data->GetName() + QStringLiteral(" je zakázané jméno!"));
            return false;
        }
        action = AsNewLayer;
        break;
    case 2:
        action = exists ? ReplaceData : AsNewLayer;
        break;
    case 3:
        action = exists ? AddData : AsNewLayer;
        break;
    default:
        // Nothing is added (and no attachment of a note left out is copied).
        if (Hooks.UpdateList) Hooks.UpdateList();
        return true;
    }
    if (!Store(action)) {
        refuse(QStringLiteral("Vrstvu se nepodařilo zapsat do projektu, import nebyl proveden !"));
        return false;
    }
    if (Hooks.UpdateList) Hooks.UpdateList();
    return true;
}

void registerImportWindow() {
    setSecondaryWindowFactory(SecondaryWindow::ImportLayer, [] { return new TImportLayer_Form; });
}

} // namespace zelto
