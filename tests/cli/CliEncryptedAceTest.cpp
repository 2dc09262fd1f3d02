// tabulo-cli on the password-encrypted ACE files of the corpus (RC4
// CryptoAPI and agile AES-256), with the password `password`.

#include "CliRun.h"
#include "TestPaths.h"

#include <QFileInfo>
#include <QTemporaryDir>

using namespace clitest;

namespace {

const QStringList EncryptedFiles = {"ace14-encrypted-standard.accdb", "ace14-encrypted-agile.accdb"};

}  // namespace

TEST(CliEncryptedAce, EachFileGivesTheModuleOfItsDesignWithItsPassword)
{
    TABULO_NEED_TESTDATA();
    QTemporaryDir dir;
    const QString passwordFile = dir.filePath("db.pw");
    writeFile(passwordFile, "password\n");
    for (const QString &name : EncryptedFiles) {
        SCOPED_TRACE(name.toStdString());
        const QString path = testDataPath(name);
        for (const QStringList &extra : {QStringList{"--db-password", "password"},
                                         QStringList{"--db-password-file", passwordFile, "--design-properties"}}) {
            const CliResult result = runCli(QStringList{path} + extra);
            ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
            // Table1 as mdb-schema lists it after decryption: ID Long, Data Text (255).
            EXPECT_TRUE(result.out.contains("Private Sub subCreate_Table1(")) << result.out.constData();
            EXPECT_TRUE(result.out.contains("CreateField(\"ID\", dbLong")) << result.out.constData();
            EXPECT_TRUE(result.out.contains("CreateField(\"Data\", dbText, 255)")) << result.out.constData();
        }
    }
}

TEST(CliEncryptedAce, AWrongOrMissingPasswordIsTheJetFourPasswordError)
{
    TABULO_NEED_TESTDATA();
    const QString jet4 = testDataPath("jet4-password.mdb");
    const QString jet4Error = runCli({jet4, "--db-password", "wrong"}).err;
    ASSERT_TRUE(jet4Error.startsWith("error 3031: ")) << jet4Error.toStdString();
    for (const QString &name : EncryptedFiles) {
        const QString path = testDataPath(name);
        for (const QStringList &extra : {QStringList{"--db-password", "wrong"}, QStringList{}}) {
            const CliResult result = runCli(QStringList{path} + extra);
            EXPECT_EQ(result.exitCode, 1) << name.toStdString();
            QString asJet4 = result.err;
            EXPECT_EQ(asJet4.replace(path, jet4), jet4Error) << result.err.toStdString();
        }
    }
}

TEST(CliEncryptedAce, TheReaderGetsThePasswordOnlyOnItsInput)
{
    TABULO_NEED_TESTDATA();
    // A reader that notes its command line, then is the real one.
    QTemporaryDir dir;
    const QString commandLines = dir.filePath("argv");
    const QString reader = dir.filePath("reader");
    writeFile(reader, "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + commandLines.toUtf8() + "'\nexec '"
                          TABULO_BINARY_DIR "/bin/tabulo-schema-reader' \"$@\"\n");
    QFile::setPermissions(reader, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TABULO_SCHEMA_READER", reader);

    const QString secret = "Se-cr3t p4ss";
    const CliResult result =
        runCli({testDataPath("ace14-encrypted-agile.accdb"), "--db-password", secret}, {}, environment);
    EXPECT_TRUE(result.err.startsWith("error 3031: ")) << result.err.toStdString();
    const QByteArray seen = readFile(commandLines);
    EXPECT_TRUE(seen.contains("--password-stdin\n")) << seen.constData();
    EXPECT_FALSE(seen.contains("p4ss")) << seen.constData();
}

TEST(CliEncryptedAce, ADamagedEncryptionHeaderIsNamed)
{
    TABULO_NEED_TESTDATA();
    QByteArray bytes = readFile(testDataPath("ace14-encrypted-agile.accdb"));
    const qsizetype keyData = bytes.indexOf("<keyData ");
    ASSERT_GT(keyData, 0);
    ASSERT_LT(keyData, 4096);
    bytes[keyData + 1] = 'x';
    QTemporaryDir dir;
    const QString damaged = dir.filePath("damaged.accdb");
    writeFile(damaged, bytes);
    const CliResult result = runCli({damaged, "--db-password", "password"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.startsWith("error 3343: Unrecognized database format '" + damaged
                                      + "': damaged encryption header: "))
        << result.err.toStdString();
}
