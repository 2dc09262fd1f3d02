// A host program that drives the wizard by programmatic identifier and late
// binding, and prints the module the user generated. Of the wizard it links
// only the engine library, to open the database it hands in; the wizard
// itself is loaded at run time.
//
//   tabulo-example-host            shows the wizard, prints the module text
//   tabulo-example-host DATABASE   opens DATABASE and hands it in: the wizard
//                                  starts on its second page with it
//
// The database is opened with the engine of the build loaded: the newest
// installed build (ACE 12.0 before Jet 4.0 before Jet 3.5) and the formats it reads.

#include "utility/BasicError.h"
#include "wizard/automation/CreateObject.h"
#include "wizard/engine/Dao.h"
#include "wizard/engine/WizardBuild.h"

#include <QApplication>
#include <QTextStream>
#include <cstring>
#include <memory>

// The type of the wizard's SourceDatabase property, as its plugins declare it.
Q_DECLARE_METATYPE(std::shared_ptr<dao::Database>)

namespace {

const char kUsage[] =
    "Usage: tabulo-example-host [DATABASE]\n"
    "\n"
    "Shows the Tabulo wizard, as a host program does, and prints the module\n"
    "written at Finish on standard output.\n"
    "\n"
    "  DATABASE   a database (.mdb, or .accdb when the ACE 12.0 build is\n"
    "             installed) or schema snapshot (.json) to hand to the wizard,\n"
    "             which then starts on its second page with it; it is opened\n"
    "             as the newest installed wizard build opens it\n"
    "  --help     show this text and exit\n";

class ResultPrinter : public QObject {
    Q_OBJECT
public:
    explicit ResultPrinter(QObject *wizard) : m_wizard(wizard) {}
public slots:
    // Runs inside the wizard's Finish, after every successful run.
    void afterWizardComplete()
    {
        QTextStream out(stdout);
        out << "Succeeded: " << m_wizard->property("Succeeded").toBool() << '\n'
            << "Insert position: " << m_wizard->property("InsertPosition").toInt() << '\n'
            << m_wizard->property("ModuleText").toString();
    }
private:
    QObject *m_wizard;
};

// The wizard build of the programmatic identifier `progId`.
tabulo::WizardBuild buildOf(const QString &progId)
{
    for (const tabulo::WizardBuild &build : {tabulo::ace120Build(), tabulo::jet40Build(), tabulo::jet35Build()}) {
        if (build.programmaticId == progId)
            return build;
    }
    return tabulo::jet40Build();
}

// Opens `path` read-only in the engine's default workspace; nullptr with
// the reason in `error`.
std::shared_ptr<dao::Database> openDatabase(const QString &path, QString *error)
{
    try {
        return dao::dbEngine().Workspaces(0)->OpenDatabase(path, false, true, QString());
    } catch (const pembry::BasicError &e) {
        *error = QStringLiteral("%1: cannot open the database: %2 (%3)").arg(path, e.description()).arg(e.number());
    }
    return nullptr;
}

}  // namespace

int main(int argc, char *argv[])
{
    // --help needs no display: answer it before the application starts.
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            QTextStream(stdout) << kUsage;
            return 0;
        }
    }
    QApplication app(argc, argv);   // takes Qt's own options out of argv
    QStringList arguments = app.arguments().mid(1);
    const bool separated = !arguments.isEmpty() && arguments.first() == QLatin1String("--");
    if (separated)
        arguments.removeFirst();
    const bool option = !separated && !arguments.isEmpty() && arguments.first().startsWith(QLatin1Char('-'));
    if (option || arguments.size() > 1) {
        QTextStream(stderr) << "tabulo-example-host: unexpected argument " << arguments.at(option ? 0 : 1)
                            << "\n\n" << kUsage;
        return 2;
    }
    QString error;
    QString progId;
    QObject *wizard = tabulo::CreateNewestWizard(tabulo::pluginFolders(), &error, &progId);
    if (!wizard) {
        QTextStream(stderr) << error << '\n';
        return 1;
    }
    // This program's engine opens what the wizard's opens: the ACE build
    // reads .accdb files, the older builds refuse them.
    tabulo::setWizardBuild(buildOf(progId));

    std::shared_ptr<dao::Database> database;
    if (!arguments.isEmpty()) {
        QString problem;
        database = openDatabase(arguments.first(), &problem);
        if (!database) {
            QTextStream(stderr) << "tabulo-example-host: " << problem << '\n';
            delete wizard;
            return 1;
        }
    }
    ResultPrinter printer(wizard);
    QObject::connect(wizard, SIGNAL(AfterWizardComplete()), &printer, SLOT(afterWizardComplete()));
    wizard->setProperty("AutoShutDown", true);       // close the window after the first Finish
    wizard->setProperty("ShowInsertPosition", true); // offer "insert into module"
    if (database)
        wizard->setProperty("SourceDatabase", QVariant::fromValue(database));   // the wizard closes it
    database.reset();
    bool shown = false;
    QMetaObject::invokeMethod(wizard, "ShowWizard", Q_RETURN_ARG(bool, shown), Q_ARG(int, 1));
    if (!shown)
        QTextStream(stderr) << "tabulo-example-host: " << wizard->property("LastErrorDescription").toString() << '\n';
    delete wizard;
    return shown ? 0 : 1;
}

#include "main.moc"
