#pragma once
// One page of the wizard window: it builds its controls and their help
// texts, registers the generator settings it shows (read at Finish), connects
// their handlers, and tells the window what to do when the page is entered,
// which of Back, Next and Finish are enabled on it, and where the focus goes.
// The window owns the pages, shows one at a time and moves between them.

#include "wizard/form/SettingsFields.h"
#include "wizard/form/pages/FileBrowse.h"

#include <QList>
#include <QWidget>
#include <functional>

class QCheckBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tabulo {

class ControlHelp;

// How the host configured the window, set before it is shown.
struct WizardOptions {
    bool getSourceDatabase = false;     // the user names the source (page 0)
    bool showInsertPosition = false;    // offer "Insert into New Module"
};

class WizardPage : public QWidget {
    Q_OBJECT

public:
    struct Buttons {
        bool back = false;
        bool next = false;
        bool finish = false;
    };

    // Form_Load's work for the page.
    virtual void load() {}
    // The work done each time the page is entered, before it is shown;
    // false when it cannot be entered and the user has been told why. Errors
    // are left to the window.
    virtual bool enter() { return true; }
    // The enabled state of Back, Next and Finish on this page; `finishRule`
    // is the window's rule for Finish, which most pages follow.
    virtual Buttons buttons(bool finishRule) const = 0;
    // The control that gets the focus when the page is shown; none: nullptr.
    virtual QWidget *firstFocus() const = 0;

    // An SQL script is chosen instead of the Basic module (`script`), or the
    // module again: the page disables, or enables again, the controls whose
    // settings mean nothing for a script.
    void setWritingScript(bool script);

signals:
    // A control the button rules read has changed.
    void buttonsChanged();

protected:
    // The page registers the settings it shows in `fields`.
    WizardPage(ControlHelp &help, const WizardOptions &options, SettingsFields &fields);

    // `read()` gives the setting from the page's controls at Finish.
    template <class T, class Read>
    void registerField(T GeneratorSettings::*setting, Read read)
    {
        m_fields.registerField(setting, std::move(read));
    }
    // A setting only the Basic module uses: while an SQL script is chosen it
    // is handed over at its initial value, whatever its control holds (so a
    // disabled box cannot fail Finish).
    template <class T, class Read>
    void registerModuleField(T GeneratorSettings::*setting, Read read)
    {
        m_fields.registerField(setting, [this, setting, read = std::move(read)]() -> T {
            return m_writingScript ? GeneratorSettings::windowInitial().*setting : T(read());
        });
    }

    bool writingScript() const { return m_writingScript; }
    // The page's answer to setWritingScript(); writingScript() tells which.
    virtual void writingScriptChanged() {}

    // Controls, named with their design names ("optVersion(2)" for the
    // members of a control array).
    QLabel *heading(const QString &text);
    QLineEdit *textBox(const char *name, QWidget *parent, const QString &text = {}, bool masked = false);
    static QLabel *caption(const QString &text, QLineEdit *buddy, QWidget *parent, const char *name);
    static QPushButton *browseButton(const char *name, QWidget *parent);
    static QPushButton *boldButton(const char *name, const QString &text, QWidget *parent);
    static QCheckBox *checkBox(const char *name, const QString &text, QWidget *parent, bool ticked = false);
    static QRadioButton *option(const char *name, int index, const QString &text, QWidget *parent);
    // A text box with its browse button to the right.
    static QHBoxLayout *withBrowse(QLineEdit *box, QPushButton *browse);

    // A workgroup's user name and password boxes are usable while its file
    // box holds a name.
    static void enableLogin(const QLineEdit *workgroup, QLineEdit *userName, QLineEdit *password);

    void setHelp(QWidget *control, const QString &text, bool onFocus = true);
    ControlHelp &help() { return m_help; }

    // Handlers, run guarded under `routine`.
    void onText(QLineEdit *box, const char *routine, std::function<void()> handler);
    void onTick(QCheckBox *box, const char *routine, std::function<void()> handler);
    void onClick(QPushButton *button, const char *routine, std::function<void()> handler);
    // `handler` gets the index of the option that became selected.
    void onOption(const QList<QRadioButton *> &options, const char *routine, std::function<void(int)> handler);
    // Tab into `options` lands on the selected one: the others take the
    // focus by click and arrow keys only, while one is selected.
    static void tabToSelectedOption(const QList<QRadioButton *> &options);
    // The browse button shows the dialog of `choice`, starting at the path
    // in `box` (showFileDialog), writes a confirmed file into `box` and runs
    // `confirmed` with the dialog; then, confirmed or cancelled, `passOn`
    // (when given) hands the box's text to the generator.
    void onBrowse(QPushButton *button, FileChoice choice, QLineEdit *box, std::function<void()> passOn,
                  std::function<void(pembry::CDialog &)> confirmed = {});
    // The same, with the dialog that `choice()` names at the click.
    void onBrowse(QPushButton *button, std::function<FileChoice()> choice, QLineEdit *box,
                  std::function<void()> passOn, std::function<void(pembry::CDialog &)> confirmed = {});

    const WizardOptions &options() const { return m_options; }

private:
    ControlHelp &m_help;
    const WizardOptions &m_options;
    SettingsFields &m_fields;
    bool m_writingScript = false;
};

}  // namespace tabulo
