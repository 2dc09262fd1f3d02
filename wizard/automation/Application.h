#pragma once
// The wizard's automation object: what a host program or the launcher drives.
// Properties and ShowWizard are reachable by name through Qt's meta-object
// system (QObject::property, QMetaObject::invokeMethod), so a host binds late.
//
// A host may set SourceDatabase (a QVariant holding a
// std::shared_ptr<dao::Database> of the engine), ShowInsertPosition and
// AutoShutDown, connect AfterWizardComplete(), and call ShowWizard. After the
// event, Succeeded, ModuleText and InsertPosition hold the result.

#include "wizard/engine/Dao.h"
#include "wizard/form/frmWizardMain.h"

#include <QObject>
#include <QPointer>
#include <QVariant>
#include <memory>

Q_DECLARE_METATYPE(std::shared_ptr<dao::Database>)

namespace tabulo {



class Application : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool AutoShutDown READ AutoShutDown WRITE setAutoShutDown)
    Q_PROPERTY(bool ShowInsertPosition READ ShowInsertPosition WRITE setShowInsertPosition)
    Q_PROPERTY(int InsertPosition READ InsertPosition)
    Q_PROPERTY(QString ModuleText READ ModuleText)
    Q_PROPERTY(bool Succeeded READ Succeeded)
    Q_PROPERTY(QVariant SourceDatabase READ sourceDatabaseVariant WRITE setSourceDatabaseVariant)
    // The error of the last ShowWizard that failed (0 when it succeeded).
    Q_PROPERTY(int LastErrorNumber READ LastErrorNumber)
    Q_PROPERTY(QString LastErrorDescription READ LastErrorDescription)
    Q_PROPERTY(QString LastErrorSource READ LastErrorSource)

public:
    enum twModalState { twModeless = 0, twModal = 1 };
    Q_ENUM(twModalState)
    enum twInsertPosition { twInsertNone = 0, twInsertTop = 1, twInsertBottom = 2 };
    Q_ENUM(twInsertPosition)

    explicit Application(QObject *parent = nullptr);
    ~Application() override;

    bool AutoShutDown() const { return m_autoShutDown; }
    void setAutoShutDown(bool value) { m_autoShutDown = value; }
    bool ShowInsertPosition() const { return m_showInsertPosition; }
    void setShowInsertPosition(bool value) { m_showInsertPosition = value; }
    int InsertPosition() const;
    QString ModuleText() const;
    bool Succeeded() const { return m_succeeded; }
    void setSourceDatabase(std::shared_ptr<dao::Database> database) { m_dbSource = std::move(database); }
    // The host's database as the SourceDatabase property holds it: empty
    // std::shared_ptr when none was given.
    QVariant sourceDatabaseVariant() const;
    void setSourceDatabaseVariant(const QVariant &database);

    int LastErrorNumber() const { return m_lastErrorNumber; }
    QString LastErrorDescription() const { return m_lastErrorDescription; }
    QString LastErrorSource() const { return m_lastErrorSource; }

    // Creates and shows a new wizard window: modal (1) returns when the window
    // has closed, modeless (0) at once. True when the window was shown; on
    // failure the error is in LastErrorNumber/Description/Source.
    Q_INVOKABLE bool ShowWizard(int State = twModal);

    // The window of the last ShowWizard while it is open (tests, hosts).
    frmWizardMain *wizardWindow() const { return m_form.data(); }

signals:
    void AfterWizardComplete();

private:
    void formAfterWizardComplete();
    void formUnload();

    std::shared_ptr<dao::Database> m_dbSource;
    QPointer<frmWizardMain> m_form;
    bool m_showInsertPosition = false;
    bool m_succeeded = false;
    bool m_autoShutDown = false;
    int m_lastErrorNumber = 0;
    QString m_lastErrorDescription;
    QString m_lastErrorSource;
};

}  // namespace tabulo
