#include "utility/BasicError.h"
#include "RaisedError.h"
#include "utility/OS32Helper.h"

#include "RecordingMessageService.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "Printing.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

using namespace pembry;

namespace {
const OS32Helper os;

QString backslashed(QString path)
{
    return path.replace(QLatin1Char('/'), QLatin1Char('\\'));
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// Tests that work in a fresh temporary folder, `dir`.
class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QTemporaryDir dir;
};
class OS32HelperFolders : public TempFolderTest {};
class OS32HelperFiles : public TempFolderTest {};
class OS32HelperMakeDirectory : public TempFolderTest {};

BasicError makeDirectoryError(const QString &folder)
{
    return testsupport::raisedError([&] { os.MakeDirectory(folder); });
}

const QString uncMessage = QStringLiteral(
    "MakeDirectory does not support the use of UNC path names. Please use a fully qualified drive mapping.");
}  // namespace

TEST(OS32HelperPaths, SplitBothSeparatorStyles)
{
    EXPECT_EQ(os.PathNameNoFile(QStringLiteral("C:\\Data\\file.txt")), QStringLiteral("C:\\Data"));
    EXPECT_EQ(os.FileNameNoPath(QStringLiteral("C:\\Data\\file.txt")), QStringLiteral("file.txt"));
    EXPECT_EQ(os.FileNameNoPath(QStringLiteral("C:\\Data\\")), QString());
    EXPECT_EQ(os.PathNameNoFile(QStringLiteral("/home/ann/db.mdb")), QStringLiteral("/home/ann"));
    EXPECT_EQ(os.FileNameNoPath(QStringLiteral("/home/ann/db.mdb")), QStringLiteral("db.mdb"));
    EXPECT_EQ(os.FileNameNoPath(QStringLiteral("/home/ann/")), QString());
    EXPECT_EQ(os.PathNameNoFile(QStringLiteral("C:\\Data/sub\\Größe.txt")), QStringLiteral("C:\\Data/sub"));
    EXPECT_EQ(os.FileNameNoPath(QStringLiteral("C:\\Data/sub\\Größe.txt")), QStringLiteral("Größe.txt"));
    // A bare file name is all file and no folder.
    EXPECT_EQ(os.FileNameNoPath(QStringLiteral("Create DB.bas")), QStringLiteral("Create DB.bas"));
    EXPECT_EQ(os.PathNameNoFile(QStringLiteral("Create DB.bas")), QString());
    EXPECT_EQ(os.FileNameNoPath(QString()), QString());
}

TEST(OS32HelperPaths, AddedSeparatorFollowsThePathStyle)
{
    EXPECT_EQ(os.AddDirectorySeparator(QStringLiteral("C:\\Data/")), QStringLiteral("C:\\Data/"));
    EXPECT_EQ(os.AddDirectorySeparator(QStringLiteral("C:\\Data ")), QStringLiteral("C:\\Data\\"));
    EXPECT_EQ(os.AddDirectorySeparator(QStringLiteral("/home/ann")), QStringLiteral("/home/ann/"));
    EXPECT_EQ(os.AddDirectorySeparator(QStringLiteral("C:\\Data/sub")), QStringLiteral("C:\\Data/sub/"));
    EXPECT_EQ(os.AddDirectorySeparator(QStringLiteral("data")), QStringLiteral("data/"));
    EXPECT_EQ(os.AddDirectorySeparator(QStringLiteral("C:")), QStringLiteral("C:\\"));
    EXPECT_EQ(os.AddDirectorySeparator(QStringLiteral("  /x  ")), QStringLiteral("  /x/"));
    EXPECT_EQ(os.AddDirectorySeparator(QStringLiteral("  /x/  ")), QStringLiteral("/x/"));
}

TEST_F(OS32HelperFolders, IsValidFolderAddsTheSeparatorInTheCallersText)
{
    QString slashed = dir.path();
    EXPECT_TRUE(os.IsValidFolder(slashed));
    EXPECT_EQ(slashed, dir.path() + QLatin1Char('/'));

    QString windowsStyle = backslashed(dir.path());
    EXPECT_TRUE(os.IsValidFolder(windowsStyle));
    EXPECT_EQ(windowsStyle, backslashed(dir.path()) + QLatin1Char('\\'));

    QString missing = dir.filePath(QStringLiteral("missing"));
    EXPECT_FALSE(os.IsValidFolder(missing));
    EXPECT_EQ(missing, dir.filePath(QStringLiteral("missing/")));

    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("file.txt")), "x"));
    QString file = dir.filePath(QStringLiteral("file.txt"));
    EXPECT_FALSE(os.IsValidFolder(file));

    QString empty;
    EXPECT_FALSE(os.IsValidFolder(empty));
    EXPECT_EQ(empty, QString());
}

TEST_F(OS32HelperFiles, IsValidFilePathOpensForReading)
{
    const QString file = dir.filePath(QStringLiteral("Grüße db.mdb"));
    ASSERT_TRUE(writeFile(file, "data"));
    EXPECT_TRUE(os.IsValidFilePath(file));
    EXPECT_TRUE(os.IsValidFilePath(backslashed(file)));
    EXPECT_FALSE(os.IsValidFilePath(dir.filePath(QStringLiteral("missing.mdb"))));
    EXPECT_FALSE(os.IsValidFilePath(dir.filePath(QStringLiteral("missing/db.mdb"))));
    EXPECT_FALSE(os.IsValidFilePath(dir.path()));
    EXPECT_FALSE(os.IsValidFilePath(QString()));

    if (::geteuid() != 0) {
        const QString locked = dir.filePath(QStringLiteral("locked.mdb"));
        ASSERT_TRUE(writeFile(locked, "data"));
        QFile::setPermissions(locked, QFileDevice::WriteOwner);
        EXPECT_FALSE(os.IsValidFilePath(locked));
    }

    // A NUL in a file name raises.
    EXPECT_EQ(testsupport::expectedError([&] { os.IsValidFilePath(QStringLiteral("a") + QChar(0) + QStringLiteral("b")); })
                  .number(),
              err::BadFileNameOrNumber);
}

TEST_F(OS32HelperFiles, ANameHoldingABackslashIsUsedAsItIsWhenItExists)
{
    // A file whose name holds a backslash, beside a folder "sub" holding
    // another: the name as given wins, a separator is read only otherwise.
    const QString odd = dir.filePath(QStringLiteral("odd\\name.mdb"));
    ASSERT_TRUE(writeFile(odd, "data"));
    EXPECT_TRUE(os.IsValidFilePath(odd));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("sub/db.mdb")), "data"));
    EXPECT_TRUE(os.IsValidFilePath(dir.filePath(QStringLiteral("sub\\db.mdb"))));
    EXPECT_FALSE(os.IsValidFilePath(dir.filePath(QStringLiteral("sub\\none.mdb"))));

    const QString oddFolder = dir.filePath(QStringLiteral("odd\\folder"));
    ASSERT_TRUE(QDir().mkdir(oddFolder));
    QString folder = oddFolder;
    EXPECT_TRUE(os.IsValidFolder(folder));
    EXPECT_TRUE(os.WriteAccess(oddFolder));
    EXPECT_EQ(QDir(oddFolder).entryList(QDir::Files), QStringList());

    EXPECT_EQ(fileSystemPath(odd), odd);
    EXPECT_EQ(fileSystemPath(QStringLiteral("\\tmp\\x")), QStringLiteral("/tmp/x"));
    EXPECT_EQ(fileSystemPath(QString()), QString());
}

// Every name survives decoding and encoding, whatever its bytes; valid
// UTF-8 decodes as Qt decodes it, and what is not UTF-8 still prints.
TEST_F(OS32HelperFiles, FileNamesKeepTheirBytes)
{
    for (const QByteArray &name : {QByteArray("plain.mdb"), QByteArray("caf\xc3\xa9 \xf0\x9f\x8d\x8e.mdb")}) {
        EXPECT_EQ(decodeFileName(name), QFile::decodeName(name));
        EXPECT_EQ(encodeFileName(decodeFileName(name)), name);
    }
    // A name may begin with a byte order mark, after a stray byte too.
    for (const QByteArray &name : {QByteArray("\xef\xbb\xbf" "bom"), QByteArray("\xff\xef\xbb\xbf" "bom")})
        EXPECT_EQ(encodeFileName(decodeFileName(name)), name) << name.toHex().constData();
    // Latin-1, a cut sequence, an encoded surrogate, an overlong form, a
    // value beyond U+10FFFF, and the bytes of U+FFFD beside a stray 0xFF.
    for (const QByteArray &name : {QByteArray("caf\xe9.mdb"), QByteArray("cut\xe2\x82"), QByteArray("\xed\xb3\xbf"),
                                   QByteArray("\xc0\xaf"), QByteArray("\xf4\x90\x80\x80"),
                                   QByteArray("\xef\xbf\xbd\xff")}) {
        const QString decoded = decodeFileName(name);
        EXPECT_EQ(encodeFileName(decoded), name) << name.toHex().constData();
        EXPECT_NE(decoded, QFile::decodeName(name)) << name.toHex().constData();
        EXPECT_EQ(decoded.toLocal8Bit(), QFile::encodeName(QFile::decodeName(name))) << name.toHex().constData();
    }
    // Every name of one or two bytes.
    for (int first = 1; first < 256; ++first) {
        for (int second = 0; second < 256; ++second) {
            QByteArray name(1, char(first));
            if (second)
                name.append(char(second));
            ASSERT_EQ(encodeFileName(decodeFileName(name)), name) << name.toHex().constData();
        }
    }
    // U+1F0A1 is the pair D83C DCA1: its low half, though in the range of
    // the bytes, is part of a character.
    EXPECT_EQ(encodeFileName(QString::fromUtf8("\xf0\x9f\x82\xa1")), QByteArray("\xf0\x9f\x82\xa1"));
}

// A name that is not UTF-8 is tested as the file it names.
TEST_F(OS32HelperFiles, ANameThatIsNotUtf8IsTheFileTested)
{
    const QByteArray folder = QFile::encodeName(dir.path());
    const QString latin1 = decodeFileName(folder + "/caf\xe9.mdb");
    EXPECT_FALSE(os.IsValidFilePath(latin1));
    ASSERT_TRUE(writeFile(QFile::decodeName(folder + "/caf\xef\xbf\xbd.mdb"), "data"));
    EXPECT_FALSE(os.IsValidFilePath(latin1)) << "the U+FFFD name was tested";
    const int fd = ::open((folder + "/caf\xe9.mdb").constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_TRUE(os.IsValidFilePath(latin1));
    EXPECT_EQ(fileSystemPath(latin1), latin1);
    ::unlink((folder + "/caf\xe9.mdb").constData());
}

TEST_F(OS32HelperFiles, WriteAccessNeverTouchesExistingFiles)
{
    const QString existing = dir.filePath(QStringLiteral("test.000"));
    ASSERT_TRUE(writeFile(existing, "keep me"));

    EXPECT_TRUE(os.WriteAccess(dir.path()));
    EXPECT_TRUE(os.WriteAccess(backslashed(dir.path()) + QLatin1Char('\\')));
    QFile kept(existing);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("keep me"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("test.000")});

    EXPECT_FALSE(os.WriteAccess(dir.filePath(QStringLiteral("missing"))));
    if (::geteuid() != 0) {
        const QString readOnly = dir.filePath(QStringLiteral("readonly"));
        ASSERT_TRUE(QDir().mkdir(readOnly));
        QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        EXPECT_FALSE(os.WriteAccess(readOnly));
        QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
}

TEST_F(OS32HelperMakeDirectory, RefusesNetworkAndRelativePaths)
{
    for (const QString &path : {QStringLiteral("\\\\server\\share\\new"), QStringLiteral("//server/share/new"),
                                QStringLiteral("relative/folder"), QString()}) {
        const BasicError e = makeDirectoryError(path);
        EXPECT_EQ(e.number(), err::InvalidCall) << qPrintable(path);
        EXPECT_EQ(e.description(), uncMessage);
    }
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("relative")));
}

TEST_F(OS32HelperMakeDirectory, MakesEveryMissingFolder)
{
    EXPECT_TRUE(os.MakeDirectory(dir.filePath(QStringLiteral("A/B/C/"))));
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("A/B/C"))).isDir());
    EXPECT_TRUE(os.MakeDirectory(dir.filePath(QStringLiteral("A/B/C"))));   // already there

    EXPECT_TRUE(os.MakeDirectory(QStringLiteral("  ") + backslashed(dir.filePath(QStringLiteral("Ä\\Ö"))) + '\\'));
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("Ä/Ö"))).isDir());
    EXPECT_TRUE(os.MakeDirectory(QStringLiteral("/")));
}

TEST_F(OS32HelperMakeDirectory, DriveLettersAreRefusedAndNothingIsMade)
{
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    BasicError refusal;
    for (const QString &path : {QStringLiteral("C:\\A\\B\\C\\"), QStringLiteral("d:/data"), QStringLiteral(" C:")}) {
        refusal = makeDirectoryError(path);
        EXPECT_EQ(refusal.number(), err::InvalidCall) << qPrintable(path);
        EXPECT_TRUE(refusal.description().startsWith(uncMessage)) << qPrintable(refusal.description());
        EXPECT_TRUE(refusal.description().contains(path.trimmed())) << qPrintable(refusal.description());
    }
    QDir::setCurrent(previous);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

TEST_F(OS32HelperMakeDirectory, AFileInTheWayIsNamedInTheError)
{
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("A")), "x"));
    const BasicError e = makeDirectoryError(dir.filePath(QStringLiteral("A/B")));
    EXPECT_TRUE(e.number() == err::PathFileAccess || e.number() == err::PathNotFound) << e.number();
    EXPECT_TRUE(e.description().contains(dir.filePath(QStringLiteral("A")))) << qPrintable(e.description());
    EXPECT_EQ(e.source(), QStringLiteral("Pembry31.OS32Helper"));
}

TEST(OS32HelperMessages, StandardErrorMessageText)
{
    RecordingMessageService messages;
    os.StandardErrorMessage(QStringLiteral("frmMain - Load"), 53, QStringLiteral("File not found"));
    os.StandardErrorMessage(QStringLiteral("Größe"), -2147221504, QStringLiteral("Bad"), QStringLiteral("more"));
    ASSERT_EQ(messages.messages.size(), 2);
    EXPECT_EQ(messages.messages[0].text,
              QStringLiteral("The following error has occured in frmMain - Load:\r\nError #53\r\n"
                             "Error Text: File not found"));
    EXPECT_EQ(messages.messages[0].style, mb::OKOnly);
    EXPECT_TRUE(messages.messages[0].title.isEmpty());
    EXPECT_EQ(messages.messages[1].text,
              QStringLiteral("The following error has occured in Größe:\r\nError #-2147221504\r\nError Text: Bad"
                             "\r\nAdditional Information:\r\nmore"));
}

TEST(OS32HelperMessages, WithoutUserInterfaceTheMessageGoesToStandardError)
{
    testing::internal::CaptureStderr();
    os.StandardErrorMessage(QStringLiteral("Main"), 5, QStringLiteral("Invalid"));
    const std::string written = testing::internal::GetCapturedStderr();
    EXPECT_NE(written.find("The following error has occured in Main:"), std::string::npos);
    EXPECT_NE(written.find("Error Text: Invalid"), std::string::npos);
}
