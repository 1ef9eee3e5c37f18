// The file chooser: what a listing holds (filter, hidden entries, order), tapping entries,
// "Nahoru"/"Hledej", the downloads folder at the top of the tree, and paths that cannot be listed.
#include "dialogs/t_xFileDialog.h"
#include "platform/StorageFolders.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

using namespace zelto;

namespace {

struct Entry {
    int kind;
    QString text, detail;
    bool operator==(const Entry&) const = default;
};

void PrintTo(const Entry& e, std::ostream* os) {
    *os << "{" << e.kind << ", " << e.text.toStdString() << ", " << e.detail.toStdString() << "}";
}

class FileDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        root = tmp.path();
        dlg = std::make_unique<TxFileDialog>(std::make_unique<platform::FakeStorageFolders>(root, QString()));
    }

    QString path(const QString& relative) const { return root + QLatin1Char('/') + relative; }
    void makeDir(const QString& relative) const { ASSERT_TRUE(QDir().mkpath(path(relative))); }
    void makeFile(const QString& relative) const {
        QFile f(path(relative));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }

    template <class T> T* child(const char* name) const {
        T* w = dlg->findChild<T*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    std::vector<Entry> entries() const {
        std::vector<Entry> out;
        auto* list = child<QListWidget>("ListView");
        for (int i = 0; i < list->count(); ++i)
            out.push_back({list->item(i)->data(TxFileDialog::KindRole).toInt(), list->item(i)->text(),
                           list->item(i)->data(TxFileDialog::DetailRole).toString()});
        return out;
    }
    int rowOf(const QString& text) const {
        auto* list = child<QListWidget>("ListView");
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->text() == text) return i;
        return -1;
    }
    QString upCaption() const { return child<QPushButton>("b_Up")->text(); }
    bool okEnabled() const { return child<QPushButton>("b_OK")->isEnabled(); }

    QTemporaryDir tmp;
    QString root;
    std::unique_ptr<TxFileDialog> dlg;
};

TEST_F(FileDialogTest, FilterListsTheExtensionInAnyCaseAfterDirectories) {
    makeDir("b_dir");
    makeDir("A_dir");
    makeDir(".hidden_dir");
    for (const char* f :
         {"x.ZLT", "y.zlt", "z.Zlt", "w.zl", "zlt", "v.zlt.bak", "u.opx", ".secret.zlt", "a.b.zlt"})
        makeFile(f);
    dlg->SetFilter(QStringLiteral(".zlt"));
    EXPECT_TRUE(dlg->SetDirectory(root));
    const std::vector<Entry> expected = {
        {0, "..", "UP"},
        {1, "A_dir", path("A_dir")},
        {1, "b_dir", path("b_dir")},
        {2, "a.b.zlt", path("a.b.zlt")},
        {2, "x.ZLT", path("x.ZLT")},
        {2, "y.zlt", path("y.zlt")},
        {2, "z.Zlt", path("z.Zlt")},
    };
    EXPECT_EQ(entries(), expected);
    EXPECT_EQ(dlg->getDirectory(), root);
    EXPECT_EQ(dlg->GetFileName(), QStringLiteral("???"));
    EXPECT_FALSE(okEnabled());
    // Files holds every visible file, before filtering.
    EXPECT_EQ(dlg->Files().size(), 8);

    // Without a filter every visible file is listed; a filter given without its dot still works.
    dlg->SetFilter(QString());
    dlg->SetDirectory(root);
    EXPECT_EQ(entries().size(), 1u + 2u + 8u);
    EXPECT_EQ(rowOf(".secret.zlt"), -1);
    EXPECT_EQ(rowOf(".hidden_dir"), -1);
    dlg->SetFilter(QStringLiteral("OPX"));
    dlg->SetDirectory(root);
    EXPECT_EQ(entries(), (std::vector<Entry>{{0, "..", "UP"},
                                             {1, "A_dir", path("A_dir")},
                                             {1, "b_dir", path("b_dir")},
                                             {2, "u.opx", path("u.opx")}}));
    // Several extensions, with or without their dots.
    dlg->SetFilter(QStringLiteral("opx; .ZL"));
    EXPECT_EQ(dlg->Filter(), QStringLiteral(".opx;.ZL"));
    dlg->SetDirectory(root);
    EXPECT_EQ(rowOf("u.opx") >= 0 && rowOf("w.zl") >= 0 && rowOf("x.ZLT") < 0, true);
}

TEST_F(FileDialogTest, TappingEntriesNavigatesAndChoosesAFile) {
    makeDir("proj/sub");
    makeFile("proj/a.opx");
    dlg->SetFilter(QStringLiteral(".opx"));
    dlg->SetCaption(QStringLiteral("Výběr souboru projektu"));
    QStringList chosen;
    dlg->SetOnSelect([&](const QString& p) { chosen << p; });
    dlg->SetDirectory(root);
    dlg->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));

    // A real tap on the directory's row.
    auto* list = child<QListWidget>("ListView");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(rowOf("proj"))).center());
    EXPECT_EQ(child<QLineEdit>("ed_Caption")->text(), QStringLiteral("Click proj"));
    EXPECT_EQ(dlg->getDirectory(), path("proj"));
    EXPECT_EQ(entries(),
              (std::vector<Entry>{
                  {0, "..", "UP"}, {1, "sub", path("proj/sub")}, {2, "a.opx", path("proj/a.opx")}}));
    EXPECT_FALSE(okEnabled());
    EXPECT_EQ(dlg->GetFileName(), QString());

    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(rowOf("a.opx"))).center());
    EXPECT_EQ(dlg->GetFileName(), path("proj/a.opx"));
    EXPECT_TRUE(okEnabled());
    EXPECT_EQ(dlg->getDirectory(), path("proj"));

    // ".." afterwards: back up, OK disabled, the file name emptied.
    dlg->ListViewItemClickEx(rowOf(".."));
    EXPECT_EQ(dlg->getDirectory(), root);
    EXPECT_FALSE(okEnabled());
    EXPECT_EQ(dlg->GetFileName(), QString());

    dlg->ListViewItemClickEx(rowOf("proj"));
    dlg->ListViewItemClickEx(rowOf("a.opx"));
    QTest::mouseClick(child<QPushButton>("b_OK"), Qt::LeftButton);
    EXPECT_EQ(chosen, QStringList{path("proj/a.opx")});
    EXPECT_FALSE(dlg->isVisible());

    // "Zavřít" closes without choosing.
    dlg->show();
    dlg->ListViewItemClickEx(rowOf("a.opx"));
    QTest::mouseClick(child<QPushButton>("b_CLose"), Qt::LeftButton);
    EXPECT_EQ(chosen.size(), 1);
    EXPECT_FALSE(dlg->isVisible());

    // A tap beside the entries changes nothing but the caption.
    dlg->ListViewItemClickEx(-1);
    EXPECT_EQ(child<QLineEdit>("ed_Caption")->text(), QStringLiteral("Click"));
    EXPECT_EQ(dlg->getDirectory(), path("proj"));
}

TEST_F(FileDialogTest, NahoruStopsAtTheTopOfTheTree) {
    // The device's root: ".." is the first entry there too, and going up stays there.
    EXPECT_TRUE(dlg->SetDirectory(QStringLiteral("/")));
    ASSERT_FALSE(entries().empty());
    EXPECT_EQ(entries().front(), (Entry{0, "..", "UP"}));
    dlg->b_UpClick();
    EXPECT_EQ(dlg->getDirectory(), QStringLiteral("/"));
    dlg->ListViewItemClickEx(0);
    EXPECT_EQ(dlg->getDirectory(), QStringLiteral("/"));

    // A tree with its own top: up from a subdirectory, then no further.
    makeDir("a/b");
    dlg->SetRootDirectory(root);
    dlg->SetDirectory(path("a/b"));
    dlg->b_UpClick();
    EXPECT_EQ(dlg->getDirectory(), path("a"));
    dlg->b_UpClick();
    EXPECT_EQ(dlg->getDirectory(), root);
    dlg->b_UpClick();
    EXPECT_EQ(dlg->getDirectory(), root);
    EXPECT_EQ(upCaption(), QStringLiteral("Nahoru"));
}

TEST_F(FileDialogTest, TopWithoutDirectoriesShowsTheDownloadsFolder) {
    makeDir("top");
    makeFile("top/stray.zlt");
    makeDir("dl/maps");
    makeDir("dl/data");
    makeFile("dl/layer.zlt");
    dlg->SetStorageFolders(std::make_unique<platform::FakeStorageFolders>(root, path("dl")));
    dlg->SetRootDirectory(path("top"));
    dlg->SetFilter(QStringLiteral(".zlt"));
    EXPECT_TRUE(dlg->SetDirectory(path("top")));
    EXPECT_EQ(dlg->getDirectory(), path("dl"));
    EXPECT_EQ(dlg->Dirs(), (QStringList{path("dl/data"), path("dl/maps")}));
    // The files are those of the folder shown.
    EXPECT_EQ(entries(), (std::vector<Entry>{{0, "..", "UP"},
                                             {1, "data", path("dl/data")},
                                             {1, "maps", path("dl/maps")},
                                             {2, "layer.zlt", path("dl/layer.zlt")}}));
    EXPECT_EQ(upCaption(), QStringLiteral("Nahoru"));

    // A top with a directory of its own is listed itself.
    makeDir("top/own");
    dlg->SetDirectory(path("top"));
    EXPECT_EQ(dlg->getDirectory(), path("top"));
    EXPECT_EQ(rowOf("own"), 1);

    // No downloads folder: the top is listed as it is.
    QDir(path("top/own")).removeRecursively();
    dlg->SetStorageFolders(std::make_unique<platform::FakeStorageFolders>(root, path("missing")));
    EXPECT_TRUE(dlg->SetDirectory(path("top")));
    EXPECT_EQ(dlg->getDirectory(), path("top"));
    EXPECT_EQ(entries(), (std::vector<Entry>{{0, "..", "UP"}, {2, "stray.zlt", path("top/stray.zlt")}}));
}

TEST_F(FileDialogTest, WithoutFoldersOfItsOwnTheInstalledOnesAnswer) {
    makeDir("top");
    makeFile("top/stray.zlt");
    makeDir("dl/maps");
    auto installed = std::make_unique<platform::FakeStorageFolders>(root, path("dl"));
    platform::FakeStorageFolders* folders = installed.get();
    platform::setStorageFolders(std::move(installed));
    struct Restore {
        ~Restore() { platform::setStorageFolders(nullptr); }
    } restore;
    dlg->SetStorageFolders(nullptr);
    dlg->SetRootDirectory(path("top"));
    EXPECT_TRUE(dlg->SetDirectory(path("top")));
    EXPECT_EQ(dlg->getDirectory(), path("dl"));

    // Storage that is not available: the top is listed as it is.
    folders->setFailure(QStringLiteral("storage unavailable"));
    EXPECT_TRUE(dlg->SetDirectory(path("top")));
    EXPECT_EQ(dlg->getDirectory(), path("top"));
    EXPECT_EQ(entries(), (std::vector<Entry>{{0, "..", "UP"}, {2, "stray.zlt", path("top/stray.zlt")}}));
}

TEST_F(FileDialogTest, TypedPathIsListedWithHledej) {
    makeDir("x/y");
    dlg->SetDirectory(root);
    auto* field = child<QLineEdit>("ed_Directory");
    EXPECT_EQ(upCaption(), QStringLiteral("Nahoru")); // setting the field by program does not switch
    field->clear();
    QTest::keyClicks(field, path("x/y"));
    EXPECT_EQ(upCaption(), QStringLiteral("Hledej"));
    QTest::mouseClick(child<QPushButton>("b_Up"), Qt::LeftButton);
    EXPECT_EQ(dlg->getDirectory(), path("x/y"));
    EXPECT_EQ(upCaption(), QStringLiteral("Nahoru"));
    EXPECT_EQ(entries(), (std::vector<Entry>{{0, "..", "UP"}}));

    // Enter in the field does the same; a relative path is taken inside the directory shown.
    dlg->SetDirectory(path("x"));
    field->clear();
    QTest::keyClicks(field, QStringLiteral("y"));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(dlg->getDirectory(), path("x/y"));
}

TEST_F(FileDialogTest, PathThatIsNoDirectoryGivesAMessageAndAnEmptyList) {
    makeDir("real");
    makeFile("plain.txt");
    dlg->SetDirectory(root);
    auto* message = child<QLabel>("l_Message");
    EXPECT_TRUE(message->isHidden());

    auto* field = child<QLineEdit>("ed_Directory");
    field->setText(path("nowhere/deeper"));
    dlg->b_UpClick(); // "Hledej"
    EXPECT_TRUE(entries().empty());
    EXPECT_EQ(dlg->getDirectory(), path("nowhere/deeper"));
    EXPECT_EQ(dlg->ListingError(), QStringLiteral("Adresář neexistuje: ") + path("nowhere/deeper"));
    EXPECT_FALSE(message->isHidden());
    EXPECT_EQ(message->text(), dlg->ListingError());
    EXPECT_EQ(message->textFormat(), Qt::PlainText) << "it quotes the path";
    EXPECT_FALSE(okEnabled());

    // "Nahoru" finds the way back; a good listing takes the message away.
    dlg->b_UpClick();
    EXPECT_EQ(dlg->getDirectory(), path("nowhere"));
    dlg->b_UpClick();
    EXPECT_EQ(dlg->getDirectory(), root);
    EXPECT_EQ(rowOf("real"), 1);
    EXPECT_TRUE(message->isHidden());
    EXPECT_TRUE(dlg->ListingError().isEmpty());

    EXPECT_FALSE(dlg->SetDirectory(path("plain.txt")));
    EXPECT_EQ(dlg->ListingError(), QStringLiteral("Není to adresář: ") + path("plain.txt"));
    EXPECT_TRUE(entries().empty());
}

// A file system whose directory "locked" cannot be read (a permission the test cannot take away
// when it runs with administrator rights).
class LockedDirFileDialog : public TxFileDialog {
public:
    using TxFileDialog::TxFileDialog;
    QString locked;

protected:
    TDirectoryListing ReadDirectory(const QString& dir) const override {
        TDirectoryListing listing = TxFileDialog::ReadDirectory(dir);
        if (dir == locked) {
            listing.readable = false;
            listing.dirs.clear();
            listing.files.clear();
        }
        return listing;
    }
};

TEST_F(FileDialogTest, UnreadableDirectoryListsOnlyTheWayUpWithAMessage) {
    makeDir("locked/inner");
    makeFile("locked/f.zlt");
    LockedDirFileDialog locked(std::make_unique<platform::FakeStorageFolders>(root, QString()));
    locked.locked = path("locked");
    locked.SetDirectory(root);
    auto* list = locked.findChild<QListWidget*>("ListView");
    ASSERT_NE(list, nullptr);
    int row = -1;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text() == QLatin1String("locked")) row = i;
    ASSERT_GE(row, 0);
    locked.ListViewItemClickEx(row);
    EXPECT_EQ(locked.getDirectory(), path("locked"));
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral(".."));
    EXPECT_EQ(locked.ListingError(), QStringLiteral("Obsah adresáře nelze přečíst: ") + path("locked"));
    EXPECT_TRUE(locked.Dirs().isEmpty());
    locked.ListViewItemClickEx(0);
    EXPECT_EQ(locked.getDirectory(), root);
    EXPECT_TRUE(locked.ListingError().isEmpty());
}

TEST_F(FileDialogTest, DirectoryWithoutReadPermission) {
    makeDir("closed/inner");
    ASSERT_TRUE(QFile::setPermissions(path("closed"), QFileDevice::Permissions()));
    const bool stillReadable = ::access(QFile::encodeName(path("closed")).constData(), R_OK | X_OK) == 0;
    if (stillReadable) {
        QFile::setPermissions(path("closed"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        GTEST_SKIP() << "running with rights that read every directory";
    }
    EXPECT_FALSE(dlg->SetDirectory(path("closed")));
    EXPECT_EQ(entries(), (std::vector<Entry>{{0, "..", "UP"}}));
    EXPECT_EQ(dlg->ListingError(), QStringLiteral("Obsah adresáře nelze přečíst: ") + path("closed"));
    QFile::setPermissions(path("closed"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST(FileDialogInstance, OnePerProcess) {
    TxFileDialog* first =
        CreateXFileDialog(std::make_unique<platform::FakeStorageFolders>(QString(), QString()));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(CreateXFileDialog(), first);
    EXPECT_EQ(xFileDialog, first);
    EXPECT_TRUE(first->isWindow());
    EXPECT_EQ(first->objectName(), QStringLiteral("xFileDialog"));
    for (const char* name : {"ed_Caption", "ed_Directory", "ListView", "ed_FileName", "b_Up", "b_OK",
                             "b_CLose", "ImageControl1", "ImageControl2", "ImageControl3"})
        EXPECT_NE(first->findChild<QWidget*>(QLatin1String(name)), nullptr) << name;
    EXPECT_EQ(first->findChild<QPushButton*>("b_CLose")->text(), QStringLiteral("Zavřít"));
}

} // namespace
