// A host program that drives the wizard by programmatic identifier and late
// binding, and prints the module the user generated. It links only Qt.
//
//   tabulo-example-host          shows the wizard, prints the module text

#include "wizard/automation/CreateObject.h"

#include <QApplication>
#include <QTextStream>

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

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QString error;
    QObject *wizard = tabulo::CreateNewestWizard(&error);
    if (!wizard) {
        QTextStream(stderr) << error << '\n';
        return 1;
    }
    ResultPrinter printer(wizard);
    QObject::connect(wizard, SIGNAL(AfterWizardComplete()), &printer, SLOT(afterWizardComplete()));
    wizard->setProperty("AutoShutDown", true);       // close the window after the first Finish
    wizard->setProperty("ShowInsertPosition", true); // offer "insert into module"
    QMetaObject::invokeMethod(wizard, "ShowWizard", Q_ARG(int, 1));
    delete wizard;
    return 0;
}

#include "main.moc"
