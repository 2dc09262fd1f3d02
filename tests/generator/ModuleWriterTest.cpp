// The module text for the schemas the wizard meets: a whole module byte
// for byte, the wrapper variants, and the field, index and relationship
// blocks, including names and values that need escaping in Basic.

#include "BasicEvaluator.h"
#include "WriterFixture.h"
#include "wizard/generator/BasicNames.h"
#include "wizard/generator/ModuleDelivery.h"
#include "wizard/generator/Windows1252.h"

#include <gtest/gtest.h>

#include <QSet>
#include <QStringList>

using namespace tabulo;
using namespace writertest;

TEST(ModuleWriter, WritesTheWholeModuleOfOneTableByteForByte)
{
    const QString expected = crlf(R"(Public Sub CreateNewDatabase(strNewDBPath As String)

   On Error Goto ErrorHandler

   Dim dbNew As Database

   Dim ws As Workspace
   Set ws = DBEngine(0)
   Set dbNew = ws.CreateDatabase(strNewDBPath, dbLangGeneral, dbVersion30)

   'Create Tables
   subCreate_Customers dbNew

   subCreate_Indexes dbNew

ExitProcedure:
   Exit Sub

ErrorHandler:
   MsgBox Err.Number & ": " & Err.Description
   Resume ExitProcedure

End Sub

Private Sub subCreate_Customers(dbNew As Database)

   On Error Goto ErrorHandler

   Const mcstrQuote As String = """"
   Dim tdfNew As TableDef
   Dim fldNew As Field

   Set tdfNew = dbNew.CreateTableDef("Customers")
   Set fldNew = tdfNew.CreateField("CustomerID", dbLong, 4)
   fldNew.Attributes = dbAutoIncrField Or dbDescending Or dbFixedField
   fldNew.Required = False
   tdfNew.Fields.Append fldNew

   Set fldNew = tdfNew.CreateField("CompanyName", dbText, 50)
   fldNew.AllowZeroLength = False
   fldNew.DefaultValue = mcstrQuote & "n/a" & mcstrQuote
   fldNew.Required = True
   tdfNew.Fields.Append fldNew

   dbNew.TableDefs.Append tdfNew

ExitProcedure:
   Exit Sub

ErrorHandler:
   MsgBox Err.Number & ": " & Err.Description
   Resume ExitProcedure

End Sub

Private Sub subCreate_Indexes(dbNew As Database)

   On Error Goto ErrorHandler

   Dim tdf As TableDef
   Dim fldNew As Field
   Dim indxNew As Index

   Set tdf = dbNew.TableDefs("Customers")
      Set indxNew = tdf.CreateIndex("PrimaryKey")
         Set fldNew = indxNew.CreateField("CustomerID")
         indxNew.Fields.Append fldNew
         With indxNew
            .IgnoreNulls = False
            .Primary = True
            .Required = True
            .Unique = True
         End With
      tdf.Indexes.Append indxNew


ExitProcedure:
   Exit Sub

ErrorHandler:
   Select Case Err.Number
      Case 3284
         'The Jet Engine automatically created this index when it created a relationship that uses the respective field
         Resume Next
      Case Else
         MsgBox Err.Number & ": " & Err.Description
   End Select
   Resume ExitProcedure

End Sub
)");
    EXPECT_EQ(generate(wizardStyle(), customers()), expected);
}

// --- The wrapper procedure ---------------------------------------------------

TEST(ModuleWriterWrapper, CurrentDatabaseTakesNoArgumentsAndCallsTablesWithoutOne)
{
    GeneratorSettings style = wizardStyle();
    style.pathNameDBNew = QStringLiteral("Current");
    const QString module = generate(style, customers());
    EXPECT_EQ(wrapperOf(module), crlf(R"(Public Sub CreateNewDatabase()

   On Error Goto ErrorHandler

   Dim dbNew As Database

   Set dbNew = CurrentDb

   'Create Tables
   subCreate_Customers

   subCreate_Indexes dbNew

ExitProcedure:
   Exit Sub

ErrorHandler:
   MsgBox Err.Number & ": " & Err.Description
   Resume ExitProcedure

End Sub
)"));
    EXPECT_TRUE(module.contains(crlf(R"(Private Sub subCreate_Customers()

   On Error Goto ErrorHandler

   Const mcstrQuote As String = """"
   Dim dbNew As Database
   Dim tdfNew As TableDef
   Dim fldNew As Field

   Set dbNew = CurrentDb

   Set tdfNew = dbNew.CreateTableDef("Customers")
   Set fldNew = tdfNew.CreateField("CustomerID", dbLong, 4)
)")));
    EXPECT_TRUE(module.contains(QStringLiteral("Private Sub subCreate_Indexes(dbNew As Database)")));
}

TEST(ModuleWriterWrapper, CurrentDatabaseWithRunTimeSecurityKeepsTheUnusedParameters)
{
    GeneratorSettings style = wizardStyle();
    style.pathNameDBNew = QStringLiteral("Current");
    style.newDBSecurity = 1;
    const QString module = generate(style, customers());
    EXPECT_TRUE(module.startsWith(crlf(R"(Public Sub CreateNewDatabase(strMDWPath As String, strUserName As String, strPassword As String, Optional strDatabasePwd as String)

   On Error Goto ErrorHandler

   Dim dbNew As Database

   Set dbNew = CurrentDb

   'Create Tables
)")));
    EXPECT_FALSE(module.contains(QStringLiteral("Workspace")));
}

TEST(ModuleWriterWrapper, RunTimeSecurityLogsIntoTheGivenWorkgroup)
{
    GeneratorSettings style = wizardStyle();
    style.newDBSecurity = 1;
    EXPECT_TRUE(generate(style, customers()).startsWith(crlf(R"(Public Sub CreateNewDatabase(strNewDBPath As String, strMDWPath As String, strUserName As String, strPassword As String, Optional strDatabasePwd as String)

   On Error Goto ErrorHandler

   Dim dbNew As Database

   Dim ws As Workspace
   'Create a secure workspace
   DBEngine.SystemDB = strMDWPath
   Set ws = DBEngine.CreateWorkspace("SecureWorkspace", strUserName, strPassword)
   Set dbNew = ws.CreateDatabase(strNewDBPath, dbLangGeneral & ";pwd=" & strDatabasePwd, dbVersion30)

   'Create Tables
   subCreate_Customers dbNew
)")));
}

TEST(ModuleWriterWrapper, HardcodedSecurityAndAFixedPathAreWrittenAsBasicStrings)
{
    GeneratorSettings style = wizardStyle();
    style.pathNameDBNew = QStringLiteral("C:\\New \"Shop\".mdb");
    style.newDBSecurity = 2;
    style.version = 64;
    style.encrypt = 2;
    style.pathNameMDWNew = QStringLiteral("C:\\Secure.mdw");
    style.userNameNew = QStringLiteral("Admin");
    style.passwordMDWNew = QStringLiteral("p\"w");
    style.passwordDBNew = QStringLiteral(";pwd=secret");
    EXPECT_TRUE(generate(style, customers()).startsWith(crlf(R"(Public Sub CreateNewDatabase()

   On Error Goto ErrorHandler

   Dim dbNew As Database

   Dim ws As Workspace
   'Create a secure workspace
   DBEngine.SystemDB = "C:\Secure.mdw"
   Set ws = DBEngine.CreateWorkspace("SecureWorkspace", "Admin", "p""w")
   Set dbNew = ws.CreateDatabase("C:\New ""Shop"".mdb", dbLangGeneral & ";pwd=secret", dbVersion40 Or dbEncrypt)

   'Create Tables
)")));

    style.passwordDBNew.clear();
    style.encrypt = 0;
    style.version = 1;
    style.locale = QStringLiteral("dbLangNordic");
    EXPECT_TRUE(generate(style, customers()).contains(
        QStringLiteral("ws.CreateDatabase(\"C:\\New \"\"Shop\"\".mdb\", dbLangNordic, dbVersion10)\r\n")));
}

TEST(ModuleWriterWrapper, EveryVersionHasItsConstant)
{
    const std::pair<int, const char *> versions[] = {
        {1, "dbVersion10"}, {8, "dbVersion11"}, {16, "dbVersion20"}, {32, "dbVersion30"}, {64, "dbVersion40"}};
    for (const auto &[version, text] : versions) {
        GeneratorSettings style = wizardStyle();
        style.version = version;
        EXPECT_TRUE(generate(style, customers()).contains(
            QStringLiteral("(strNewDBPath, dbLangGeneral, %1)\r\n").arg(QLatin1StringView(text))))
            << version;
    }
}

TEST(ModuleWriterWrapper, WithoutTheWrapperTheModuleStartsWithTheFirstTable)
{
    GeneratorSettings style = wizardStyle();
    style.includeDatabaseWrapper = false;
    const QString module = generate(style, customers());
    EXPECT_TRUE(module.startsWith(QStringLiteral("\r\nPrivate Sub subCreate_Customers(dbNew As Database)\r\n")));
    EXPECT_FALSE(module.contains(QStringLiteral("CreateNewDatabase")));
    EXPECT_TRUE(module.contains(QStringLiteral("\r\nPrivate Sub subCreate_Indexes(dbNew As Database)\r\n")));
}

TEST(ModuleWriterWrapper, RefusesSettingsThatWouldWriteBrokenStatements)
{
    const auto refusal = [](const GeneratorSettings &style) -> QString {
        ModuleWriter writer(style);
        try {
            writer.begin();
        } catch (const pembry::BasicError &e) {
            EXPECT_EQ(e.number(), 5);
            return e.description();
        }
        return QStringLiteral("accepted");
    };
    GeneratorSettings style = wizardStyle();
    style.version = 48;
    EXPECT_TRUE(refusal(style).contains(QStringLiteral("Version"))) << refusal(style).toStdString();
    style = wizardStyle();
    style.newDBSecurity = 3;
    EXPECT_TRUE(refusal(style).contains(QStringLiteral("NewDBSecurity")));
    style = wizardStyle();
    style.newDBSecurity = -1;
    EXPECT_TRUE(refusal(style).contains(QStringLiteral("NewDBSecurity")));
    style = wizardStyle();
    style.varNameNewField = QStringLiteral("fld New");
    EXPECT_TRUE(refusal(style).contains(QStringLiteral("VarNameNewField")));
    style = wizardStyle();
    style.varNameNewDB = QStringLiteral("Set");
    EXPECT_TRUE(refusal(style).contains(QStringLiteral("VarNameNewDB")));
    style = wizardStyle();
    style.locale = QStringLiteral("dbLangGeneral;");
    EXPECT_TRUE(refusal(style).contains(QStringLiteral("Locale")));
    EXPECT_EQ(refusal(wizardStyle()), QStringLiteral("accepted"));
}

TEST(ModuleWriterWrapper, RefusesVariableNamesThatClashAsBasicComparesNames)
{
    const auto refusal = [](const GeneratorSettings &style) -> QString {
        try {
            checkCodeStyle(style);
        } catch (const pembry::BasicError &e) {
            EXPECT_EQ(e.number(), 5);
            return e.description();
        }
        return QStringLiteral("accepted");
    };
    struct Case {
        QString GeneratorSettings::*setting;
        const char *value;
        const char *named;      // the setting the refusal names
        const char *reason;     // a word of the reason
    };
    const QList<Case> cases = {
        {&GeneratorSettings::varNameNewDB, "ws", "VarNameNewDB", "module"},
        {&GeneratorSettings::varNameNewField, "tdf", "VarNameNewField", "module"},
        {&GeneratorSettings::varNameNewTable, "fldNew", "VarNameNewTable", "VarNameNewField"},
        {&GeneratorSettings::varNameNewTable, "FLDNEW", "VarNameNewTable", "VarNameNewField"},
        {&GeneratorSettings::varNameNewDB, "mcstrQuote", "VarNameNewDB", "module"},
        {&GeneratorSettings::varNameNewDB, "strNewDBPath", "VarNameNewDB", "module"},
        {&GeneratorSettings::varNameNewDB, "CurrentDb", "VarNameNewDB", "module"},
        {&GeneratorSettings::varNameNewIndex, "MsgBox", "VarNameNewIndex", "module"},
        {&GeneratorSettings::varNameNewIndex, "msgbox", "VarNameNewIndex", "module"},
        {&GeneratorSettings::varNameNewRelation, "ErrorHandler", "VarNameNewRelation", "module"},
        {&GeneratorSettings::varNameNewRelation, "DBLANGGENERAL", "VarNameNewRelation", "module"},
        {&GeneratorSettings::varNameNewRelation, "indxnew", "VarNameNewRelation", "VarNameNewIndex"},
    };
    for (const Case &c : cases) {
        GeneratorSettings style = wizardStyle();
        style.*c.setting = QString::fromLatin1(c.value);
        const QString text = refusal(style);
        EXPECT_TRUE(text.contains(QLatin1StringView(c.named)) && text.contains(QLatin1StringView(c.reason))
                    && text.contains(QString::fromLatin1(c.value)))
            << c.value << ": " << text.toStdString();
    }
    // The chosen locale is a name of the module as well.
    GeneratorSettings style = wizardStyle();
    style.locale = QStringLiteral("dbLangGreek");
    style.varNameNewDB = QStringLiteral("dblanggreek");
    EXPECT_TRUE(refusal(style).contains(QStringLiteral("Locale"))) << refusal(style).toStdString();
    // Through the writer too, before anything is written.
    style = wizardStyle();
    style.pathNameDBNew = QStringLiteral("Current");
    style.varNameNewDB = QStringLiteral("CurrentDb");
    ModuleWriter writer(style);
    EXPECT_THROW(writer.begin(), pembry::BasicError);
    // Names a caller shows its own way.
    style = wizardStyle();
    style.varNameNewDB = QStringLiteral("ws");
    try {
        checkCodeStyle(style, {{QStringLiteral("VarNameNewDB"), QStringLiteral("--db-var")}});
        ADD_FAILURE() << "accepted";
    } catch (const pembry::BasicError &e) {
        EXPECT_TRUE(e.description().startsWith(QStringLiteral("The setting --db-var «ws»"))) << e.description().toStdString();
    }
    // Names that only look alike are fine, and so are names of variables
    // that only procedures without the setting's variable declare.
    style = wizardStyle();
    style.varNameNewDB = QStringLiteral("wsNew");
    style.varNameNewField = QStringLiteral("tdfField");
    style.varNameNewTable = QStringLiteral("tdf");
    style.varNameNewRelation = QStringLiteral("ws");
    EXPECT_EQ(refusal(style), QStringLiteral("accepted"));
    const QString module = generate(style, customers());
    EXPECT_TRUE(module.contains(QStringLiteral("   Dim tdf As TableDef\r\n   Dim tdfField As Field\r\n")));
}

TEST(ModuleWriterWrapper, RefusesATabStopBeyondSixteenBlanks)
{
    GeneratorSettings style = wizardStyle();
    style.tabStop = kMaxTabStop;
    EXPECT_NO_THROW(checkCodeStyle(style));
    style.tabStop = kMaxTabStop + 1;
    try {
        checkCodeStyle(style);
        ADD_FAILURE() << "accepted";
    } catch (const pembry::BasicError &e) {
        EXPECT_EQ(e.number(), 5);
        EXPECT_TRUE(e.description().contains(QStringLiteral("TabStop"))) << e.description().toStdString();
        EXPECT_TRUE(e.description().contains(QStringLiteral("16"))) << e.description().toStdString();
    }
}

// --- Fields ------------------------------------------------------------------

TEST(ModuleWriterFields, WritesEveryPropertyOfAFieldInOrder)
{
    schema::Field f = field(QStringLiteral("Code"), 10, 5, 34);
    f.allowZeroLength = true;
    f.defaultValue = QStringLiteral("\"AA\"");
    f.required = true;
    f.validationRule = QStringLiteral("Like \"[A-Z]*\"");
    f.validationText = QStringLiteral("Capitals only");
    schema::Database db;
    db.tables = {table(QStringLiteral("T"), {f})};
    EXPECT_TRUE(generate(wizardStyle(), db).contains(crlf(R"(   Set tdfNew = dbNew.CreateTableDef("T")
   Set fldNew = tdfNew.CreateField("Code", dbText, 5)
   fldNew.Attributes = dbUpdatableField Or dbVariableField
   fldNew.AllowZeroLength = True
   fldNew.DefaultValue = mcstrQuote & "AA" & mcstrQuote
   fldNew.Required = True
   fldNew.ValidationRule = "Like " & mcstrQuote & "[A-Z]*" & mcstrQuote
   fldNew.ValidationText = "Capitals only"
   tdfNew.Fields.Append fldNew

   dbNew.TableDefs.Append tdfNew
)")));
}

TEST(ModuleWriterFields, AttributesLineOnlyAboveTwoAndNeverEmpty)
{
    schema::Database db;
    db.tables = {table(QStringLiteral("T"), {field(QStringLiteral("Fixed"), 4, 4, 1),
                                             field(QStringLiteral("Var"), 10, 9, 2),
                                             field(QStringLiteral("Odd"), 4, 4, 4),
                                             field(QStringLiteral("Counter"), 4, 4, 17),
                                             field(QStringLiteral("Sys"), 9, 8, 8192 | 32768)})};
    const QStringList lines = generate(wizardStyle(), db).split(QLatin1StringView("\r\n"));
    const QStringList attributes = lines.filter(QStringLiteral(".Attributes"));
    EXPECT_EQ(attributes, QStringList({QStringLiteral("   fldNew.Attributes = 0"),
                                       QStringLiteral("   fldNew.Attributes = dbAutoIncrField Or dbDescending Or dbFixedField"),
                                       QStringLiteral("   fldNew.Attributes = dbHyperlinkField Or dbSystemField")}));
}

TEST(ModuleWriterFields, AllowZeroLengthOnlyForTextAndMemo)
{
    schema::Database db;
    QList<schema::Field> fields;
    for (int type : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 15, 16, 17, 18, 19, 20, 21, 22, 23})
        fields.append(field(QStringLiteral("F%1").arg(type), type, 1));
    db.tables = {table(QStringLiteral("T"), fields)};
    const QString module = generate(wizardStyle(), db);
    EXPECT_EQ(module.count(QStringLiteral(".AllowZeroLength = False")), 2);
    EXPECT_TRUE(module.contains(crlf(R"(CreateField("F10", dbText, 1)
   fldNew.AllowZeroLength = False
)")));
    EXPECT_TRUE(module.contains(crlf(R"(CreateField("F12", dbMemo, 1)
   fldNew.AllowZeroLength = False
)")));
}

TEST(ModuleWriterFields, AnUnknownTypeLeavesTheTypeArgumentEmpty)
{
    schema::Database db;
    db.tables = {table(QStringLiteral("T"), {field(QStringLiteral("X"), 13, 4)})};
    EXPECT_TRUE(generate(wizardStyle(), db).contains(QStringLiteral("tdfNew.CreateField(\"X\", , 4)\r\n")));
}

TEST(ModuleWriterFields, ATableWithoutFieldsStillAppendsTheTable)
{
    schema::Database db;
    db.tables = {table(QStringLiteral("Empty"), {})};
    EXPECT_TRUE(generate(wizardStyle(), db).contains(crlf(R"(   Set tdfNew = dbNew.CreateTableDef("Empty")
   dbNew.TableDefs.Append tdfNew

ExitProcedure:
)")));
}

// Each stored value, and the Basic expression that gives it back.
TEST(ModuleWriterFields, StoredValuesComeBackExactly)
{
    const std::pair<const char *, const char *> cases[] = {
        {"0", R"~("0")~"},
        {"Now()", R"~("Now()")~"},
        {"\"n/a\"", R"~(mcstrQuote & "n/a" & mcstrQuote)~"},
        {"In (\"A\",\"B\")", R"~("In (" & mcstrQuote & "A" & mcstrQuote & "," & mcstrQuote & "B" & mcstrQuote & ")")~"},
        {"\"\"", R"~(mcstrQuote & mcstrQuote)~"},
        {"\"open", R"~(mcstrQuote & "open")~"},
        {"a\"\"b", R"~("a" & mcstrQuote & mcstrQuote & "b")~"},
        {" \"x\" ", R"~(" " & mcstrQuote & "x" & mcstrQuote & " ")~"},
        {"  0  ", R"~("  0  ")~"},
        {"First line\r\nSecond line", R"~("First line" & vbCrLf & "Second line")~"},
        {"a\tb\nc", R"~("a" & Chr(9) & "b" & Chr(10) & "c")~"},
        {"\r\n", "vbCrLf"},
        {"Price in \u20ac", "\"Price in \u20ac\""},
        {"\u03a9 > 0", R"~(ChrW(937) & " > 0")~"},
    };
    for (const auto &[stored, expression] : cases) {
        schema::Field f = field(QStringLiteral("V"), 10, 50);
        f.defaultValue = QString::fromUtf8(stored);
        f.validationRule = QString::fromUtf8(stored);
        f.validationText = QString::fromUtf8(stored);
        schema::Database db;
        db.tables = {table(QStringLiteral("T"), {f})};
        const QString module = generate(wizardStyle(), db);
        const QString e = QString::fromUtf8(expression);
        EXPECT_EQ(evaluateBasicString(e), f.defaultValue);
        for (const char *property : {"DefaultValue", "ValidationRule", "ValidationText"}) {
            EXPECT_TRUE(module.contains(QStringLiteral("   fldNew.%1 = %2\r\n").arg(QLatin1StringView(property), e)))
                << property << " of «" << stored << "»";
        }
    }
}

// --- Decimal precision and scale ---------------------------------------------

namespace {

schema::Field decimalField(const QString &name, int precision, int scale)
{
    schema::Field f = field(name, 20, 16, 1);
    f.precision = precision;
    f.scale = scale;
    return f;
}

schema::Database decimals()
{
    schema::Database db;
    db.tables = {table(QStringLiteral("t_funcs"), {longField(QStringLiteral("id")),
                                                   decimalField(QStringLiteral("num"), 12, 3),
                                                   decimalField(QStringLiteral("rate \"x\""), 28, 10)}),
                 table(QStringLiteral("Plain"), {longField(QStringLiteral("id"))}),
                 table(QStringLiteral("Money"), {decimalField(QStringLiteral("amount"), 18, 0)})};
    return db;
}

GeneratorSettings jet4Style()
{
    GeneratorSettings style = wizardStyle();
    style.version = 64;
    return style;
}

// The lines of the helper procedure, from its Sub line to its End Sub.
QString helperOf(const QString &module)
{
    const qsizetype at = module.indexOf(QStringLiteral("Private Sub ExecuteJetSql("));
    EXPECT_GE(at, 0);
    return module.mid(at, module.indexOf(QStringLiteral("End Sub\r\n"), at) + 9 - at);
}

}  // namespace

// DAO makes every Decimal a Decimal(18, 0): 12.345 would be imported as 12.
// Only Jet SQL run through ADO sets the two, after the table is appended.
TEST(ModuleWriterDecimal, EachDecimalGetsItsPrecisionAndScaleAfterItsTableIsAppended)
{
    for (const bool withDesign : {false, true}) {
        GeneratorSettings style = jet4Style();
        style.includeDesignProperties = withDesign;
        const QString module = generate(style, decimals());
        EXPECT_EQ(section(module, QStringLiteral("   dbNew.TableDefs.Append tdfNew"), QStringLiteral("ExitProcedure:")),
                  crlf(R"--(   dbNew.TableDefs.Append tdfNew

   'DAO cannot set the precision and scale of a Decimal: Jet SQL run through ADO does
   ExecuteJetSql dbNew, "ALTER TABLE [t_funcs] ALTER COLUMN [num] DECIMAL(12, 3)"
   ExecuteJetSql dbNew, "ALTER TABLE [t_funcs] ALTER COLUMN [rate ""x""] DECIMAL(28, 10)"

ExitProcedure:
)--")) << withDesign;
        // The field is still created as DAO creates it.
        EXPECT_TRUE(module.contains(QStringLiteral("   Set fldNew = tdfNew.CreateField(\"num\", dbDecimal, 16)\r\n")));
        EXPECT_TRUE(module.contains(crlf(R"--(   dbNew.TableDefs.Append tdfNew

   'DAO cannot set the precision and scale of a Decimal: Jet SQL run through ADO does
   ExecuteJetSql dbNew, "ALTER TABLE [Money] ALTER COLUMN [amount] DECIMAL(18, 0)"
)--")));
        EXPECT_EQ(module.count(QStringLiteral("ExecuteJetSql dbNew, ")), 3);
        // One helper for the module, after the Indexes procedure.
        EXPECT_EQ(module.count(QStringLiteral("Private Sub ExecuteJetSql(")), 1);
        EXPECT_GT(module.indexOf(QStringLiteral("Private Sub ExecuteJetSql(")),
                  module.indexOf(QStringLiteral("Private Sub subCreate_Indexes(")));
        EXPECT_EQ(helperOf(module), crlf(R"--(Private Sub ExecuteJetSql(dbNew As Database, strStatement As String)

   On Error Goto ErrorHandler

   Dim cnn As Object

   Set cnn = CreateObject("ADODB.Connection")
   cnn.Provider = "Microsoft.Jet.OLEDB.4.0"
   cnn.Properties("Data Source") = dbNew.Name
   cnn.Open
   cnn.Execute strStatement

ExitProcedure:
   'The connection is closed also after an error
   On Error Resume Next
   If Not cnn Is Nothing Then cnn.Close
   Exit Sub

ErrorHandler:
   MsgBox Err.Number & ": " & Err.Description
   Resume ExitProcedure

End Sub
)--"));
    }
    // The table without a Decimal is written as ever.
    EXPECT_TRUE(generate(jet4Style(), decimals()).contains(crlf(R"--(   Set tdfNew = dbNew.CreateTableDef("Plain")
   Set fldNew = tdfNew.CreateField("id", dbLong, 4)
   fldNew.Required = False
   tdfNew.Fields.Append fldNew

   dbNew.TableDefs.Append tdfNew

ExitProcedure:
)--")));
}

TEST(ModuleWriterDecimal, TheHelperConnectsToWhereTheTablesAreMade)
{
    // The current database: its own connection, which stays open.
    GeneratorSettings current = jet4Style();
    current.pathNameDBNew = QStringLiteral("Current");
    current.newDBSecurity = 1;
    const QString inCurrent = generate(current, decimals());
    EXPECT_TRUE(inCurrent.contains(
        QStringLiteral("\r\n   ExecuteJetSql \"ALTER TABLE [t_funcs] ALTER COLUMN [num] DECIMAL(12, 3)\"\r\n")));
    EXPECT_EQ(helperOf(inCurrent), crlf(R"--(Private Sub ExecuteJetSql(strStatement As String)

   On Error Goto ErrorHandler

   CurrentProject.Connection.Execute strStatement

ExitProcedure:
   Exit Sub

ErrorHandler:
   MsgBox Err.Number & ": " & Err.Description
   Resume ExitProcedure

End Sub
)--"));
    EXPECT_FALSE(inCurrent.contains(QStringLiteral("mstr")));

    // An ACE database: the ACE provider.
    GeneratorSettings ace = jet4Style();
    ace.version = 128;
    EXPECT_TRUE(helperOf(generate(ace, decimals()))
                    .contains(QStringLiteral("   cnn.Provider = \"Microsoft.ACE.OLEDB.12.0\"\r\n")));

    // A login written into the module: the same workgroup, user and passwords.
    GeneratorSettings hardcoded = jet4Style();
    hardcoded.newDBSecurity = 2;
    hardcoded.pathNameMDWNew = QStringLiteral("C:\\Secure.mdw");
    hardcoded.userNameNew = QStringLiteral("Admin");
    hardcoded.passwordMDWNew = QStringLiteral("p\"w");
    hardcoded.passwordDBNew = QStringLiteral(";pwd=secret");
    EXPECT_TRUE(helperOf(generate(hardcoded, decimals())).contains(crlf(R"--(   cnn.Properties("Data Source") = dbNew.Name
   cnn.Properties("Jet OLEDB:System database") = "C:\Secure.mdw"
   cnn.Properties("User ID") = "Admin"
   cnn.Properties("Password") = "p""w"
   cnn.Properties("Jet OLEDB:Database Password") = "secret"
   cnn.Open
)--")));
    hardcoded.passwordDBNew.clear();
    EXPECT_FALSE(generate(hardcoded, decimals()).contains(QStringLiteral("Database Password")));

    // A login given at run time: the wrapper keeps it for the helper.
    GeneratorSettings runTime = jet4Style();
    runTime.newDBSecurity = 1;
    const QString module = generate(runTime, decimals());
    EXPECT_TRUE(module.startsWith(crlf(R"--('The login of the new database, for the statements run through ADO
Private mstrMDWPath As String
Private mstrUserName As String
Private mstrPassword As String
Private mstrDatabasePwd As String

Public Sub CreateNewDatabase(strNewDBPath As String, strMDWPath As String, strUserName As String, strPassword As String, Optional strDatabasePwd as String)
)--")));
    EXPECT_TRUE(module.contains(crlf(R"--(   Set ws = DBEngine.CreateWorkspace("SecureWorkspace", strUserName, strPassword)
   mstrMDWPath = strMDWPath
   mstrUserName = strUserName
   mstrPassword = strPassword
   mstrDatabasePwd = strDatabasePwd
   Set dbNew = ws.CreateDatabase()--")));
    EXPECT_TRUE(helperOf(module).contains(crlf(R"--(   cnn.Properties("Data Source") = dbNew.Name
   cnn.Properties("Jet OLEDB:System database") = mstrMDWPath
   cnn.Properties("User ID") = mstrUserName
   cnn.Properties("Password") = mstrPassword
   cnn.Properties("Jet OLEDB:Database Password") = mstrDatabasePwd
   cnn.Open
)--")));
    // Without a Decimal, a secured module is written as ever.
    EXPECT_FALSE(generate(runTime, customers()).contains(QStringLiteral("mstr")));
    // Without the wrapper there is no run-time login: the caller's tables
    // are altered with the default one.
    runTime.includeDatabaseWrapper = false;
    const QString withoutWrapper = generate(runTime, decimals());
    EXPECT_FALSE(withoutWrapper.contains(QStringLiteral("mstr")));
    EXPECT_TRUE(helperOf(withoutWrapper).contains(QStringLiteral("\r\n   cnn.Properties(\"Data Source\") = dbNew.Name\r\n   cnn.Open\r\n")));
}

// The helper's login lines hold settings of any length within Basic's
// lines, and give the settings back.
TEST(ModuleWriterDecimal, LongLoginSettingsFitTheHelpersLines)
{
    GeneratorSettings style = jet4Style();
    style.tabStop = kMaxTabStop;
    style.newDBSecurity = 2;
    style.pathNameMDWNew = QStringLiteral("/mdw/") + QString(1100, u'm');
    style.userNameNew = QString(700, u'u');
    style.passwordMDWNew = QString(600, u'w') + QStringLiteral("\"");
    style.passwordDBNew = QStringLiteral(";pwd=") + QString(900, u'd');
    const QString module = generate(style, decimals());
    for (const QString &line : module.split(QLatin1StringView("\r\n")))
        EXPECT_LE(line.size(), 1023) << line.left(80).toStdString();
    const QStringList lines = statements(helperOf(module));
    const QString head = QStringLiteral("cnn.Properties(\"");
    EXPECT_EQ(argumentOf(lines, head + QStringLiteral("Jet OLEDB:System database\") = "), QString()),
              style.pathNameMDWNew);
    EXPECT_EQ(argumentOf(lines, head + QStringLiteral("User ID\") = "), QString()), style.userNameNew);
    EXPECT_EQ(argumentOf(lines, head + QStringLiteral("Password\") = "), QString()), style.passwordMDWNew);
    EXPECT_EQ(argumentOf(lines, head + QStringLiteral("Jet OLEDB:Database Password\") = "), QString()),
              QString(900, u'd'));
}

// Jet 3 has no Decimal: the field is written as before, with a line saying
// so, and nothing can set its precision.
TEST(ModuleWriterDecimal, AJet3TargetGetsACommentInsteadOfTheStatement)
{
    GeneratorSettings style = wizardStyle();
    style.version = 32;
    const QString module = generate(style, decimals());
    EXPECT_TRUE(module.contains(crlf(R"--(   'Jet 3 cannot hold a Decimal: this field needs a Jet 4 or ACE database
   Set fldNew = tdfNew.CreateField("num", dbDecimal, 16)
)--")));
    EXPECT_EQ(module.count(QStringLiteral("'Jet 3 cannot hold a Decimal")), 3);
    EXPECT_FALSE(module.contains(QStringLiteral("ExecuteJetSql")));
    EXPECT_FALSE(module.contains(QStringLiteral("ALTER TABLE")));
}

// What ALTER COLUMN cannot or need not change: a calculated Decimal takes
// its result from its expression; a multi-valued Decimal keeps its values
// in a hidden table; a Decimal whose precision the source did not give
// (a snapshot of an older form) has nothing to set.
TEST(ModuleWriterDecimal, HeldBackKindsGetNoStatement)
{
    schema::Field calculated = decimalField(QStringLiteral("Weekly"), 18, 2);
    calculated.expression = QStringLiteral("[Salary]/52");
    schema::Field multiValued = field(QStringLiteral("Scores"), 108, 16, 5);
    multiValued.precision = 12;
    multiValued.scale = 3;
    schema::Database db;
    db.tables = {table(QStringLiteral("T"), {calculated, multiValued, decimalField(QStringLiteral("Old"), 0, 0)})};
    GeneratorSettings style = jet4Style();
    style.version = 128;
    const QString module = generate(style, db);
    EXPECT_TRUE(module.contains(QStringLiteral("CreateField(\"Weekly\", dbDecimal, 16)")));
    EXPECT_TRUE(module.contains(QStringLiteral("CreateField(\"Scores\", dbComplexDecimal)")));
    EXPECT_FALSE(module.contains(QStringLiteral("ExecuteJetSql")));
    EXPECT_FALSE(module.contains(QStringLiteral("'DAO cannot set")));
}

// --- Indexes -----------------------------------------------------------------

TEST(ModuleWriterIndexes, WritesEachTablesIndexesWithTheirFieldsInOrder)
{
    schema::Database db;
    schema::Index orderKey = index(QStringLiteral("OrderKey"), {QStringLiteral("OrderID"), QStringLiteral("Line")}, true);
    schema::Index byDate = index(QStringLiteral("ByDate"), {QStringLiteral("Date")});
    byDate.ignoreNulls = true;
    db.tables = {table(QStringLiteral("Lines"), {field(QStringLiteral("OrderID"), 4, 4)}, {orderKey, byDate}),
                 table(QStringLiteral("Plain"), {field(QStringLiteral("X"), 4, 4)}),
                 table(QStringLiteral("Other"), {field(QStringLiteral("Y"), 4, 4)},
                       {index(QStringLiteral("Y"), {QStringLiteral("Y")})})};
    const QString module = generate(wizardStyle(), db);
    EXPECT_EQ(section(module, QStringLiteral("Private Sub subCreate_Indexes(dbNew As Database)"),
                      QStringLiteral("ExitProcedure:")),
              crlf(R"(Private Sub subCreate_Indexes(dbNew As Database)

   On Error Goto ErrorHandler

   Dim tdf As TableDef
   Dim fldNew As Field
   Dim indxNew As Index

   Set tdf = dbNew.TableDefs("Lines")
      Set indxNew = tdf.CreateIndex("OrderKey")
         Set fldNew = indxNew.CreateField("OrderID")
         indxNew.Fields.Append fldNew
         Set fldNew = indxNew.CreateField("Line")
         indxNew.Fields.Append fldNew
         With indxNew
            .IgnoreNulls = False
            .Primary = True
            .Required = True
            .Unique = True
         End With
      tdf.Indexes.Append indxNew

      Set indxNew = tdf.CreateIndex("ByDate")
         Set fldNew = indxNew.CreateField("Date")
         indxNew.Fields.Append fldNew
         With indxNew
            .IgnoreNulls = True
            .Primary = False
            .Required = False
            .Unique = False
         End With
      tdf.Indexes.Append indxNew

   Set tdf = dbNew.TableDefs("Other")
      Set indxNew = tdf.CreateIndex("Y")
         Set fldNew = indxNew.CreateField("Y")
         indxNew.Fields.Append fldNew
         With indxNew
            .IgnoreNulls = False
            .Primary = False
            .Required = False
            .Unique = False
         End With
      tdf.Indexes.Append indxNew


ExitProcedure:
)"));
}

TEST(ModuleWriterIndexes, ForeignIndexesOnlyWhereNoWrittenRelationshipRecreatesThem)
{
    schema::Database db;
    db.tables = {table(QStringLiteral("Customers"), {field(QStringLiteral("CustomerID"), 4, 4)}),
                 table(QStringLiteral("Orders"), {field(QStringLiteral("CustomerID"), 4, 4)},
                       {index(QStringLiteral("CustomersOrders"), {QStringLiteral("CustomerID")}, false, true),
                        index(QStringLiteral("OrderKey"), {QStringLiteral("CustomerID")}, true)})};
    db.relations = {relation(QStringLiteral("CustomersOrders"), QStringLiteral("Customers"),
                             QStringLiteral("Orders"), 0, {{QStringLiteral("CustomerID"), QStringLiteral("customerid")}})};
    GeneratorSettings style = wizardStyle();
    const QString withRelations = generate(style, db);
    EXPECT_FALSE(withRelations.contains(QStringLiteral("CreateIndex(\"CustomersOrders\")")));
    // The table's line stays, the other index follows it directly.
    EXPECT_TRUE(withRelations.contains(crlf(R"(   Set tdf = dbNew.TableDefs("Orders")
      Set indxNew = tdf.CreateIndex("OrderKey")
)")));

    // Without its other table the relationship is not written, so nothing
    // would recreate the index: it is written, in its place.
    const QString ordersOnly = generate(style, db, {QStringLiteral("Orders")});
    EXPECT_TRUE(ordersOnly.contains(crlf(R"(   Set tdf = dbNew.TableDefs("Orders")
      Set indxNew = tdf.CreateIndex("CustomersOrders")
)")));
    EXPECT_LT(ordersOnly.indexOf(QStringLiteral("CreateIndex(\"CustomersOrders\")")),
              ordersOnly.indexOf(QStringLiteral("CreateIndex(\"OrderKey\")")));

    style.includeRelations = false;
    EXPECT_TRUE(generate(style, db).contains(QStringLiteral("tdf.CreateIndex(\"CustomersOrders\")")));
}

TEST(ModuleWriterIndexes, AForeignIndexLeftInStaysInItsPlace)
{
    schema::Database db;
    db.tables = {table(QStringLiteral("A"), {field(QStringLiteral("X"), 4, 4), field(QStringLiteral("Y"), 4, 4)},
                       {index(QStringLiteral("Recreated"), {QStringLiteral("X")}, false, true),
                        index(QStringLiteral("Kept"), {QStringLiteral("Y")}, false, true),
                        index(QStringLiteral("PlainA"), {QStringLiteral("X")})}),
                 table(QStringLiteral("B"), {field(QStringLiteral("X"), 4, 4)},
                       {index(QStringLiteral("PlainB"), {QStringLiteral("X")}, true)})};
    db.relations = {relation(QStringLiteral("BA"), QStringLiteral("B"), QStringLiteral("A"), 0,
                             {{QStringLiteral("X"), QStringLiteral("X")}})};
    QStringList created;
    for (const QString &line : generate(wizardStyle(), db).split(QLatin1StringView("\r\n"))) {
        if (line.contains(QLatin1StringView("TableDefs(\"")) || line.contains(QLatin1StringView("CreateIndex(")))
            created.append(line.trimmed());
    }
    EXPECT_EQ(created, QStringList({"Set tdf = dbNew.TableDefs(\"A\")", "Set indxNew = tdf.CreateIndex(\"Kept\")",
                                    "Set indxNew = tdf.CreateIndex(\"PlainA\")", "Set tdf = dbNew.TableDefs(\"B\")",
                                    "Set indxNew = tdf.CreateIndex(\"PlainB\")"}));
}

TEST(ModuleWriterIndexes, WithoutAnyIndexTheProcedureIsStillWritten)
{
    schema::Database db;
    db.tables = {table(QStringLiteral("Plain"), {field(QStringLiteral("X"), 4, 4)})};
    EXPECT_TRUE(generate(wizardStyle(), db).endsWith(crlf(R"(   Dim indxNew As Index


ExitProcedure:
   Exit Sub

ErrorHandler:
   Select Case Err.Number
      Case 3284
         'The Jet Engine automatically created this index when it created a relationship that uses the respective field
         Resume Next
      Case Else
         MsgBox Err.Number & ": " & Err.Description
   End Select
   Resume ExitProcedure

End Sub
)")));
}

// --- Relationships -----------------------------------------------------------

namespace {

schema::Database shop()
{
    schema::Database db;
    db.tables = {table(QStringLiteral("Customers"), {field(QStringLiteral("CustomerID"), 4, 4)}),
                 table(QStringLiteral("Orders"), {field(QStringLiteral("CustomerID"), 4, 4)}),
                 table(QStringLiteral("Lines"), {field(QStringLiteral("OrderID"), 4, 4)})};
    db.relations = {relation(QStringLiteral("CustomersOrders"), QStringLiteral("Customers"),
                             QStringLiteral("Orders"), 256,
                             {{QStringLiteral("CustomerID"), QStringLiteral("CustomerID")}})};
    return db;
}

}  // namespace

TEST(ModuleWriterRelations, WritesTheRelationsProcedureBetweenTablesAndIndexes)
{
    const QString module = generate(wizardStyle(), shop());
    EXPECT_TRUE(module.contains(crlf(R"(   subCreate_Indexes dbNew

   subCreate_Relations dbNew

ExitProcedure:
)")));
    EXPECT_TRUE(module.contains(crlf(R"(End Sub


Private Sub subCreate_Relations(dbNew As Database)

   On Error Goto ErrorHandler

   Dim relNew As Relation
   Dim fldNew As Field

   'Create Relationships
   Set relNew = dbNew.CreateRelation("CustomersOrders")
   relNew.Table = "Customers"
   relNew.ForeignTable = "Orders"
   relNew.Attributes = dbRelationUpdateCascade
   Set fldNew = relNew.CreateField("CustomerID")
   fldNew.ForeignName = "CustomerID"
   relNew.Fields.Append fldNew
   dbNew.Relations.Append relNew



ExitProcedure:
   Exit Sub

ErrorHandler:
   MsgBox Err.Number & ": " & Err.Description
   Resume ExitProcedure

End Sub

Private Sub subCreate_Indexes(dbNew As Database)
)")));
    // The Relations procedure comes after the last table procedure.
    EXPECT_LT(module.indexOf(QStringLiteral("Private Sub subCreate_Lines")),
              module.indexOf(QStringLiteral("Private Sub subCreate_Relations")));
}

TEST(ModuleWriterRelations, NothingOfRelationsWithoutAQualifyingRelationship)
{
    GeneratorSettings style = wizardStyle();
    const QString oneSide = generate(style, shop(), {QStringLiteral("Orders"), QStringLiteral("Lines")});
    EXPECT_FALSE(oneSide.contains(QStringLiteral("Relations")));
    EXPECT_TRUE(oneSide.contains(QStringLiteral("   subCreate_Indexes dbNew\r\n")));

    style.includeRelations = false;
    const QString off = generate(style, shop());
    EXPECT_FALSE(off.contains(QStringLiteral("Relation")));
    EXPECT_TRUE(off.contains(QStringLiteral("   subCreate_Indexes dbNew\r\n")));
}

TEST(ModuleWriterRelations, AttributesFieldsAndReplicaFlag)
{
    schema::Database db = shop();
    db.relations = {
        relation(QStringLiteral("None"), QStringLiteral("Customers"), QStringLiteral("Orders"), 0, {}),
        relation(QStringLiteral("Loose"), QStringLiteral("Customers"), QStringLiteral("Orders"), 2 + 256 + 4096, {}),
        relation(QStringLiteral("Joined"), QStringLiteral("Customers"), QStringLiteral("Orders"), 0x1000000, {}),
        relation(QStringLiteral("Two"), QStringLiteral("Orders"), QStringLiteral("Lines"), 1 + 4,
                 {{QStringLiteral("OrderID"), QStringLiteral("OrderID")}, {QStringLiteral("Line"), QStringLiteral("LineNo")}})};
    db.relations[0].partialReplica = true;
    const QString module = generate(wizardStyle(), db);
    EXPECT_EQ(module.split(QLatin1StringView("\r\n")).filter(QStringLiteral("relNew.Attributes")),
              QStringList({QStringLiteral("   relNew.Attributes = 0"),
                           QStringLiteral("   relNew.Attributes = dbRelationDontEnforce Or dbRelationUpdateCascade Or dbRelationDeleteCascade"),
                           QStringLiteral("   relNew.Attributes = 0"),
                           QStringLiteral("   relNew.Attributes = dbRelationUnique Or dbRelationInherited")}));
    EXPECT_TRUE(module.contains(crlf(R"(   relNew.Attributes = dbRelationUnique Or dbRelationInherited
   Set fldNew = relNew.CreateField("OrderID")
   fldNew.ForeignName = "OrderID"
   relNew.Fields.Append fldNew
   Set fldNew = relNew.CreateField("Line")
   fldNew.ForeignName = "LineNo"
   relNew.Fields.Append fldNew
   dbNew.Relations.Append relNew
)")));
    EXPECT_FALSE(module.contains(QStringLiteral("PartialReplica")));

    const QString replica = generate(wizardStyle(), db, {}, true);
    EXPECT_EQ(replica.count(QStringLiteral("PartialReplica")), 1);
    EXPECT_TRUE(replica.contains(crlf(R"(   relNew.Attributes = 0
   relNew.PartialReplica = True
   dbNew.Relations.Append relNew
)")));
}

// --- Names -------------------------------------------------------------------

TEST(ModuleWriterNames, DoubleQuotesInNamesAreDoubled)
{
    schema::Database db;
    db.tables = {table(QStringLiteral("The \"Best\""), {field(QStringLiteral("A\"B"), 4, 4)},
                       {index(QStringLiteral("Key \"1\""), {QStringLiteral("A\"B")})}),
                 table(QStringLiteral("Other"), {field(QStringLiteral("C"), 4, 4)})};
    db.relations = {relation(QStringLiteral("R\"1"), QStringLiteral("The \"Best\""), QStringLiteral("Other"), 0,
                             {{QStringLiteral("A\"B"), QStringLiteral("C\"")}})};
    const QString module = generate(wizardStyle(), db);
    for (const char *line : {R"(   Set tdfNew = dbNew.CreateTableDef("The ""Best""")
)", R"(   Set fldNew = tdfNew.CreateField("A""B", dbLong, 4)
)", R"(   Set tdf = dbNew.TableDefs("The ""Best""")
)", R"(      Set indxNew = tdf.CreateIndex("Key ""1""")
)", R"(         Set fldNew = indxNew.CreateField("A""B")
)", R"(   Set relNew = dbNew.CreateRelation("R""1")
)", R"(   relNew.Table = "The ""Best"""
)", R"(   Set fldNew = relNew.CreateField("A""B")
)", R"(   fldNew.ForeignName = "C"""
)"})
        EXPECT_TRUE(module.contains(crlf(line))) << line;
    EXPECT_TRUE(module.contains(QStringLiteral("Private Sub subCreate_The_Best_(dbNew As Database)")));
}

TEST(ModuleWriterNames, ProcedureNamesAreValidUniqueAndCalledByTheSameName)
{
    schema::Database db;
    for (const char *name : {"Order Details", "OrderDetails", "orderdetails", "Order-Details",
                             "Indexes", "Relations", "Muffin/Bread", "Caf\u00e9 \u03a9"})
        db.tables.append(table(QString::fromUtf8(name), {field(QStringLiteral("X"), 4, 4)}));
    const QString module = generate(wizardStyle(), db);
    const QStringList expected = {"subCreate_OrderDetails", "subCreate_OrderDetails_2",
                                  "subCreate_orderdetails_3", "subCreate_Order_Details",
                                  "subCreate_Indexes_2", "subCreate_Relations_2",
                                  "subCreate_Muffin_Bread", "subCreate_Caf\u00e9_"};
    QStringList calls;
    QStringList procedures;
    for (const QString &line : module.split(QLatin1StringView("\r\n"))) {
        if (line.endsWith(QLatin1StringView(" dbNew")) && line.startsWith(QLatin1StringView("   subCreate_")))
            calls.append(line.mid(3).chopped(6));
        if (line.startsWith(QLatin1StringView("Private Sub ")))
            procedures.append(line.mid(12).section(u'(', 0, 0));
    }
    EXPECT_EQ(calls, expected + QStringList{"subCreate_Indexes"});
    EXPECT_EQ(procedures, expected + QStringList{"subCreate_Indexes"});
    // CreateTableDef keeps the source's spelling.
    EXPECT_TRUE(module.contains(QStringLiteral("CreateTableDef(\"Caf\u00e9 \" & ChrW(937))")));
}

TEST(ModuleWriterNames, WithoutAPrefixKeywordsDigitsAndModuleNamesAreAvoided)
{
    GeneratorSettings style = wizardStyle();
    style.procPrefix.clear();
    schema::Database db;
    for (const char *name : {"1999 Sales", "Select", "CreateNewDatabase", "MsgBox", "dbNew", "Plain"})
        db.tables.append(table(QString::fromLatin1(name), {field(QStringLiteral("X"), 4, 4)}));
    const QString module = generate(style, db);
    for (const char *call : {"   Proc_1999Sales dbNew\r\n", "   Proc_Select dbNew\r\n",
                             "   CreateNewDatabase_2 dbNew\r\n", "   MsgBox_2 dbNew\r\n",
                             "   dbNew_2 dbNew\r\n", "   Plain dbNew\r\n", "   Indexes dbNew\r\n"})
        EXPECT_TRUE(module.contains(QString::fromLatin1(call))) << call;
}

// The settings check refuses a variable name that a procedure holding the
// variable declares for itself; it knows those names from the table of
// module names, so every name a procedure declares must be there.
TEST(ModuleWriterNames, EveryNameAProcedureDeclaresIsInTheTableOfModuleNames)
{
    schema::Database db = customers();
    db.tables[0].properties = {schema::Property{QStringLiteral("Description"), 10, QString(2000, u'x')}};
    schema::Field total = field(QStringLiteral("Total"), 20, 16);   // its helper declares a variable
    total.precision = 12;
    total.scale = 2;
    db.tables.append(table(QStringLiteral("Orders"), {field(QStringLiteral("CustomerID"), 4, 4), total}));
    db.relations = {relation(QStringLiteral("CustomersOrders"), QStringLiteral("Customers"), QStringLiteral("Orders"),
                             0, {{QStringLiteral("CustomerID"), QStringLiteral("CustomerID")}})};
    GeneratorSettings runTime = wizardStyle();
    runTime.newDBSecurity = 1;
    runTime.version = 64;
    GeneratorSettings longValues = wizardStyle();   // each held in a variable
    longValues.newDBSecurity = 2;
    for (QString *value : {&longValues.pathNameDBNew, &longValues.pathNameMDWNew, &longValues.userNameNew,
                           &longValues.passwordMDWNew, &longValues.passwordDBNew})
        *value = QString(300, u'v');
    GeneratorSettings design = wizardStyle();
    design.includeDesignProperties = true;
    design.pathNameDBNew = QStringLiteral("Current");
    GeneratorSettings queries = wizardStyle();   // a long query text is held in a variable
    queries.includeQueries = true;
    schema::Query longQuery;
    longQuery.name = QStringLiteral("Long");
    longQuery.sql = QStringLiteral("SELECT * FROM Customers WHERE CustomerID <> ") + QString(2000, u'1');
    longQuery.hidden = true;
    db.queries = {longQuery};

    QSet<QString> seen;
    for (const GeneratorSettings &style : {runTime, longValues, design, queries}) {
        const QSet<QString> variables = {style.varNameNewDB, style.varNameNewTable, style.varNameNewField,
                                         style.varNameNewIndex, style.varNameNewRelation, style.varNameNewQuery};
        quint8 procedure = 0;
        const auto declares = [&](const QString &name) {
            if (procedure == 0 || variables.contains(name))
                return;
            EXPECT_TRUE(isModuleName(name, procedure, moduleOptions(style.includeDesignProperties, style.includeQueries)))
                << name.toStdString() << " in procedure " << int(procedure);
            seen.insert(name + u'/' + QString::number(procedure));
        };
        for (const QString &line : generate(style, db).split(QLatin1StringView("\r\n"))) {
            const QString text = line.trimmed();
            if (text.startsWith(QLatin1StringView("Public Sub ")) || text.startsWith(QLatin1StringView("Private Sub "))) {
                const QString name = text.section(u' ', 2).section(u'(', 0, 0);
                procedure = name == QLatin1StringView("CreateNewDatabase") ? WrapperProcedure
                            : name == QLatin1StringView("subCreate_Indexes")   ? IndexesProcedure
                            : name == QLatin1StringView("subCreate_Relations") ? RelationsProcedure
                            : name == QLatin1StringView("subCreate_Queries")   ? QueriesProcedure
                            : name == QLatin1StringView("SetDesignProperty")   ? 0   // its parameters are its own
                            : name == QLatin1StringView("ExecuteJetSql")       ? 0
                                                                                : TableProcedures;
                const QString parameters = text.section(u'(', 1).chopped(1);
                for (const QString &parameter : parameters.split(QLatin1StringView(", "), Qt::SkipEmptyParts))
                    declares(parameter.split(u' ').at(parameter.startsWith(QLatin1StringView("Optional ")) ? 1 : 0));
            } else if (text.startsWith(QLatin1StringView("Dim ")) || text.startsWith(QLatin1StringView("Const "))) {
                declares(text.section(u' ', 1, 1));
            }
        }
    }
    // And the table holds no name that no procedure declares any more.
    for (const ModuleName &name : moduleNames()) {
        if (name.procedures != EveryProcedure) {
            EXPECT_TRUE(seen.contains(name.name + u'/' + QString::number(name.procedures))) << name.name.data();
        }
    }
    for (const JetVersion &version : kJetVersions)
        EXPECT_TRUE(isModuleName(version.constant, EveryProcedure, false)) << version.constant.toString().toStdString();
}

// --- The text as a whole -----------------------------------------------------

TEST(ModuleWriterText, EveryLineIsWholeAndFitsTheCodePage)
{
    schema::Field f = field(QStringLiteral("Note\u2028\u00e9"), 12, 0);
    f.defaultValue = QStringLiteral("\"\"");
    f.validationRule = QStringLiteral("<> \"\u4e2d\u6587\"");
    f.validationText = QStringLiteral("Line 1\r\nLine\t2\n\"quoted\"\r");
    schema::Database db;
    db.tables = {table(QStringLiteral("Table\r\nName \U0001F600"), {f},
                       {index(QStringLiteral("I\n\"x\""), {QStringLiteral("Note\u2028\u00e9")})})};
    const QString module = generate(wizardStyle(), db);
    for (const QString &line : module.split(QLatin1StringView("\r\n"))) {
        EXPECT_FALSE(line.contains(u'\r') || line.contains(u'\n')) << line.toStdString();
        EXPECT_EQ(line.count(u'"') % 2, 0) << line.toStdString();
        for (QChar c : line)
            EXPECT_TRUE(fitsWindows1252(c.unicode()) && c.unicode() >= 0x20) << line.toStdString();
    }
    EXPECT_TRUE(module.contains(QStringLiteral(
        "CreateTableDef(\"Table\" & vbCrLf & \"Name \" & ChrW(55357) & ChrW(56832))")));
    EXPECT_TRUE(module.contains(QStringLiteral(
        "fldNew.ValidationText = \"Line 1\" & vbCrLf & \"Line\" & Chr(9) & \"2\" & Chr(10) & "
        "mcstrQuote & \"quoted\" & mcstrQuote & Chr(13)\r\n")));
    EXPECT_TRUE(module.contains(QStringLiteral("fldNew.ValidationRule = \"<> \" & mcstrQuote & ChrW(20013) & ChrW(25991) & mcstrQuote\r\n")));
    EXPECT_TRUE(module.contains(QStringLiteral("CreateField(\"Note\" & ChrW(8232) & \"\u00e9\", dbMemo, 0)")));
}

TEST(ModuleWriterText, IndentFollowsTheTabStop)
{
    GeneratorSettings style = wizardStyle();
    style.tabStop = 2;
    const QString module = generate(style, customers());
    EXPECT_TRUE(module.contains(crlf(R"(  Set tdf = dbNew.TableDefs("Customers")
    Set indxNew = tdf.CreateIndex("PrimaryKey")
      Set fldNew = indxNew.CreateField("CustomerID")
)")));
    style.tabStop = 0;
    EXPECT_TRUE(generate(style, customers()).contains(crlf(R"(
On Error Goto ErrorHandler
)")));
}

// The wrapper grows with the number of tables; the room the writer sets
// aside for the rest of the module must not grow with its square.
TEST(ModuleWriterText, AModuleOfTwentyThousandTablesIsWritten)
{
    QList<schema::Table> tables;
    for (int i = 0; i < 20000; ++i)
        tables.append(table(QStringLiteral("Table%1").arg(i), {field(QStringLiteral("ID"), 4, 4)}));
    ModuleSource source;
    for (const schema::Table &t : tables) {
        source.tables.append(&t);
        source.chosenNames.append(t.name);
    }
    ModuleWriter writer(wizardStyle());
    writer.begin();
    const QString module = writer.write(source);
    EXPECT_TRUE(module.contains(QStringLiteral("   subCreate_Table19999 dbNew\r\n")));
    EXPECT_TRUE(module.endsWith(QStringLiteral("End Sub\r\n")));
}

// --- Engine failures ---------------------------------------------------------

TEST(ModuleWriterFailures, EngineFailuresPassUnchanged)
{
    const auto failure = [](const char *member, const schema::Database &db) {
        auto faults = std::make_shared<testsupport::FaultPlan>();
        faults->inject(QString::fromLatin1(member), 3110);
        try {
            generate(wizardStyle(), db, {}, false, faults);
        } catch (const pembry::BasicError &e) {
            EXPECT_EQ(e.number(), 3110) << member;
            return e.source();
        }
        return QStringLiteral("no failure");
    };
    schema::Database db = shop();
    db.tables[0].fields[0].attributes = 17;
    EXPECT_EQ(failure("Field.Attributes", db), QStringLiteral("DAO.Field"));
    EXPECT_EQ(failure("Relation.Attributes", db), QStringLiteral("DAO.Relation"));
    EXPECT_EQ(failure("Field.Required", db), QStringLiteral("DAO.Field"));
    EXPECT_EQ(failure("Index.Foreign", customers()), QStringLiteral("DAO.Index"));
}

// --- The code file -----------------------------------------------------------

TEST(ModuleWriterCodeFile, ModuleNameAndHeaderLines)
{
    EXPECT_EQ(moduleNameForCodeFile(QStringLiteral("/home/me/Create DB.bas")), QStringLiteral("basCreateDB"));
    EXPECT_EQ(moduleNameForCodeFile(QStringLiteral("C:\\Code\\basSchema.txt")), QStringLiteral("basSchema"));
    EXPECT_EQ(moduleNameForCodeFile(QStringLiteral("Basic.bas")), QStringLiteral("basBasic"));
    EXPECT_EQ(moduleNameForCodeFile(QStringLiteral("shop-2.bas")), QStringLiteral("basshop_2"));
    EXPECT_EQ(moduleNameForCodeFile(QStringLiteral("a")), QStringLiteral("bas"));

    // Each part is followed by a line break; the module text ends with one
    // of its own, so the file ends with a blank line.
    const QString module = QStringLiteral("Private Sub X()\r\nEnd Sub\r\n");
    EXPECT_EQ(codeFileText(module, QStringLiteral("/tmp/Create DB.bas"), true),
              QStringLiteral("Attribute VB_Name = \"basCreateDB\"\r\nOption Explicit\r\n\r\n") + module
                  + QStringLiteral("\r\n"));
    EXPECT_EQ(codeFileText(module, QStringLiteral("/tmp/Create DB.bas"), false),
              QStringLiteral("Option Explicit\r\n\r\nPrivate Sub X()\r\nEnd Sub\r\n\r\n"));
}

TEST(ModuleWriterText, ALongValueIsAssignedInPartsThatFitABasicLine)
{
    QString rule;
    for (int i = 0; i < 200; ++i)
        rule += QStringLiteral("\"v%1\" Or ").arg(i);
    rule += QStringLiteral("\u03a9\r\n");
    schema::Field f = field(QStringLiteral("Code"), 10, 50);
    f.validationRule = rule;
    f.defaultValue = QStringLiteral("\"short\"");
    schema::Database db;
    db.tables = {table(QStringLiteral("T"), {f})};
    const QString module = generate(wizardStyle(), db);

    QStringList parts;
    for (const QString &line : module.split(QLatin1StringView("\r\n"))) {
        EXPECT_LE(line.size(), 1023);
        if (line.startsWith(QLatin1StringView("   fldNew.ValidationRule = fldNew.ValidationRule & ")))
            parts.append(line.mid(51));
        else if (line.startsWith(QLatin1StringView("   fldNew.ValidationRule = ")))
            parts.prepend(line.mid(27));
    }
    EXPECT_GE(parts.size(), 3);
    EXPECT_EQ(evaluateBasicString(parts.join(QLatin1StringView(" & "))), rule);
    EXPECT_TRUE(module.contains(QStringLiteral("   fldNew.DefaultValue = mcstrQuote & \"short\" & mcstrQuote\r\n")));
}

TEST(ModuleWriterText, LongSettingsGoThroughLocalVariablesAndNoLineExceedsABasicLine)
{
    GeneratorSettings style = wizardStyle();
    style.tabStop = kMaxTabStop;
    style.varNameNewDB = QStringLiteral("db") + QString(253, u'D');
    style.locale = QStringLiteral("L") + QString(254, u'l');
    style.pathNameDBNew = QStringLiteral("/data/") + QString(1100, u'p') + QStringLiteral("\"x\u00e9\u4e2d.mdb");
    style.newDBSecurity = 2;
    style.pathNameMDWNew = QStringLiteral("/mdw/") + QString(1100, u'm');
    style.userNameNew = QString(700, u'u');
    style.passwordMDWNew = QString(600, u'w') + QStringLiteral("\"");
    style.passwordDBNew = QStringLiteral(";pwd=") + QString(900, u'd');
    const QString module = generate(style, customers());
    for (const QString &line : module.split(QLatin1StringView("\r\n")))
        EXPECT_LE(line.size(), 1023) << line.left(80).toStdString();

    const QStringList lines = module.split(QLatin1StringView("\r\n"));
    EXPECT_EQ(assembledValue(lines, QStringLiteral("strNewDBPath")), style.pathNameDBNew);
    EXPECT_EQ(assembledValue(lines, QStringLiteral("strMDWPath")), style.pathNameMDWNew);
    EXPECT_EQ(assembledValue(lines, QStringLiteral("strUserName")), style.userNameNew);
    EXPECT_EQ(assembledValue(lines, QStringLiteral("strPassword")), style.passwordMDWNew);
    EXPECT_EQ(assembledValue(lines, QStringLiteral("strDatabasePwd")), style.passwordDBNew);
    const QString indent = style.indentUnit();
    for (const char *declared : {"strNewDBPath", "strMDWPath", "strUserName", "strPassword", "strDatabasePwd"})
        EXPECT_TRUE(lines.contains(indent + QStringLiteral("Dim %1 As String").arg(QLatin1StringView(declared)))) << declared;
    EXPECT_TRUE(lines.contains(indent + QStringLiteral("DBEngine.SystemDB = strMDWPath")));
    EXPECT_TRUE(lines.contains(
        indent + QStringLiteral("Set ws = DBEngine.CreateWorkspace(\"SecureWorkspace\", strUserName, strPassword)")));
    EXPECT_TRUE(lines.contains(indent + QStringLiteral("Set %1 = ws.CreateDatabase(strNewDBPath, %2 & strDatabasePwd, dbVersion30)")
                                            .arg(style.varNameNewDB, style.locale)));

    // Values of a usual length stay in the statement.
    const QString plain = generate(wizardStyle(), customers());
    EXPECT_FALSE(plain.contains(QStringLiteral("As String\r\n")));
}

TEST(ModuleWriterText, ALongNameIsContinuedOnTheNextLines)
{
    // 64 characters Windows-1252 cannot hold: each is written ChrW(n).
    QString name;
    for (int i = 0; i < 64; ++i)
        name += QChar(char16_t(0x4e00 + i));
    GeneratorSettings style = wizardStyle();
    style.tabStop = kMaxTabStop;
    style.varNameNewTable = QStringLiteral("t") + QString(254, u'T');
    style.varNameNewField = QStringLiteral("f") + QString(254, u'F');
    style.varNameNewIndex = QStringLiteral("x") + QString(254, u'X');
    style.varNameNewRelation = QStringLiteral("r") + QString(254, u'R');
    schema::Database db;
    db.tables = {table(name, {field(name, 10, 50)}, {index(name, {name}, true)}),
                 table(QStringLiteral("Other"), {field(name, 4, 4)})};
    db.relations = {relation(name, name, QStringLiteral("Other"), 0, {{name, name}})};
    const QString module = generate(style, db);
    int continued = 0;
    for (const QString &line : module.split(QLatin1StringView("\r\n"))) {
        EXPECT_LE(line.size(), 1023) << line.left(80).toStdString();
        continued += line.endsWith(QLatin1StringView(" _"));
    }
    EXPECT_GT(continued, 0);

    const QStringList logical = statements(module);
    const QString &t = style.varNameNewTable;
    const QString &f = style.varNameNewField;
    const QString &x = style.varNameNewIndex;
    const QString &r = style.varNameNewRelation;
    EXPECT_EQ(argumentOf(logical, QStringLiteral("Set %1 = dbNew.CreateTableDef(").arg(t), QStringLiteral(")")), name);
    EXPECT_EQ(argumentOf(logical, QStringLiteral("Set %1 = %2.CreateField(").arg(f, t), QStringLiteral(", dbText")), name);
    EXPECT_EQ(argumentOf(logical, QStringLiteral("Set tdf = dbNew.TableDefs("), QStringLiteral(")")), name);
    EXPECT_EQ(argumentOf(logical, QStringLiteral("Set %1 = tdf.CreateIndex(").arg(x), QStringLiteral(")")), name);
    EXPECT_EQ(argumentOf(logical, QStringLiteral("Set %1 = %2.CreateField(").arg(f, x), QStringLiteral(")")), name);
    EXPECT_EQ(argumentOf(logical, QStringLiteral("Set %1 = dbNew.CreateRelation(").arg(r), QStringLiteral(")")), name);
    EXPECT_EQ(argumentOf(logical, QStringLiteral("%1.Table = ").arg(r), QStringLiteral("\u0001")), name);
    EXPECT_EQ(argumentOf(logical, QStringLiteral("Set %1 = %2.CreateField(").arg(f, r), QStringLiteral(")")), name);
    EXPECT_EQ(argumentOf(logical, QStringLiteral("%1.ForeignName = ").arg(f), QStringLiteral("\u0001")), name);
}
