// Win32API on a real file system, with stand-in xdg-mime, xdg-open and lp
// programs first on the PATH that record the arguments they were given.

#include "RaisedError.h"
#include "RecordingMessageService.h"
#include "ScopedEnv.h"
#include "utility/BasicError.h"
#include "utility/Win32API.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

using namespace pembry;
using testsupport::expectedError;

namespace {


void writeFile(const QString &path, const QByteArray &content, bool executable = false)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(content);
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A program that writes its arguments (NUL-separated) and its working
// folder to the file named by $TABULO_RECORD, atomically.
const QByteArray kRecorder =
    "#!/bin/sh\n"
    "{ printf '%s\\0' \"$@\"; printf 'cwd=%s' \"$(pwd)\"; } > \"$TABULO_RECORD.part\"\n"
    "mv \"$TABULO_RECORD.part\" \"$TABULO_RECORD\"\n";

// Waits for a detached program's record; its arguments and working folder.
QStringList waitForRecord(const QString &path)
{
    QDeadlineTimer deadline(10000);
    while (!QFile::exists(path) && !deadline.hasExpired())
        QThread::msleep(20);
    const QByteArray record = readFile(path);
    QStringList parts;
    for (const QByteArray &part : record.split('\0'))
        parts.append(QString::fromUtf8(part));
    return parts;
}

class Win32APIFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_bin = path(QStringLiteral("bin"));
        m_record = path(QStringLiteral("record"));
        m_path.emplace("PATH", (m_bin + u':').toUtf8() + qgetenv("PATH"));
        m_recordEnv.emplace("TABULO_RECORD", m_record.toUtf8());
        m_dataHome.emplace("XDG_DATA_HOME", path(QStringLiteral("data")).toUtf8());
        m_dataDirs.emplace("XDG_DATA_DIRS", path(QStringLiteral("nodata")).toUtf8());
        m_default.emplace("STANDIN_DEFAULT", "standin-editor.desktop");
        // xdg-mime answers text/plain for every file and $STANDIN_DEFAULT as
        // its application.
        writeFile(m_bin + QStringLiteral("/xdg-mime"),
                  "#!/bin/sh\n"
                  "case \"$2\" in\n"
                  "  filetype) echo text/plain ;;\n"
                  "  default) [ -n \"$STANDIN_DEFAULT\" ] && echo \"$STANDIN_DEFAULT\" ;;\n"
                  "esac\n"
                  "exit 0\n",
                  true);
        writeFile(m_bin + QStringLiteral("/xdg-open"), kRecorder, true);
        writeFile(m_bin + QStringLiteral("/lp"), kRecorder, true);
        m_editor = path(QStringLiteral("programs/my editor"));
        writeFile(m_editor, kRecorder, true);
        // "standin-editor.desktop" lives as standin/editor.desktop.
        writeFile(path(QStringLiteral("data/applications/standin/editor.desktop")),
                  "[Desktop Entry]\nType=Application\nName=Stand-in\nTryExec=/nothing\n"
                  "Exec=\"" + m_editor.toUtf8() + "\" --new-window %F\n"
                  "[Desktop Action second]\nExec=/usr/bin/false\n");
    }

    QString path(const QString &relative) const { return m_dir.filePath(relative); }

    QTemporaryDir m_dir;
    QString m_bin, m_record, m_editor;
    std::optional<ScopedEnv> m_path, m_recordEnv, m_dataHome, m_dataDirs, m_default;
    Win32API m_api;
};

}  // namespace

TEST(Win32API, StripTerminator)
{
    Win32API api;
    EXPECT_EQ(api.StripTerminator(QStringLiteral("no terminator")), "no terminator");
    EXPECT_EQ(api.StripTerminator(QString(QChar(0)) + QStringLiteral("after")), "");
    EXPECT_EQ(api.StripTerminator(QStringLiteral("C:\\Temp\\") + QChar(0) + QStringLiteral("garbage")), "C:\\Temp\\");
}

TEST(Win32API, NamesAndFolders)
{
    Win32API api;
    EXPECT_FALSE(api.GetMachineName().isEmpty());
    EXPECT_EQ(api.GetCurrentWindowsUser(), QString::fromLocal8Bit(getpwuid(geteuid())->pw_name));
    EXPECT_EQ(api.GetFolderWindows(), "/etc");
    EXPECT_TRUE(QFileInfo::exists(api.GetFolderSystem() + QStringLiteral("/libc.so.6")));
    EXPECT_EQ(api.GetFolderCurrent(), QDir::currentPath());
    {
        ScopedEnv tmp("TMPDIR", "/var/tmp");
        EXPECT_EQ(api.GetFolderTemp(), "/var/tmp/");
    }
    ScopedEnv noTmp("TMPDIR", "");
    EXPECT_EQ(api.GetFolderTemp(), "/tmp/");
}

TEST(Win32API, NoDisplayMeansNoScreenAndNoDesktopWindow)
{
    // The tests run with a QCoreApplication: no display.
    Win32API api;
    EXPECT_EQ(api.GetScreenResolutionWidth(), 0);
    EXPECT_EQ(api.GetScreenResolutionHeight(), 0);
    EXPECT_EQ(api.GetDesktopWindowHandle(), 0);
}

TEST(Win32API, UncPathOfALocalPathIsNotConnected)
{
    Win32API api;
    QString drive = QStringLiteral("f");
    QString server = QStringLiteral("unchanged"), share;
    BasicError error = expectedError([&] { api.GetUNCPath(drive, server, share); });
    EXPECT_EQ(drive, "f:");
    EXPECT_EQ(error.number(), 2250);
    EXPECT_EQ(error.description(), "Error: Not Connected");
    EXPECT_EQ(server, "unchanged");

    QString local = QStringLiteral("  /usr  ");
    error = expectedError([&] { api.GetUNCPath(local, server); });
    EXPECT_EQ(local, "/usr");
    EXPECT_EQ(error.number(), 2250);
}

TEST(Win32API, DriveTypes)
{
    Win32API api;
    qint32 code = -1;
    EXPECT_EQ(api.GetDriveType(QStringLiteral("/no/such/folder"), code), "Invalid Drive");
    EXPECT_EQ(code, InvalidDrive);
    EXPECT_EQ(api.GetDriveType(QStringLiteral("/proc"), code), "");
    EXPECT_EQ(code, UnknownDrive);
    EXPECT_NE(api.GetDriveType(QStringLiteral("/")), "Invalid Drive");
}

TEST_F(Win32APIFixture, FileOperationWithoutDestination)
{
    writeFile(path(QStringLiteral("a.txt")), "a");
    QString from = path(QStringLiteral("a.txt"));
    QString to;
    qint32 flags = 0;
    const BasicError error = expectedError([&] { m_api.FileOperation(0, FileCopy, from, to, flags); });
    EXPECT_EQ(error.number(), 5);
    EXPECT_EQ(error.source(), "FileOperation");
    EXPECT_EQ(error.description(), "Invalid Procedure Call or Argument. Missing destination parameter when "
                                   "FO_DELETE operation was not specified.");
    EXPECT_TRUE(from.endsWith(QString(2, QChar(0))));
    EXPECT_EQ(flags, 0);

    // A delete needs no destination; flags 0 become 528 in the caller's variable.
    EXPECT_TRUE(m_api.FileOperation(0, FileDelete, from, to, flags));
    EXPECT_EQ(flags, 528);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("a.txt"))));
}

TEST_F(Win32APIFixture, FileOperationCopiesMovesAndRenamesLists)
{
    writeFile(path(QStringLiteral("src/one.txt")), "1");
    writeFile(path(QStringLiteral("src/two words.txt")), "2");
    writeFile(path(QStringLiteral("src/three.log")), "3");
    QDir().mkpath(path(QStringLiteral("dest")));
    const QChar nul(0);

    // Two files, NUL-separated, into an existing folder.
    QString from = path(QStringLiteral("src/one.txt")) + nul + path(QStringLiteral("src/two words.txt")) + nul;
    QString to = path(QStringLiteral("dest"));
    EXPECT_TRUE(m_api.FileOperation(0, FileCopy, from, to));
    EXPECT_EQ(readFile(path(QStringLiteral("dest/two words.txt"))), "2");
    EXPECT_EQ(to, path(QStringLiteral("dest")) + nul + nul);

    // One file to a new name in a folder that does not exist yet.
    from = path(QStringLiteral("src/three.log"));
    to = path(QStringLiteral("new/deeper/renamed.log"));
    EXPECT_TRUE(m_api.FileOperation(0, FileCopy, from, to));
    EXPECT_EQ(readFile(path(QStringLiteral("new/deeper/renamed.log"))), "3");

    // Wildcards, and a destination per source.
    from = path(QStringLiteral("src/*.txt"));
    to = path(QStringLiteral("moved"));
    EXPECT_TRUE(m_api.FileOperation(0, FileMove, from, to));
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("moved/one.txt"))));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("src/one.txt"))));
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("src/three.log"))));

    from = path(QStringLiteral("moved/one.txt")) + nul + path(QStringLiteral("moved/two words.txt"));
    to = path(QStringLiteral("pairs/first")) + nul + path(QStringLiteral("pairs/second"));
    qint32 flags = FOF_MultipleDestinationFiles | FOF_NoConfirm | FOF_NoConfirmMakeDirectory;
    EXPECT_TRUE(m_api.FileOperation(0, FileCopy, from, to, flags));
    EXPECT_EQ(readFile(path(QStringLiteral("pairs/second"))), "2");

    // A rename to a bare name stays in the folder; a taken name is an error.
    from = path(QStringLiteral("pairs/first"));
    to = QStringLiteral("renamed");
    EXPECT_TRUE(m_api.FileOperation(0, FileRename, from, to));
    EXPECT_EQ(readFile(path(QStringLiteral("pairs/renamed"))), "1");
    from = path(QStringLiteral("pairs/renamed"));
    to = QStringLiteral("second");
    const BasicError taken = expectedError([&] { m_api.FileOperation(0, FileRename, from, to); });
    EXPECT_EQ(quint32(taken.number()), 0x80040000u + 183);
    EXPECT_TRUE(taken.description().contains(QStringLiteral("renamed")));
}

TEST_F(Win32APIFixture, FileOperationChecksEverySourceBeforeActing)
{
    writeFile(path(QStringLiteral("there.txt")), "x");
    QString from = path(QStringLiteral("there.txt")) + QChar(0) + path(QStringLiteral("missing.txt"));
    QString to = path(QStringLiteral("out"));
    const BasicError error = expectedError([&] { m_api.FileOperation(0, FileCopy, from, to); });
    EXPECT_EQ(quint32(error.number()), 0x80040002u);
    EXPECT_TRUE(error.description().contains(path(QStringLiteral("missing.txt"))));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("out"))));
}

TEST_F(Win32APIFixture, FileOperationCollisions)
{
    RecordingMessageService messages;
    writeFile(path(QStringLiteral("new.txt")), "new");
    writeFile(path(QStringLiteral("dest/new.txt")), "old");
    QString from = path(QStringLiteral("new.txt"));
    QString to = path(QStringLiteral("dest"));

    // Without FOF_NoConfirm the user is asked; "No" keeps the old file.
    qint32 flags = FOF_NoConfirmMakeDirectory;
    messages.answers = {mb::No};
    EXPECT_TRUE(m_api.FileOperation(0, FileCopy, from, to, flags));
    ASSERT_EQ(messages.messages.size(), 1);
    EXPECT_TRUE(messages.messages[0].text.contains(QStringLiteral("already exists")));
    EXPECT_EQ(readFile(path(QStringLiteral("dest/new.txt"))), "old");
    messages.answers = {mb::Yes};
    EXPECT_TRUE(m_api.FileOperation(0, FileCopy, from, to, flags));
    EXPECT_EQ(readFile(path(QStringLiteral("dest/new.txt"))), "new");
    // No partial copy is left beside the target.
    EXPECT_EQ(QDir(path(QStringLiteral("dest"))).entryList(QDir::Files | QDir::Hidden).size(), 1);

    flags = FOF_RenameFileOnCollision | FOF_NoConfirm;
    EXPECT_TRUE(m_api.FileOperation(0, FileCopy, from, to, flags));
    EXPECT_EQ(readFile(path(QStringLiteral("dest/new (2).txt"))), "new");

    // Declining to make the destination folder cancels the operation.
    to = path(QStringLiteral("nowhere/new.txt"));
    flags = FOF_NoConfirm;
    messages.answers = {mb::No};
    const BasicError cancelled = expectedError([&] { m_api.FileOperation(0, FileCopy, from, to, flags); });
    EXPECT_EQ(quint32(cancelled.number()), 0x80040075u);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("nowhere"))));
}

TEST_F(Win32APIFixture, DeleteWithUndoMovesToTheTrash)
{
    writeFile(path(QStringLiteral("old report.txt")), "keep me");
    QString from = path(QStringLiteral("old report.txt"));
    QString to;
    qint32 flags = FOF_AllowUndoOperation | FOF_NoConfirm;
    EXPECT_TRUE(m_api.FileOperation(0, FileDelete, from, to, flags));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("old report.txt"))));
    EXPECT_EQ(readFile(path(QStringLiteral("data/Trash/files/old report.txt"))), "keep me");
    const QByteArray info = readFile(path(QStringLiteral("data/Trash/info/old report.txt.trashinfo")));
    EXPECT_TRUE(info.startsWith("[Trash Info]\n"));
    EXPECT_TRUE(info.contains("Path=" + QDir(m_dir.path()).canonicalPath().toUtf8() + "/old%20report.txt\n"));
    EXPECT_TRUE(info.contains("DeletionDate="));

    // A second item of the same name gets a free name in the trash.
    writeFile(path(QStringLiteral("old report.txt")), "second");
    from = path(QStringLiteral("old report.txt"));
    EXPECT_TRUE(m_api.FileOperation(0, FileDelete, from, to, flags));
    EXPECT_EQ(readFile(path(QStringLiteral("data/Trash/files/old report (2).txt"))), "second");
}

TEST_F(Win32APIFixture, FileAssociationFromTheMimeDatabase)
{
    writeFile(path(QStringLiteral("notes.txt")), "text");
    EXPECT_EQ(m_api.GetFileAssociation(path(QStringLiteral("notes.txt"))), m_editor);
    // A program is its own association.
    EXPECT_EQ(m_api.GetFileAssociation(m_editor), m_editor);
    EXPECT_EQ(m_api.GetFileAssociation(path(QStringLiteral("missing.txt"))), "");
    ScopedEnv none("STANDIN_DEFAULT", "");
    EXPECT_EQ(m_api.GetFileAssociation(path(QStringLiteral("notes.txt"))), "");
}

TEST_F(Win32APIFixture, ExecuteFileOfAMissingFileStartsNothing)
{
    const BasicError error = expectedError([&] { m_api.ExecuteFile(path(QStringLiteral("missing.txt"))); });
    EXPECT_EQ(error.number(), 76);
    QThread::msleep(200);
    EXPECT_FALSE(QFile::exists(m_record));
}

TEST_F(Win32APIFixture, ExecuteFileOpensADocumentThroughXdgOpen)
{
    // Blanks, quotes, a semicolon and a command substitution: all plain text.
    const QString name = path(QStringLiteral("a b;'c\"$(touch pwned).txt"));
    writeFile(name, "document");
    EXPECT_EQ(m_api.ExecuteFile(name, 0, SW_SHOWNORMAL, OperationOpen, QString(), path(QString())), 0);
    const QStringList record = waitForRecord(m_record);
    ASSERT_EQ(record.size(), 2);
    EXPECT_EQ(record[0], name);
    EXPECT_EQ(record[1], QStringLiteral("cwd=") + QDir(m_dir.path()).canonicalPath());
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("pwned"))));
    EXPECT_FALSE(QFile::exists(QStringLiteral("pwned")));
}

TEST_F(Win32APIFixture, ExecuteFileStartsAProgramWithItsParameters)
{
    const QString codeFile = path(QStringLiteral("out folder/module code.bas"));
    writeFile(codeFile, "Option Explicit");
    // The code file as the parameter stays one argument despite its blanks.
    m_api.ExecuteFile(m_editor, 0, SW_SHOWNORMAL, OperationOpen, codeFile, path(QStringLiteral("out folder")));
    QStringList record = waitForRecord(m_record);
    ASSERT_EQ(record.size(), 2);
    EXPECT_EQ(record[0], codeFile);
    EXPECT_EQ(record[1], QStringLiteral("cwd=") + QDir(path(QStringLiteral("out folder"))).canonicalPath());

    QFile::remove(m_record);
    m_api.ExecuteFile(m_editor, 0, SW_SHOWNORMAL, OperationOpen, QStringLiteral("-n \"two words\" ;ls"));
    record = waitForRecord(m_record);
    ASSERT_EQ(record.size(), 4);
    EXPECT_EQ(record.mid(0, 3), (QStringList{"-n", "two words", ";ls"}));
}

TEST_F(Win32APIFixture, ExecuteFilePrintsThroughLp)
{
    writeFile(path(QStringLiteral("-report.txt")), "print me");
    m_api.ExecuteFile(path(QStringLiteral("-report.txt")), 0, SW_SHOWNORMAL, OperationPrint);
    const QStringList record = waitForRecord(m_record);
    ASSERT_EQ(record.size(), 3);
    EXPECT_EQ(record[0], "--");
    EXPECT_EQ(record[1], path(QStringLiteral("-report.txt")));
}

TEST_F(Win32APIFixture, ExecuteFileFailures)
{
    writeFile(path(QStringLiteral("notes.txt")), "text");
    BasicError error = expectedError([&] {
        m_api.ExecuteFile(path(QStringLiteral("notes.txt")), 0, 1, 1, {}, path(QStringLiteral("no folder")));
    });
    EXPECT_EQ(error.number(), 3);
    EXPECT_EQ(error.description(), "Path not found");
    EXPECT_EQ(error.source(), "Pembry31");

    ScopedEnv none("STANDIN_DEFAULT", "");
    error = expectedError([&] { m_api.ExecuteFile(path(QStringLiteral("notes.txt"))); });
    EXPECT_EQ(error.number(), 31);
    EXPECT_EQ(error.description(), "There is no association for the file type txt");
    QThread::msleep(200);
    EXPECT_FALSE(QFile::exists(m_record));
}
