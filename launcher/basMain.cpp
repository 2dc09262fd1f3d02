// tabulo: starts the wizard stand-alone. It finds the newest build of the
// wizard by programmatic identifier (the ACE build, else the Jet 4.0 build,
// else the Jet 3.5 build), shows it modally through a late-bound call, and
// ends when the window closes.

#include "launcher/LauncherIdentity.h"
#include "wizard/automation/CreateObject.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QMetaObject>
#include <QVariant>

namespace {

const QString kTitle = QStringLiteral("TabuloEXE");

void showMessage(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, kTitle, text, QMessageBox::Ok);
    box.exec();
}

}  // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    tabulo::setLauncherIdentity();
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("tabulo"),
                                                 QIcon(QStringLiteral(":/tabulo/tabulo-32.png"))));

    QObject *wizard = tabulo::CreateNewestWizard();
    if (!wizard) {
        showMessage(QStringLiteral("Either Tabulo is not installed on your computer, or there is a problem "
                                   "with the registry settings for the program.\r\n"
                                   "Please uninstall and reinstall Tabulo and try again."));
        return 0;
    }

    bool shown = false;
    const bool called = QMetaObject::invokeMethod(wizard, "ShowWizard", Q_RETURN_ARG(bool, shown), Q_ARG(int, 1));
    // A window that never appears deserves a reason.
    if (!called || !shown) {
        const int number = called ? wizard->property("LastErrorNumber").toInt() : 438;
        const QString description = called ? wizard->property("LastErrorDescription").toString()
                                           : QStringLiteral("Object doesn't support this property or method");
        showMessage(QStringLiteral("%1: %2\r\nThe program will now close.").arg(number).arg(description));
    }
    delete wizard;
    return 0;
}
