#include "t_xFileDialog.h"

#include "PartsLook.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScroller>
#include <QVBoxLayout>

#include <exception>

namespace zelto {

TxFileDialog* xFileDialog = nullptr;

namespace {

const QString UpCaption = QStringLiteral("Nahoru");
const QString SearchCaption = QStringLiteral("Hledej");
// The glyphs are drawn for screens up to three device pixels per pixel; Qt scales them down.
constexpr qreal GlyphRatio = 3.0;
constexpr int EntryIconSize = 32;

QString chooserStyleSheet() {
    const QString accent = parts::accentColor().name();
    return QStringLiteral(R"(
QWidget { font-size: 16px; }
QLineEdit { background: rgba(255,255,255,0.08); color: #f4f6f7; border: 1px solid rgba(255,255,255,0.14);
  border-radius: 10px; padding: 0 12px; min-height: 46px; selection-background-color: %1; }
QLineEdit:focus { border: 2px solid %1; }
QLineEdit#ed_Caption { background: transparent; border: none; color: #c0c0c0; font-size: 18px; font-weight: 600; }
QLineEdit#ed_Directory { color: #dfe5ea; }
QListWidget { background: rgba(18,22,26,0.78); border: none; border-radius: 12px; outline: none; color: #f4f6f7; font-size: 17px; }
QListWidget::item { min-height: 52px; padding: 0 10px; border-radius: 10px; }
QListWidget::item:selected { background: rgba(61,194,122,0.25); color: #ffffff; }
QPushButton { background: rgba(255,255,255,0.10); color: #f4f6f7; border: none; border-radius: 10px;
  min-height: 48px; min-width: 96px; padding: 0 16px; font-weight: 600; }
QPushButton:pressed { background: rgba(255,255,255,0.22); }
QPushButton#b_OK { background: %1; color: #10231a; }
QPushButton#b_OK:disabled { background: rgba(61,194,122,0.28); color: rgba(16,35,26,0.55); }
QLabel#l_Message { background: rgba(200,60,50,0.85); color: white; border-radius: 10px; padding: 10px 14px; }
)")
        .arg(accent);
}

QLabel* pictureHolder(QWidget* parent, const char* name, parts::IconKind glyph, const QColor& color) {
    auto* holder = new QLabel(parent);
    holder->setObjectName(QLatin1String(name));
    holder->setPixmap(parts::iconPixmap(glyph, EntryIconSize, GlyphRatio, color));
    holder->hide();
    return holder;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

QLineEdit* makeField(QWidget* parent, const char* name) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->setAlignment(Qt::AlignCenter);
    return field;
}

// The file's extension with its dot: what follows the last dot of the name; none without a dot.
QString extensionOf(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : fileName.mid(dot);
}

void destroyFileDialog() {
    delete xFileDialog;
    xFileDialog = nullptr;
}

} // namespace

TxFileDialog::TxFileDialog(std::unique_ptr<platform::StorageFolders> folders, QWidget* parent)
    : QWidget(parent, Qt::Window), m_folders(std::move(folders)) {
    setObjectName(QStringLiteral("xFileDialog"));
    setWindowTitle(QStringLiteral("Výběr souboru"));
    build();
    resize(560, 760);
}

TxFileDialog::~TxFileDialog() {
    // The flick recognizer belongs to the gesture manager until it is handed back.
    QScroller::ungrabGesture(ListView->viewport());
    if (xFileDialog == this) xFileDialog = nullptr;
}

void TxFileDialog::build() {
    setStyleSheet(chooserStyleSheet());

    ed_Caption = makeField(this, "ed_Caption");
    ed_Caption->setReadOnly(true);
    ed_Caption->setFocusPolicy(Qt::NoFocus);
    ed_Directory = makeField(this, "ed_Directory");
    b_Up = makeButton(this, "b_Up", UpCaption);
    ListView = new QListWidget(this);
    ListView->setObjectName(QStringLiteral("ListView"));
    ListView->setIconSize(QSize(EntryIconSize, EntryIconSize));
    ListView->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    ListView->setUniformItemSizes(true);
    QScroller::grabGesture(ListView->viewport(), QScroller::TouchGesture);
    ed_FileName = makeField(this, "ed_FileName");
    ed_FileName->setReadOnly(true);
    b_OK = makeButton(this, "b_OK", QStringLiteral("OK"));
    b_OK->setEnabled(false);
    b_CLose = makeButton(this, "b_CLose", QStringLiteral("Zavřít"));
    l_Message = new QLabel(this);
    l_Message->setObjectName(QStringLiteral("l_Message"));
    l_Message->setTextFormat(Qt::PlainText); // it quotes file names
    l_Message->setWordWrap(true);
    l_Message->hide();
    ImageControl1 = pictureHolder(this, "ImageControl1", parts::IconKind::Folder, parts::accentColor());
    ImageControl2 = pictureHolder(this, "ImageControl2", parts::IconKind::File, parts::textColor());
    ImageControl3 = pictureHolder(this, "ImageControl3", parts::IconKind::Up, parts::textColor());

    auto* top = new QHBoxLayout;
    top->addWidget(ed_Caption, 1);
    top->addWidget(b_Up);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(ed_FileName, 1);
    bottom->addWidget(b_OK);
    bottom->addWidget(b_CLose);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(10);
    layout->addLayout(top);
    layout->addWidget(ed_Directory);
    layout->addWidget(l_Message);
    layout->addWidget(ListView, 1);
    layout->addLayout(bottom);

    connect(ListView, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { ListViewItemClickEx(item ? ListView->row(item) : -1); });
    connect(ed_Directory, &QLineEdit::textChanged, this, [this] {
        if (!IgnoreEdit) b_Up->setText(SearchCaption);
    });
    connect(ed_Directory, &QLineEdit::returnPressed, this, &TxFileDialog::b_UpClick);
    connect(b_Up, &QPushButton::clicked, this, &TxFileDialog::b_UpClick);
    connect(b_OK, &QPushButton::clicked, this, &TxFileDialog::b_OKClick);
    connect(b_CLose, &QPushButton::clicked, this, &TxFileDialog::b_CLoseClick);

    // The window's background: a dark tile with a faint diagonal weave.
    m_tile = QPixmap(24, 24);
    m_tile.fill(QColor(0x1b, 0x21, 0x26));
    QPainter p(&m_tile);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor(255, 255, 255, 10), 1));
    p.drawLine(QPointF(0, 24), QPointF(24, 0));
    p.drawLine(QPointF(-12, 12), QPointF(12, -12));
    p.drawLine(QPointF(12, 36), QPointF(36, 12));
}

void TxFileDialog::SetStorageFolders(std::unique_ptr<platform::StorageFolders> folders) {
    m_folders = std::move(folders);
}

QString TxFileDialog::downloadsFolder() const {
    // Storage that is not available only takes the downloads folder out of the offer.
    try {
        return (m_folders ? *m_folders : platform::storageFolders()).downloadsFolder();
    } catch (const std::exception&) {
        return QString();
    }
}

void TxFileDialog::SetFilter(const QString& filter) {
    // A filter given without its dot ("zlt") means the same extension; several are separated by
    // ";" (".jpg;.png").
    QStringList extensions;
    for (const QString& part : filter.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString e = part.trimmed();
        if (!e.isEmpty()) extensions << (e.startsWith(QLatin1Char('.')) ? e : QLatin1Char('.') + e);
    }
    FFilter = extensions.join(QLatin1Char(';'));
}

void TxFileDialog::SetOnSelect(TSelectEvent handler) {
    FOnSelect = std::move(handler);
}

void TxFileDialog::SetFileName(const QString& name) {
    ed_FileName->setText(name);
}

QString TxFileDialog::GetFileName() const {
    return ed_FileName->text();
}

QString TxFileDialog::getDirectory() const {
    return ed_Directory->text();
}

void TxFileDialog::SetCaption(const QString& caption) {
    ed_Caption->setText(caption);
}

void TxFileDialog::SetRootDirectory(const QString& root) {
    m_root = root.isEmpty() ? QStringLiteral("/") : QDir::cleanPath(QDir::fromNativeSeparators(root));
}

QString TxFileDialog::normalised(const QString& path) const {
    QString p = QDir::fromNativeSeparators(path.trimmed());
    if (p.isEmpty()) return m_root;
    // A typed relative path is taken inside the directory the list shows.
    if (QDir::isRelativePath(p)) p = (m_shown.isEmpty() ? m_root : m_shown) + QLatin1Char('/') + p;
    return QDir::cleanPath(p);
}

QString TxFileDialog::parentOf(const QString& path) const {
    const QString p = normalised(path);
    if (p == m_root || QDir(p).isRoot()) return p;
    return QFileInfo(p).path();
}

void TxFileDialog::showDirectoryField(const QString& path) {
    IgnoreEdit = true;
    b_Up->setText(UpCaption);
    ed_Directory->setText(path);
    IgnoreEdit = false;
    m_shown = path;
}

void TxFileDialog::addEntry(EntryKind kind, const QString& text, const QString& detail) {
    const QLabel* holder = kind == UpEntry          ? ImageControl3
                           : kind == DirectoryEntry ? ImageControl1
                                                    : ImageControl2;
    auto* item = new QListWidgetItem(QIcon(holder->pixmap()), text);
    item->setData(DetailRole, detail);
    item->setData(KindRole, int(kind));
    item->setSizeHint(QSize(0, 52));
    ListView->addItem(item);
}

void TxFileDialog::showMessage(const QString& text) {
    m_error = text;
    l_Message->setText(text);
    l_Message->setVisible(!text.isEmpty());
    if (!text.isEmpty()) emit listingFailed(text);
}

TxFileDialog::TDirectoryListing TxFileDialog::ReadDirectory(const QString& dir) const {
    TDirectoryListing listing;
    const QFileInfo info(dir);
    listing.exists = info.exists() && info.isDir();
    listing.isFile = info.exists() && !info.isDir();
    if (!listing.exists) return listing;
    listing.readable = info.isReadable() && info.isExecutable();
    if (!listing.readable) return listing;
    const QDir d(dir);
    const QDir::SortFlags order = QDir::Name | QDir::IgnoreCase;
    for (const QFileInfo& e : d.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, order))
        listing.dirs.append(e.absoluteFilePath());
    for (const QFileInfo& e : d.entryInfoList(QDir::Files, order)) listing.files.append(e.absoluteFilePath());
    return listing;
}

bool TxFileDialog::SetDirectory(const QString& dir) {
    b_OK->setEnabled(false);
    ListView->setUpdatesEnabled(false);
    ListView->clear();
    const QString path = normalised(dir);
    showDirectoryField(path);

    TDirectoryListing listing = ReadDirectory(path);
    bool ok = true;
    if (!listing.exists) {
        showMessage(
            (listing.isFile ? QStringLiteral("Není to adresář: ") : QStringLiteral("Adresář neexistuje: ")) +
            path);
        listing = TDirectoryListing();
        ok = false;
    } else {
        // The top of the tree with nothing to go into (a device that hides its root): the
        // downloads folder is offered instead, with its own subdirectories and files.
        if (path == m_root && listing.dirs.isEmpty()) {
            const QString downloads = QDir::cleanPath(QDir::fromNativeSeparators(downloadsFolder()));
            if (!downloads.isEmpty() && downloads != QLatin1String(".") && downloads != path) {
                TDirectoryListing other = ReadDirectory(downloads);
                if (other.exists && other.readable) {
                    showDirectoryField(downloads);
                    listing = other;
                }
            }
        }
        if (listing.readable) {
            showMessage(QString());
        } else {
            showMessage(QStringLiteral("Obsah adresáře nelze přečíst: ") + path);
            ok = false;
        }
    }
    m_dirs = listing.dirs;
    m_files = listing.files;

    if (listing.exists) {
        addEntry(UpEntry, QStringLiteral(".."), QStringLiteral("UP"));
        for (const QString& d : m_dirs) addEntry(DirectoryEntry, QFileInfo(d).fileName(), d);
        const QStringList wanted = FFilter.toUpper().split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (const QString& f : m_files) {
            const QString name = QFileInfo(f).fileName();
            if (wanted.isEmpty() || wanted.contains(extensionOf(name).toUpper()))
                addEntry(FileEntry, name, f);
        }
    }
    ListView->clearSelection();
    ListView->setCurrentRow(-1);
    ed_FileName->setText(QStringLiteral("???"));
    ListView->setUpdatesEnabled(true);
    return ok;
}

void TxFileDialog::ListViewItemClickEx(int index) {
    ed_Caption->setText(QStringLiteral("Click"));
    if (index < 0 || index >= ListView->count()) return;
    const QListWidgetItem* item = ListView->item(index);
    const QString text = item->text();
    const QString detail = item->data(DetailRole).toString();
    const int kind = item->data(KindRole).toInt();
    ed_Caption->setText(QStringLiteral("Click ") + text);
    switch (kind) {
    case UpEntry:
        SetDirectory(parentOf(ed_Directory->text()));
        break;
    case DirectoryEntry:
        SetDirectory(detail);
        break;
    default:
        ed_FileName->setText(detail);
        break;
    }
    if (kind == FileEntry) {
        b_OK->setEnabled(true);
    } else {
        b_OK->setEnabled(false);
        ed_FileName->clear();
    }
}

void TxFileDialog::b_UpClick() {
    if (b_Up->text() == UpCaption)
        SetDirectory(parentOf(ed_Directory->text()));
    else
        SetDirectory(ed_Directory->text());
}

void TxFileDialog::b_OKClick() {
    close();
    const QString path = ed_FileName->text();
    // A copy runs: the handler may install another one.
    if (TSelectEvent onSelect = FOnSelect) onSelect(path);
    emit selected(path);
}

void TxFileDialog::b_CLoseClick() {
    close();
}

void TxFileDialog::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QBrush(m_tile));
}

void TxFileDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Back) {
        b_CLoseClick();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

TxFileDialog* CreateXFileDialog(std::unique_ptr<platform::StorageFolders> folders) {
    if (!xFileDialog) {
        xFileDialog = new TxFileDialog(std::move(folders));
        // Widgets must go before the application object: its destructor runs this first.
        qAddPostRoutine(destroyFileDialog);
    }
    return xFileDialog;
}

} // namespace zelto
