#include "wizard/automation/Application.h"

#include "utility/BasicError.h"
#include "wizard/errors/clsErrorHandler.h"
#include "wizard/form/frmWizardMain.h"
#include "wizard/generator/clsWriteNewDatabase.h"

namespace tabulo {

Application::Application(QObject *parent) : QObject(parent) {}

Application::~Application()
{
    if (m_form)
        m_form->disconnect(this);
}

int Application::InsertPosition() const
{
    return gobjWriteNewDatabase().InsertPosition();
}

QString Application::ModuleText() const
{
    return gobjWriteNewDatabase().ModuleText();
}

QVariant Application::sourceDatabaseVariant() const
{
    return QVariant::fromValue(m_dbSource);
}

void Application::setSourceDatabaseVariant(const QVariant &database)
{
    m_dbSource = database.value<std::shared_ptr<dao::Database>>();
}

bool Application::ShowWizard(int State)
{
    m_lastErrorNumber = 0;
    m_lastErrorDescription.clear();
    m_lastErrorSource.clear();
    try {
        // A window left from an earlier call stays open, no longer listened to.
        if (m_form)
            m_form->disconnect(this);
        auto *form = new frmWizardMain();
        form->setAttribute(Qt::WA_DeleteOnClose);
        m_form = form;
        connect(form, &frmWizardMain::AfterWizardComplete, this, &Application::formAfterWizardComplete);
        connect(form, &frmWizardMain::Unload, this, &Application::formUnload);

        if (!m_dbSource) {
            form->setGetSourceDatabase(true);
        } else {
            gobjWriteNewDatabase().setDBSource(m_dbSource);
            form->setGetSourceDatabase(false);
        }
        form->setShowInsertPosition(m_showInsertPosition);

        form->Show(State == twModal);
        return true;
    } catch (const pembry::BasicError &e) {
        m_lastErrorNumber = e.number();
        m_lastErrorDescription = e.description();
        m_lastErrorSource = e.source();
    } catch (const std::exception &e) {
        m_lastErrorNumber = 440;   // Automation error
        m_lastErrorDescription = QString::fromLocal8Bit(e.what());
        m_lastErrorSource = QStringLiteral("Application Class - ShowWizard");
    }
    return false;
}

void Application::formAfterWizardComplete()
{
    try {
        m_succeeded = m_form ? m_form->Succeeded() : m_succeeded;
        emit AfterWizardComplete();     // direct connections: handlers run before emit returns
        if (m_autoShutDown && m_form)
            m_form->close();            // delivers Unload before close() returns
    } catch (...) {
        gobjErrorHandler().ErrorProcess();
        QString title;
        gobjErrorHandler().ErrorHandler(QStringLiteral("Application Class - mfrmToCall_AfterWizardComplete"),
                                        true, 48, title);
    }
}

void Application::formUnload()
{
    // Every step runs whatever the one before did; nothing is reported.
    try {
        gobjWriteNewDatabase().CloseSourceDBandMDW();
    } catch (...) {
    }
    try {
        if (m_dbSource)
            m_dbSource->Close();
    } catch (...) {
    }
    m_dbSource.reset();
    if (m_form)
        m_form->disconnect(this);
    m_form = nullptr;
}

}  // namespace tabulo
