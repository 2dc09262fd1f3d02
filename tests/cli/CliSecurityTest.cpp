// tabulo-cli against hostile surroundings: programs planted in the temporary
// folder, names full of terminal control sequences, file names that look
// like options or are not UTF-8, and special files where regular files
// belong.

#include "CliRun.h"
#include "FifoWatch.h"
#include "ScopedEnv.h"
#include "TerminalRun.h"
#include "TestPaths.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <filesystem>
#include <fstream>

using namespace clitest;

namespace {

void writeProgram(const QString &path, const QByteArray &text)
{
    writeFile(path, text);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// Waits for the file a detached program writes; its lines.
QStringList waitForLines(const QString &path)
{
    QDeadlineTimer deadline(10000);
    while (!QFile::exists(path) && !deadline.hasExpired())
        QThread::msleep(20);
    return QString::fromLocal8Bit(readFile(path)).split(u'\n', Qt::SkipEmptyParts);
}

// A desktop of stand-ins: the MIME database (xdg-mime) names a test editor
// for text files, which writes its working folder and arguments to
// "opened.txt". Nothing of the machine's own desktop is used.
class StandInDesktop : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        for (const char *folder : {"bin", "data/applications", "tmp", "code"})
            ASSERT_TRUE(QDir(dir.path()).mkpath(folder));
        path.emplace("PATH", (dir.filePath("bin") + ":" + qEnvironmentVariable("PATH")).toLocal8Bit());
        dataHome.emplace("XDG_DATA_HOME", dir.filePath("data").toLocal8Bit());
        dataDirs.emplace("XDG_DATA_DIRS", dir.filePath("no-data").toLocal8Bit());
        tmp.emplace("TMPDIR", dir.filePath("tmp").toLocal8Bit());
        writeProgram(dir.filePath("bin/xdg-mime"),
                     "#!/bin/sh\n"
                     "case \"$1 $2\" in\n"
                     "  'query filetype') echo text/plain ;;\n"
                     "  'query default') [ \"$3\" = text/plain ] && echo tabulo-test-editor.desktop ;;\n"
                     "esac\n");
        writeProgram(dir.filePath("bin/test-editor"),
                     ("#!/bin/sh\nprintf '%s\\n' \"$PWD\" \"$@\" > '" + dir.filePath("opened.tmp") + "'\nmv '"
                      + dir.filePath("opened.tmp") + "' '" + dir.filePath("opened.txt") + "'\n")
                         .toLocal8Bit());
        writeFile(dir.filePath("data/applications/tabulo-test-editor.desktop"),
                  ("[Desktop Entry]\nType=Application\nName=Test editor\nExec=" + dir.filePath("bin/test-editor")
                   + " %f\n")
                      .toLocal8Bit());
        snapshot = fruitSnapshot(dir.path());
    }

    QTemporaryDir dir;
    std::optional<ScopedEnv> path, dataHome, dataDirs, tmp;
    QString snapshot;
};

// tabulo-cli run in `folder` with `arguments` as bytes. QProcess hands its
// arguments over as UTF-8 text, which no file name that is not UTF-8 survives,
// so a shell does: each argument is written as printf's octal escapes.
CliResult runCliWithBytes(const QList<QByteArray> &arguments, const QString &folder)
{
    QString script = QStringLiteral("exec \"$0\"");
    QStringList shellArguments{QStringLiteral("-c"), QString(), cliProgram()};
    for (const QByteArray &argument : arguments) {
        QString escaped;
        for (const char byte : argument)
            escaped += QStringLiteral("\\%1").arg(uint(uchar(byte)), 3, 8, QLatin1Char('0'));
        shellArguments.append(escaped);
        script += QStringLiteral(" \"$(printf \"${%1}\")\"").arg(shellArguments.size() - 3);
    }
    shellArguments[1] = script;
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(QStringLiteral("/bin/sh"), shellArguments);
    CliResult result;
    if (!process.waitForFinished(120000)) {
        ADD_FAILURE() << "tabulo-cli did not finish";
        return result;
    }
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

// A temporary folder for files whose names are not UTF-8, which
// QTemporaryDir could not remove.
class ByteNameFolder {
public:
    ~ByteNameFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder(), ignored);
    }
    QString path() const { return m_dir.path(); }
    // Copies a file of the corpus to the file named by the bytes `name`.
    void copy(const QString &corpusFile, const QByteArray &name) const
    {
        std::filesystem::copy_file(QFile::encodeName(testDataPath(corpusFile)).toStdString(),
                                   folder() / name.toStdString());
    }
    // Writes `content` to the file named by the bytes `name`.
    void write(const QByteArray &name, const QByteArray &content) const
    {
        std::ofstream(folder() / name.toStdString(), std::ios::binary) << content.toStdString();
    }

private:
    std::filesystem::path folder() const { return QFile::encodeName(m_dir.path()).toStdString(); }

    QTemporaryDir m_dir;
};

}  // namespace

TEST_F(StandInDesktop, AProgramPlantedInTheTemporaryFolderIsNeverRun)
{
    // Executable files under every name a probe of this minute or the next
    // could have.
    const QString pwned = dir.filePath("pwned");
    QStringList planted;
    const QDateTime now = QDateTime::currentDateTime();
    for (const QDateTime &when : {now, now.addSecs(60)}) {
        const QString probe = dir.filePath("tmp/testcode" + when.toString("ddMMyyhhmm") + ".txt");
        writeProgram(probe, ("#!/bin/sh\ntouch '" + pwned + "'\n").toLocal8Bit());
        planted.append(QFileInfo(probe).fileName());
    }

    // A code file whose relative name looks like an option.
    const CliResult result = runCli({snapshot, "--output=-n.bas", "--open"}, {}, {}, dir.filePath("code"));
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QString codeFile = dir.filePath("code/-n.bas");
    EXPECT_EQ(waitForLines(dir.filePath("opened.txt")), QStringList({dir.filePath("code"), codeFile}));
    QThread::msleep(300);
    EXPECT_FALSE(QFile::exists(pwned)) << "a planted program ran";
    // Nothing was made, reused or left in the temporary folder.
    QStringList left = QDir(dir.filePath("tmp")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    left.sort();
    planted.sort();
    EXPECT_EQ(left, planted);
}

TEST(CliSecurity, ControlCharactersInNamesAreShownEscaped)
{
    QTemporaryDir dir;
    const QString snapshot = dir.filePath("hostile.json");
    writeSnapshot(snapshot, snapshotOf({"Plain", "Title\x1b]0;pwned\x07", "Two\nLines", "Tab\there", "Back\\slash",
                                        QString::fromUtf8("Caf\u00e9 \u202eevil")}));

    const CliResult listing = runCli({snapshot, "--list-tables"});
    ASSERT_EQ(listing.exitCode, 0) << listing.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(listing.out),
              QString::fromUtf8("Back\\slash\n"
                                "Caf\u00e9 \\u202eevil\n"
                                "Plain\n"
                                "Tab\\x09here\n"
                                "Title\\x1b]0;pwned\\x07\n"
                                "Two\\x0aLines\n"));

    // A name as the listing shows it chooses that table.
    const CliResult chosen = runCli({snapshot, "--tables", "Title\\x1b]0;pwned\\x07"});
    ASSERT_EQ(chosen.exitCode, 0) << chosen.err.toStdString();
    EXPECT_TRUE(chosen.out.contains("CreateTableDef(\"Title\" & Chr(27) & \"]0;pwned\" & Chr(7))"));
    EXPECT_EQ(chosen.out.count("CreateTableDef("), 1);

    // Error lines name the table escaped.
    const CliResult unknown = runCli({snapshot, "--tables", "Gone\x1b[2J"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_FALSE(unknown.err.contains(u'\x1b'));
    EXPECT_TRUE(unknown.err.contains("Gone\\x1b[2J")) << unknown.err.toStdString();

    // The progress line on a terminal.
    const TerminalRun run = runCliOnTerminal({snapshot, "-o", dir.filePath("out.bas")}, dir.path());
    EXPECT_EQ(run.exitCode, 0) << run.screen.constData();
    EXPECT_FALSE(run.screen.contains("\x1b]0;")) << "the terminal's title was set";
    EXPECT_FALSE(run.screen.contains("Two\nLines"));
    EXPECT_TRUE(run.screen.contains("Analyzing Table: Title\\x1b]0;pwned\\x07")) << run.screen.constData();
}

TEST(CliSecurity, AFileNamedLikeAnOptionIsReadAsAFile)
{
    TABULO_NEED_SAMPLE();
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(samplePath(), dir.filePath("--workgroup")));
    const CliResult result = runCli({"--list-tables", "--", "--workgroup"}, {}, {}, dir.path());
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.startsWith("Dried\nFruit\n")) << result.out.constData();
}

TEST(CliSecurity, ACodeFileThatIsNoRegularFileIsRefusedAndLeftAlone)
{
    QTemporaryDir dir;
    const QString snapshot = fruitSnapshot(dir.path());
    const QString pipe = dir.filePath("out.bas");
    FifoWatch fifo(pipe);
    ASSERT_TRUE(fifo.made());
    const CliResult result = runCli({snapshot, "-o", pipe});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.startsWith("error 75: ")) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains(pipe)) << result.err.toStdString();
    EXPECT_TRUE(fifo.stillAFifo());
    EXPECT_EQ(fifo.unblocked(), 0);
}

TEST(CliSecurity, ASourceOrWorkgroupThatIsAPipeIsNeverOpened)
{
    QTemporaryDir dir;
    for (const char *name : {"source.mdb", "source.json"}) {
        const QString pipe = dir.filePath(name);
        FifoWatch fifo(pipe);
        ASSERT_TRUE(fifo.made());
        const CliResult result = runCli({pipe});
        EXPECT_EQ(fifo.unblocked(), 0) << name << ": tabulo-cli blocked opening the pipe";
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_TRUE(result.err.startsWith("error 3051: ")) << result.err.toStdString();
        EXPECT_TRUE(result.err.contains(pipe)) << result.err.toStdString();
    }

    const QString snapshot = fruitSnapshot(dir.path());
    const QString workgroup = dir.filePath("system.mdw");
    FifoWatch fifo(workgroup);
    const CliResult result = runCli({snapshot, "--mdw", workgroup, "--user", "admin"});
    EXPECT_EQ(fifo.unblocked(), 0) << "tabulo-cli blocked opening the workgroup pipe";
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.startsWith("error 3028: ")) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains(workgroup)) << result.err.toStdString();
}

// A file name is used as the bytes it was given: the file whose existence,
// format and password are checked is the file read, whatever its name holds.
TEST(CliSecurity, ASourceNameThatIsNotUtf8IsTheFileCheckedAndRead)
{
    TABULO_NEED_TESTDATA();
    ByteNameFolder dir;
    // "pw\xff.mdb" is protected; the same name decoded with U+FFFD is not.
    dir.copy(QStringLiteral("jet4-password.mdb"), "pw\xff.mdb");
    dir.copy(QStringLiteral("northwind.mdb"), "pw\xef\xbf\xbd.mdb");
    CliResult result = runCliWithBytes({"pw\xff.mdb", "--list-tables"}, dir.path());
    EXPECT_EQ(result.exitCode, 1) << result.out.constData();
    EXPECT_TRUE(result.err.startsWith("error 3031: ")) << result.err.toStdString();

    result = runCliWithBytes({"pw\xff.mdb", "--list-tables", "--db-password", "password"}, dir.path());
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out.toStdString(), "Table1\n");
    // So is a password file's.
    dir.write("pw\xff.txt", "password\n");
    result = runCliWithBytes({"pw\xff.mdb", "--list-tables", "--db-password-file", "pw\xff.txt"}, dir.path());
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();

    // A Latin-1 name, and a workgroup file under such a name.
    dir.copy(QStringLiteral("northwind.mdb"), "caf\xe9.mdb");
    dir.copy(QStringLiteral("workgroup.mdw"), "gr\xfcppe.mdw");
    result = runCliWithBytes({"caf\xe9.mdb", "--mdw", "gr\xfcppe.mdw", "--user", "Admin"}, dir.path());
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out == runCli({testDataPath("northwind.mdb")}).out) << "not the module of northwind.mdb";

    // A missing one is named readably.
    result = runCliWithBytes({"gone\xff.mdb"}, dir.path());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.startsWith(QString::fromUtf8("error 5: The source database \"gone\ufffd.mdb\"")))
        << result.err.toStdString();
}
