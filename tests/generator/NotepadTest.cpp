// Opening the code file in the program associated with text files. The
// desktop's association tools are replaced by small scripts on PATH, so the
// test neither depends on nor starts the machine's real editor.

#include "GeneratorFixture.h"
#include "ScopedEnv.h"
#include "utility/BasicError.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>

using namespace gentest;

namespace {

void writeScript(const QString &path, const QByteArray &text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}


}  // namespace

class NotepadTest : public GeneratorTest {
protected:
    void SetUp() override
    {
        GeneratorTest::SetUp();
        ASSERT_TRUE(QDir(dir.path()).mkpath("bin"));
        ASSERT_TRUE(QDir(dir.path()).mkpath("data/applications"));
        ASSERT_TRUE(QDir(dir.path()).mkpath("tmp"));
        ASSERT_TRUE(QDir(dir.path()).mkpath("code"));
        path.emplace("PATH", (dir.filePath("bin") + ":" + qEnvironmentVariable("PATH")).toLocal8Bit());
        dataHome.emplace("XDG_DATA_HOME", dir.filePath("data").toLocal8Bit());
        // None of the machine's own desktop entries.
        dataDirs.emplace("XDG_DATA_DIRS", dir.filePath("no-data").toLocal8Bit());
        terminal.emplace("TERMINAL", "");
        tmp.emplace("TMPDIR", dir.filePath("tmp").toLocal8Bit());

        gen.setPathNameDBSource(shopPath);
        chosen.items = {"Customers"};
        codeFile = dir.filePath("code/Create Shop.bas");
        gen.setPathNameCodeFile(codeFile);
        gen.setRunNotepad(true);
        gen.setCopyToClipboard(true);
        gen.setClipboard(&clipboard);
    }

    // xdg-mime answering text/plain and the test editor, or failing.
    void installAssociationTools(bool withEditor)
    {
        if (!withEditor) {
            writeScript(dir.filePath("bin/xdg-mime"), "#!/bin/sh\nexit 1\n");
            return;
        }
        writeScript(dir.filePath("bin/xdg-mime"),
                    "#!/bin/sh\n"
                    "case \"$1 $2\" in\n"
                    "  'query filetype') echo text/plain ;;\n"
                    "  'query default') echo tabulo-test-editor.desktop ;;\n"
                    "  *) exit 1 ;;\n"
                    "esac\n");
        writeScript(dir.filePath("bin/test-editor"),
                    ("#!/bin/sh\nprintf '%s\\n' \"$PWD\" \"$@\" > '" + dir.filePath("opened.tmp")
                     + "'\nmv '" + dir.filePath("opened.tmp") + "' '" + dir.filePath("opened.txt") + "'\n")
                        .toLocal8Bit());
        QFile entry(dir.filePath("data/applications/tabulo-test-editor.desktop"));
        ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
        entry.write(("[Desktop Entry]\nType=Application\nName=Test editor\nExec=" + dir.filePath("bin/test-editor")
                     + " %f\n")
                        .toLocal8Bit());
    }

    QStringList waitForEditor()
    {
        QElapsedTimer timer;
        timer.start();
        QFile opened(dir.filePath("opened.txt"));
        while (!opened.exists() && timer.elapsed() < 10000)
            QThread::msleep(20);
        if (!opened.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLocal8Bit(opened.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    // A stand-in program that writes its working folder and arguments, one a
    // line, to `record` (the file appears complete, or not at all).
    void installRecorder(const QString &name, const QString &record)
    {
        writeScript(dir.filePath("bin/" + name),
                    ("#!/bin/sh\nprintf '%s\\n' \"$PWD\" \"$@\" > '" + record + ".tmp'\n/bin/mv '" + record
                     + ".tmp' '" + record + "'\n")
                        .toLocal8Bit());
    }

    // A desktop entry in the applications folder.
    void installEntry(const QString &id, const QByteArray &lines)
    {
        QFile entry(dir.filePath("data/applications/" + id));
        ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nName=" + id.toUtf8() + "\n" + lines);
    }

    // The desktop's text editor is a terminal program, as vim is.
    void installTerminalEditor()
    {
        writeScript(dir.filePath("bin/xdg-mime"),
                    "#!/bin/sh\n[ \"$1 $2 $3\" = 'query default text/plain' ] && echo tabulo-term-editor.desktop\n");
        installRecorder("term-editor", dir.filePath("term-editor.txt"));
        installEntry("tabulo-term-editor.desktop",
                     ("Exec=" + dir.filePath("bin/term-editor") + " %F\nTerminal=true\nMimeType=text/plain;\n").toUtf8());
    }

    QStringList waitForRecord(const QString &name)
    {
        QElapsedTimer timer;
        timer.start();
        QFile record(dir.filePath(name));
        while (!record.exists() && timer.elapsed() < 10000)
            QThread::msleep(20);
        if (!record.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLocal8Bit(record.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    std::optional<ScopedEnv> path;
    std::optional<ScopedEnv> dataHome;
    std::optional<ScopedEnv> dataDirs;
    std::optional<ScopedEnv> terminal;
    std::optional<ScopedEnv> tmp;
    FakeClipboard clipboard;
    QString codeFile;
};

TEST_F(NotepadTest, TheAssociatedProgramOpensTheCodeFileInItsFolder)
{
    installAssociationTools(true);
    EXPECT_TRUE(gen.WriteTableCreationCode());
    EXPECT_EQ(waitForEditor(), QStringList({dir.filePath("code"), codeFile}));
    EXPECT_TRUE(messages.messages.isEmpty());           // opened: no closing message
    EXPECT_EQ(clipboard.text, gen.ModuleText());
    // The probe file of the association lookup is gone again.
    EXPECT_TRUE(QDir(dir.filePath("tmp")).entryList(QDir::Files).isEmpty());
}

TEST_F(NotepadTest, AProbeFileAlreadyThereIsNeitherOverwrittenNorDeleted)
{
    installAssociationTools(true);
    // Names for this minute and the next, in case the minute turns.
    QStringList probes;
    const QDateTime now = QDateTime::currentDateTime();
    for (const QDateTime &when : {now, now.addSecs(60)}) {
        const QString probe = dir.filePath("tmp/testcode" + when.toString("ddMMyyhhmm") + ".txt");
        QFile file(probe);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("someone's notes");
        probes.append(probe);
    }
    EXPECT_TRUE(gen.WriteTableCreationCode());
    EXPECT_EQ(waitForEditor().value(1), codeFile);
    for (const QString &probe : probes) {
        QFile file(probe);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), "someone's notes");
    }
}

TEST_F(NotepadTest, WithoutAnyAssociationTheRunFailsAfterWritingTheFile)
{
    installAssociationTools(false);
    const pembry::BasicError e = expectedError([&] { gen.WriteTableCreationCode(); });
    EXPECT_EQ(e.number(), 31);
    EXPECT_EQ(e.source(), "clsWriteNewDatabase:WriteTableCreationCode Method");
    EXPECT_TRUE(e.description().contains(codeFile)) << e.description().toStdString();
    EXPECT_TRUE(QFile::exists(codeFile));
    EXPECT_TRUE(gen.ModuleText().isEmpty());
    EXPECT_TRUE(QDir(dir.filePath("tmp")).entryList(QDir::Files).isEmpty());
}

TEST_F(NotepadTest, ATerminalEditorRunsInTheDesktopsTerminalEmulator)
{
    installTerminalEditor();
    installRecorder("test-terminal", dir.filePath("terminal.txt"));
    ScopedEnv chosen("TERMINAL", (dir.filePath("bin/test-terminal") + " --hold").toLocal8Bit());
    EXPECT_TRUE(gen.WriteTableCreationCode());
    EXPECT_EQ(waitForRecord("terminal.txt"),
              QStringList({dir.filePath("code"), "--hold", "-e", dir.filePath("bin/term-editor"), codeFile}));
    EXPECT_TRUE(messages.messages.isEmpty());

    // Without $TERMINAL: x-terminal-emulator.
    installRecorder("x-terminal-emulator", dir.filePath("x-terminal.txt"));
    ScopedEnv none("TERMINAL", "");
    EXPECT_TRUE(gen.WriteTableCreationCode());
    EXPECT_EQ(waitForRecord("x-terminal.txt"), QStringList({dir.filePath("code"), "-e", dir.filePath("bin/term-editor"), codeFile}));
}

TEST_F(NotepadTest, WithoutATerminalEmulatorAGraphicalEditorShowsTheFile)
{
    installTerminalEditor();
    ScopedEnv onlyStandIns("PATH", dir.filePath("bin").toLocal8Bit());
    installRecorder("gui-editor", dir.filePath("gui-editor.txt"));
    // Passed over: a hidden entry, another terminal program, one for another type.
    installEntry("a-hidden.desktop", ("Exec=" + dir.filePath("bin/gui-editor") + " %f\nHidden=true\nMimeType=text/plain;\n").toUtf8());
    installEntry("b-term.desktop", ("Exec=" + dir.filePath("bin/term-editor") + " %f\nTerminal=true\nMimeType=text/plain\n").toUtf8());
    installEntry("c-images.desktop", ("Exec=" + dir.filePath("bin/term-editor") + " %f\nMimeType=image/png;\n").toUtf8());
    installEntry("d-gui.desktop", ("Exec=" + dir.filePath("bin/gui-editor") + " %f\nMimeType=text/x-csrc;text/plain;\n").toUtf8());
    EXPECT_TRUE(gen.WriteTableCreationCode());
    EXPECT_EQ(waitForRecord("gui-editor.txt"), QStringList({dir.filePath("code"), codeFile}));
    EXPECT_FALSE(QFile::exists(dir.filePath("term-editor.txt")));
}

TEST_F(NotepadTest, WhenNothingCanShowTheFileOneErrorNamesIt)
{
    installTerminalEditor();
    ScopedEnv onlyStandIns("PATH", dir.filePath("bin").toLocal8Bit());
    const pembry::BasicError e = expectedError([&] { gen.WriteTableCreationCode(); });
    EXPECT_EQ(e.number(), 31);
    EXPECT_EQ(e.description(), "The code file \"" + codeFile + "\" was saved, but no program can show it: the text "
                               "editor term-editor runs in a terminal, and neither a terminal emulator ($TERMINAL, "
                               "x-terminal-emulator) nor a graphical text editor was found.");
    EXPECT_TRUE(QFile::exists(codeFile));
    EXPECT_TRUE(messages.messages.isEmpty());
    QThread::msleep(200);
    EXPECT_FALSE(QFile::exists(dir.filePath("term-editor.txt"))) << "the editor ran without a terminal";
}
