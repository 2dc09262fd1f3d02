// CDialog: the filter list, the flag modes, and the real file dialog answered
// through its widgets.

#include "RaisedError.h"
#include "tests/utility/FileDialogDriver.h"
#include "utility/BasicError.h"
#include "utility/CDialog.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using pembry::CDialog;

namespace {

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content = "x\n")
{
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(content);
    return path;
}

// A file in a temporary folder, which the next file dialog accepts.
struct AcceptedFile {
    explicit AcceptedFile(const QString &name) : path(writeFile(dir, name))
    {
        driver.answerNext(FileDialogDriver::accept(path));
    }
    QTemporaryDir dir;
    const QString path;
    FileDialogDriver driver;
};

QByteArray readFile(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

}  // namespace

TEST(CDialogFilter, PairsShowTheirPatternUnlessItIsAList)
{
    CDialog dialog;
    dialog.AddFilter(QStringLiteral("Microsoft Access Databases"), QStringLiteral("*.mdb;*.mde"), true);
    dialog.AddFilter(QStringLiteral("All Files"), QStringLiteral("*.*"));
    EXPECT_EQ(dialog.Filter(), QStringLiteral("Microsoft Access Databases|*.mdb;*.mde|All Files (*.*)|*.*"));
    EXPECT_EQ(dialog.FilterIndex(), 1);
    dialog.AddFilter(QStringLiteral("Text"), QStringLiteral("*.txt"), true);
    EXPECT_EQ(dialog.FilterIndex(), 3);
    // Qt shows the patterns in parentheses; "*.*" matches every file here.
    EXPECT_EQ(dialog.qtNameFilters(), (QStringList{QStringLiteral("Microsoft Access Databases (*.mdb *.mde)"),
                                                   QStringLiteral("All Files (*)"), QStringLiteral("Text (*.txt)")}));
}

TEST(CDialogFilter, DefaultFiltersFollowTheKindOfControl)
{
    QListWidget list;
    QLineEdit line;
    QLabel picture;
    CDialog forList;
    forList.AddDefaultFilters(&list);
    EXPECT_EQ(forList.Filter(), QStringLiteral("All Files (*.*)|*.*|Data Files|*.dat;*.lst"));
    EXPECT_EQ(forList.FilterIndex(), 2);
    CDialog forText;
    forText.AddDefaultFilters(&line);
    EXPECT_EQ(forText.Filter(), QStringLiteral("All Files (*.*)|*.*|Text files  (*.txt)|*.txt"));
    CDialog forPicture;
    forPicture.AddDefaultFilters(&picture);
    EXPECT_TRUE(forPicture.Filter().startsWith(QStringLiteral("All Files (*.*)|*.*|All Image files|*.bmp;")));
    CDialog forNothing;
    QObject plain;
    forNothing.AddDefaultFilters(&plain);
    EXPECT_TRUE(forNothing.Filter().isEmpty());
    EXPECT_EQ(forNothing.FilterIndex(), 1);
}

TEST(CDialogFlags, ModePropertiesSetAndReadTheirBits)
{
    CDialog dialog;
    dialog.setMultiSelect(2);
    EXPECT_EQ(dialog.Flags(), pembry::cdlOFNAllowMultiselect | pembry::cdlOFNExplorer);
    EXPECT_EQ(dialog.MultiSelect(), 2);
    dialog.setMultiSelect(1);
    EXPECT_EQ(dialog.Flags(), pembry::cdlOFNAllowMultiselect);
    dialog.setMultiSelect(0);
    EXPECT_EQ(dialog.Flags(), 0);

    dialog.setFileReadOnly(1);
    EXPECT_EQ(dialog.FileReadOnly(), 1);
    dialog.setFileReadOnly(2);
    EXPECT_EQ(dialog.FileReadOnly(), 2);
    dialog.setFileReadOnly(0);
    EXPECT_EQ(dialog.Flags(), 0);

    const QList<std::pair<int, qint32>> modes = {
        {1, pembry::cdlOFNFileMustExist | pembry::cdlOFNPathMustExist},
        {2, pembry::cdlOFNPathMustExist},
        {3, pembry::cdlOFNCreatePrompt},
        {4, pembry::cdlOFNCreatePrompt | pembry::cdlOFNPathMustExist},
        {5, pembry::cdlOFNOverwritePrompt},
        {6, pembry::cdlOFNOverwritePrompt | pembry::cdlOFNPathMustExist}};
    for (const auto &[mode, bits] : modes) {
        CDialog fresh;
        fresh.setFileMustExist(qint16(mode));
        EXPECT_EQ(fresh.Flags(), bits) << "mode " << mode;
        EXPECT_EQ(fresh.FileMustExist(), mode) << "mode " << mode;
    }
    // Mode 3 takes the existence bits away first; 0 changes nothing.
    CDialog dialog3;
    dialog3.setFileMustExist(1);
    dialog3.setFileMustExist(3);
    EXPECT_EQ(dialog3.Flags(), pembry::cdlOFNCreatePrompt);
    dialog3.setFileMustExist(0);
    EXPECT_EQ(dialog3.Flags(), pembry::cdlOFNCreatePrompt);

    dialog.setFileMustBeWriteable(true);
    EXPECT_TRUE(dialog.FileMustBeWriteable());
    EXPECT_EQ(dialog.Flags(), pembry::cdlOFNNoReadOnlyReturn);
    dialog.setFileMustBeWriteable(false);
    EXPECT_EQ(dialog.Flags(), 0);
}

TEST(CDialogFlags, FileNameDefaultFilterReplacesTheExtension)
{
    CDialog dialog;
    dialog.setDefaultExt(QStringLiteral("mdb"));
    dialog.setFilename(QStringLiteral("/data/new.mda"));
    EXPECT_EQ(dialog.FileNameDefaultFilter(), QStringLiteral("/data/new.mdb"));
    dialog.setFilename(QStringLiteral("/data/new.accdb"));
    EXPECT_EQ(dialog.FileNameDefaultFilter(), QStringLiteral("/data/new.mdb"));
    dialog.setFilename(QStringLiteral("/my.data/new"));
    EXPECT_EQ(dialog.FileNameDefaultFilter(), QStringLiteral("/my.data/new.mdb"));
}

TEST(CDialogShow, OpenShowsTheSettingsAndReturnsTheChosenFile)
{
    AcceptedFile accepted(QStringLiteral("Shop Data.v2.mdb"));

    CDialog dialog;
    dialog.AddFilter(QStringLiteral("Microsoft Access Databases"), QStringLiteral("*.mdb;*.mde"), true);
    dialog.AddFilter(QStringLiteral("All Files"), QStringLiteral("*.*"));
    dialog.setDialogTitle(QStringLiteral("Locate Source Database"));
    dialog.setFlags(pembry::cdlOFNFileMustExist);
    dialog.setInitDir(accepted.dir.path());
    ASSERT_TRUE(dialog.ShowOpen());

    ASSERT_EQ(accepted.driver.seen.size(), 1);
    const FileDialogDriver::Seen &seen = accepted.driver.seen.first();
    EXPECT_EQ(seen.title, QStringLiteral("Locate Source Database"));
    EXPECT_EQ(seen.filters, (QStringList{QStringLiteral("Microsoft Access Databases (*.mdb *.mde)"),
                                         QStringLiteral("All Files (*)")}));
    EXPECT_EQ(seen.selectedFilter, QStringLiteral("Microsoft Access Databases (*.mdb *.mde)"));
    EXPECT_EQ(seen.acceptMode, QFileDialog::AcceptOpen);
    EXPECT_EQ(seen.fileMode, QFileDialog::ExistingFile);
    EXPECT_EQ(seen.directory, QDir(accepted.dir.path()).absolutePath());
    EXPECT_FALSE(accepted.driver.leftOpen);

    EXPECT_EQ(dialog.Filename(), accepted.path);
    EXPECT_EQ(dialog.FileTitle(), QStringLiteral("Shop Data"));
    EXPECT_EQ(dialog.SelectedFileCount(), 1);
    EXPECT_EQ(dialog.SelectedFile(1), accepted.path);
    EXPECT_EQ(dialog.SelectedFile(2), QString());
    EXPECT_EQ(dialog.SelectedFile(0), QString());
    EXPECT_EQ(dialog.InitDir(), QDir(accepted.dir.path()).absolutePath());
    EXPECT_EQ(dialog.Error(), 0);

    // The filter list was used: the next AddFilter starts a new one.
    dialog.AddFilter(QStringLiteral("Text"), QStringLiteral("*.txt"));
    EXPECT_EQ(dialog.Filter(), QStringLiteral("Text (*.txt)|*.txt"));
}

TEST(CDialogShow, CancelAnswersFalseWithoutAnError)
{
    FileDialogDriver driver;
    for (int i = 0; i < 4; ++i)
        driver.answerNext(FileDialogDriver::cancel());
    CDialog dialog;
    dialog.setFilename(QStringLiteral("/kept/name.txt"));
    ASSERT_TRUE(dialog.CancelError());
    EXPECT_FALSE(dialog.ShowOpen());
    EXPECT_FALSE(dialog.ShowSave());
    EXPECT_NO_THROW(dialog.setAction(1));
    dialog.setCancelError(false);
    EXPECT_NO_THROW(dialog.setAction(2));
    EXPECT_EQ(driver.seen.size(), 4);
    EXPECT_EQ(dialog.Filename(), QStringLiteral("/kept/name.txt"));
    EXPECT_EQ(dialog.SelectedFileCount(), 0);
    EXPECT_EQ(dialog.Error(), 0);
    // Actions other than 1 and 2 show nothing.
    dialog.setAction(3);
    EXPECT_EQ(driver.seen.size(), 4);
}

TEST(CDialogShow, SaveAddsTheDefaultExtensionAndMarksAnotherOne)
{
    QTemporaryDir dir;
    FileDialogDriver driver;
    driver.answerNext(FileDialogDriver::accept(dir.filePath(QStringLiteral("plain"))));
    driver.answerNext(FileDialogDriver::accept(dir.filePath(QStringLiteral("addin.mda"))));
    driver.answerNext(FileDialogDriver::accept(dir.filePath(QStringLiteral("other.txt")),
                                               QStringLiteral("All Files (*)")));

    CDialog dialog;
    dialog.AddFilter(QStringLiteral("Microsoft Access Database"), QStringLiteral("*.mdb"), true);
    dialog.AddFilter(QStringLiteral("All Files"), QStringLiteral("*.*"));
    dialog.setDefaultExt(QStringLiteral("mdb"));
    dialog.setDialogTitle(QStringLiteral("Save New Database As"));
    ASSERT_TRUE(dialog.ShowSave());
    EXPECT_EQ(driver.seen.last().acceptMode, QFileDialog::AcceptSave);
    EXPECT_EQ(driver.seen.last().defaultSuffix, QStringLiteral("mdb"));
    EXPECT_FALSE(driver.seen.last().confirmOverwrite);
    EXPECT_EQ(dialog.Filename(), dir.filePath(QStringLiteral("plain.mdb")));
    EXPECT_FALSE(dialog.Flags() & pembry::cdlOFNExtensionDifferent);

    dialog.setFilter(QStringLiteral("Microsoft Access Database (*.mdb)|*.mdb|All Files (*.*)|*.*"));
    ASSERT_TRUE(dialog.ShowSave());
    EXPECT_EQ(dialog.Filename(), dir.filePath(QStringLiteral("addin.mda")));
    EXPECT_TRUE(dialog.Flags() & pembry::cdlOFNExtensionDifferent);
    EXPECT_EQ(dialog.FilterIndex(), 1);
    EXPECT_EQ(dialog.FileNameDefaultFilter(), dir.filePath(QStringLiteral("addin.mdb")));

    dialog.setFilter(QStringLiteral("Microsoft Access Database (*.mdb)|*.mdb|All Files (*.*)|*.*"));
    dialog.setFlags(pembry::cdlOFNOverwritePrompt);
    ASSERT_TRUE(dialog.ShowSave());
    EXPECT_TRUE(driver.seen.last().confirmOverwrite);
    EXPECT_EQ(dialog.FilterIndex(), 2);
    EXPECT_FALSE(driver.leftOpen);
}

TEST(CDialogShow, MultiSelectionListsEveryFileWithItsFolder)
{
    QTemporaryDir dir;
    const QStringList names = {QStringLiteral("a.txt"), QStringLiteral("b c.txt"), QStringLiteral("d.txt")};
    for (const QString &name : names)
        writeFile(dir, name);
    FileDialogDriver driver;
    driver.answerNext(FileDialogDriver::acceptMany(dir.path(), names));

    CDialog dialog;
    dialog.setMultiSelect(2);
    ASSERT_TRUE(dialog.ShowOpen());
    EXPECT_EQ(driver.seen.first().fileMode, QFileDialog::ExistingFiles);
    ASSERT_EQ(dialog.SelectedFileCount(), 3);
    QStringList chosen;
    for (qint16 i = 1; i <= 3; ++i)
        chosen << dialog.SelectedFile(i);
    chosen.sort();
    EXPECT_EQ(chosen, (QStringList{dir.filePath(names[0]), dir.filePath(names[1]), dir.filePath(names[2])}));
    // Filename: the folder, then the names, separated by NUL characters.
    const QStringList parts = dialog.Filename().split(QChar(0));
    ASSERT_EQ(parts.size(), 4);
    EXPECT_EQ(parts.first(), QDir(dir.path()).absolutePath());
}

TEST(CDialogShow, ANameLongerThanMaxFileSizeIsAnError)
{
    AcceptedFile accepted(QStringLiteral("a-rather-long-file-name.txt"));
    CDialog dialog;
    dialog.setMaxFileSize(10);
    const pembry::BasicError e = testsupport::expectedError([&] { dialog.ShowOpen(); });
    EXPECT_EQ(e.number(), CDialog::BufferTooSmall);
    EXPECT_EQ(e.source(), QStringLiteral("CDialog"));
    EXPECT_TRUE(e.description().contains(accepted.path));
    EXPECT_EQ(dialog.Error(), CDialog::BufferTooSmall);
}

TEST(CDialogTransfer, OpenLoadsAndSaveWritesTextListAndString)
{
    QTemporaryDir dir;
    const QString lines = writeFile(dir, QStringLiteral("tables.lst"), "Orders\r\nCustomers\nShippers\n");
    FileDialogDriver driver;
    driver.answerNext(FileDialogDriver::accept(lines));
    driver.answerNext(FileDialogDriver::accept(lines));
    driver.answerNext(FileDialogDriver::accept(dir.filePath(QStringLiteral("out.lst"))));
    driver.answerNext(FileDialogDriver::accept(dir.filePath(QStringLiteral("out.txt"))));

    QListWidget list;
    CDialog open;
    ASSERT_TRUE(open.ShowOpen(&list));
    EXPECT_EQ(driver.seen.first().filters.last(), QStringLiteral("Data Files (*.dat *.lst)"));
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(list.item(0)->text(), QStringLiteral("Orders"));
    EXPECT_EQ(list.item(2)->text(), QStringLiteral("Shippers"));
    EXPECT_EQ(list.currentRow(), 0);

    QPlainTextEdit text;
    CDialog openText;
    ASSERT_TRUE(openText.ShowOpen(&text));
    EXPECT_EQ(text.toPlainText(), QStringLiteral("Orders\nCustomers\nShippers\n"));

    CDialog saveList;
    ASSERT_TRUE(saveList.ShowSave(&list));
    EXPECT_EQ(readFile(dir.filePath(QStringLiteral("out.lst"))), QByteArray("Orders\nCustomers\nShippers\n"));

    CDialog saveString;
    ASSERT_TRUE(saveString.ShowSave(QStringLiteral("Zürich\n")));
    EXPECT_EQ(readFile(dir.filePath(QStringLiteral("out.txt"))), QStringLiteral("Zürich\n").toUtf8());
    QString back;
    saveString.LoadInto(back);
    EXPECT_EQ(back, QStringLiteral("Zürich\n"));
}

TEST(CDialogTransfer, AMissingFileIsAnErrorNamingIt)
{
    CDialog dialog;
    dialog.setFilename(QStringLiteral("/nonexistent/folder/list.txt"));
    QLineEdit line;
    const pembry::BasicError e = testsupport::expectedError([&] { dialog.LoadInto(&line); });
    EXPECT_EQ(e.number(), pembry::err::FileNotFound);
    EXPECT_TRUE(e.description().contains(QStringLiteral("/nonexistent/folder/list.txt")));
    EXPECT_THROW(dialog.SaveFrom(&line), pembry::BasicError);
}
