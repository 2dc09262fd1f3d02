// The precision and scale of Decimal fields. DAO creates every Decimal as
// Decimal(18, 0) and has no member for the two; Jet SQL sets them
// ("ALTER TABLE [t] ALTER COLUMN [f] DECIMAL(12, 3)"), but DAO's Execute
// refuses DECIMAL outside ANSI-92 mode. So each table procedure passes the
// statements of its Decimals to one helper, ExecuteJetSql, which runs them
// through late-bound ADO: the current database's own connection, or a
// connection opened on the new database's file with the provider for its
// format and the login the wrapper uses.

#include "wizard/engine/DaoCodes.h"
#include "wizard/generator/ModuleWriterState.h"

namespace tabulo {

using namespace writer;

namespace {

// The helper that opens a connection of its own: the exit closes it, also
// after an error (whose handler resumes there).
inline constexpr char kOwnConnectionProcedure[] =
    "Private Sub ExecuteJetSql($parameters$)\n"
    "\n"
    "\tOn Error Goto ErrorHandler\n"
    "\n"
    "\tDim cnn As Object\n"
    "\n"
    "\t$body$\n"
    "\n"
    "ExitProcedure:\n"
    "\t'The connection is closed also after an error\n"
    "\tOn Error Resume Next\n"
    "\tIf Not cnn Is Nothing Then cnn.Close\n"
    "\tExit Sub\n"
    "\n"
    "ErrorHandler:\n"
    "$handler$\n"
    "\tResume ExitProcedure\n"
    "\n"
    "End Sub\n";

// The module-level copies of the wrapper's run-time login, and the
// parameters they are assigned from.
struct KeptLogin {
    QStringView variable;
    QStringView parameter;
    QStringView property;   // the ADO connection's property
};
constexpr KeptLogin kKeptLogin[] = {
    {u"mstrMDWPath", u"strMDWPath", u"Jet OLEDB:System database"},
    {u"mstrUserName", u"strUserName", u"User ID"},
    {u"mstrPassword", u"strPassword", u"Password"},
    {u"mstrDatabasePwd", u"strDatabasePwd", u"Jet OLEDB:Database Password"},
};

}  // namespace

bool ModuleWriter::State::holdsNoDecimal() const
{
    // Jet 1.0 to 3.x; the current database's format is not the setting's.
    return !isCurrent() && style.version <= 32;
}

bool ModuleWriter::State::needsJetSql(const schema::Field &field) const
{
    // A calculated Decimal takes its result from its expression; a
    // multi-valued one (dbComplexDecimal) keeps its values in a table of
    // the engine's that ALTER COLUMN does not reach; without a precision
    // (a snapshot of an older form) there is nothing to set.
    return field.type == dao::dbDecimal && !holdsNoDecimal() && field.expression.isEmpty() && field.precision > 0;
}

void ModuleWriter::State::noteDecimal(const schema::Field &field, const QString &tableName)
{
    if (!needsJetSql(field))
        return;
    jetSqlStatements.append(QStringLiteral("ALTER TABLE [%1] ALTER COLUMN [%2] DECIMAL(%3, %4)")
                                .arg(tableName, field.name)
                                .arg(field.precision)
                                .arg(field.scale));
}

// After the table's Append: the table must exist for ALTER TABLE.
void ModuleWriter::State::writeJetSqlCalls()
{
    if (jetSqlStatements.isEmpty())
        return;
    out.print("\n"
              "'DAO cannot set the precision and scale of a Decimal: Jet SQL run through ADO does\n");
    for (const QString &statement : std::as_const(jetSqlStatements)) {
        if (isCurrent())
            out.print("ExecuteJetSql $sql$\n", {CodePrinter::quoted("sql", statement)});
        else
            out.print("ExecuteJetSql $db$, $sql$\n", {CodePrinter::quoted("sql", statement)});
    }
    jetSqlStatements.clear();
}

bool ModuleWriter::State::keepsLogin() const
{
    return jetSqlWritten && !isCurrent() && style.newDBSecurity == 1 && style.includeDatabaseWrapper;
}

void ModuleWriter::State::writeKeptLoginDeclarations()
{
    out.print("'The login of the new database, for the statements run through ADO\n");
    for (const KeptLogin &login : kKeptLogin)
        out.print("Private $var$ As String\n", {{"var", login.variable}});
    out.print("\n");
}

void ModuleWriter::State::writeKeptLoginAssignments()
{
    for (const KeptLogin &login : kKeptLogin)
        out.print("$var$ = $parameter$\n",
                      {{"var", login.variable}, {"parameter", login.parameter}});
}

void ModuleWriter::State::writeJetSqlProcedure()
{
    if (isCurrent()) {
        printProcedure(out, {u"Private", u"ExecuteJetSql", u"strStatement As String"}, kShowError,
                       [this] { out.print("CurrentProject.Connection.Execute strStatement\n"); });
        return;
    }
    const QString parameters = dbParameter + QStringLiteral(", strStatement As String");
    const auto body = [&] {
        const bool ace = style.version == 128;
        out.print("Set cnn = CreateObject(\"ADODB.Connection\")\n"
                  "cnn.Provider = \"$provider$\"\n"
                  "cnn.Properties(\"Data Source\") = $db$.Name\n",
                  {{"provider", ace ? QStringView(u"Microsoft.ACE.OLEDB.12.0") : QStringView(u"Microsoft.Jet.OLEDB.4.0")}});
        if (style.newDBSecurity == 2) {
            const QString databasePassword = style.passwordDBNew.startsWith(QLatin1StringView(";pwd="))
                                                 ? style.passwordDBNew.mid(5)
                                                 : style.passwordDBNew;
            const QStringView values[] = {style.pathNameMDWNew, style.userNameNew, style.passwordMDWNew,
                                          databasePassword};
            for (int i = 0; i < 4; ++i) {
                if (i == 3 && databasePassword.isEmpty())
                    continue;
                out.print("cnn.Properties(\"$property$\") = $value$\n",
                          {{"property", kKeptLogin[i].property},
                           CodePrinter::quoted("value", values[i])});
            }
        } else if (keepsLogin()) {
            for (const KeptLogin &login : kKeptLogin)
                out.print("cnn.Properties(\"$property$\") = $var$\n",
                          {{"property", login.property},
                           {"var", login.variable}});
        }
        out.print("cnn.Open\n"
                  "cnn.Execute strStatement\n");
    };
    const auto handler = [this] { out.print(kShowError); };
    out.print(kOwnConnectionProcedure, {{"parameters", parameters}, {"body", body}, {"handler", handler}});
}

}  // namespace tabulo
