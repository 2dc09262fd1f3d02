#include "wizard/form/pages/WizardPage.h"

#include "utility/CDialog.h"
#include "wizard/form/ControlHelp.h"
#include "wizard/form/HandlerGuard.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcutEvent>
#include <QStyle>
#include <algorithm>

namespace tabulo {

namespace {

// An option's access key selects it at once, as an arrow key or a click
// does. Qt presses a button by its access key for a tenth of a second first,
// so a key pressed meanwhile (Enter for Next) would meet the page's buttons
// as they were before the choice.
class AccessKeySelects : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Shortcut || static_cast<QShortcutEvent *>(event)->isAmbiguous())
            return false;
        auto *option = static_cast<QRadioButton *>(watched);
        if (!option->isEnabled())
            return true;
        option->setFocus(Qt::ShortcutFocusReason);
        option->click();
        return true;
    }
};

}  // namespace

WizardPage::WizardPage(ControlHelp &help, const WizardOptions &options, SettingsFields &fields)
    : m_help(help), m_options(options), m_fields(fields)
{
}

void WizardPage::setWritingScript(bool script)
{
    m_writingScript = script;
    writingScriptChanged();
}

// --- Controls ------------------------------------------------------------------

QLabel *WizardPage::heading(const QString &text)
{
    auto *label = new QLabel(text, this);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->setWordWrap(true);
    return label;
}

QLineEdit *WizardPage::textBox(const char *name, QWidget *parent, const QString &text, bool masked)
{
    auto *box = new QLineEdit(text, parent);
    box->setObjectName(QLatin1String(name));
    if (masked)
        box->setEchoMode(QLineEdit::Password);
    m_help.selectOnFocus(box);
    return box;
}

QLabel *WizardPage::caption(const QString &text, QLineEdit *buddy, QWidget *parent, const char *name)
{
    auto *label = new QLabel(text, parent);
    label->setBuddy(buddy);
    label->setObjectName(QLatin1String(name));
    return label;
}

QPushButton *WizardPage::browseButton(const char *name, QWidget *parent)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setIcon(parent->style()->standardIcon(QStyle::SP_DirOpenIcon));
    button->setAccessibleName(QStringLiteral("Browse"));
    return button;
}

QPushButton *WizardPage::boldButton(const char *name, const QString &text, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    QFont font = button->font();
    font.setBold(true);
    button->setFont(font);
    return button;
}

QCheckBox *WizardPage::checkBox(const char *name, const QString &text, QWidget *parent, bool ticked)
{
    auto *box = new QCheckBox(text, parent);
    box->setObjectName(QLatin1String(name));
    box->setChecked(ticked);
    return box;
}

QRadioButton *WizardPage::option(const char *name, int index, const QString &text, QWidget *parent)
{
    auto *button = new QRadioButton(text, parent);
    button->setObjectName(QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index));
    button->installEventFilter(new AccessKeySelects(button));
    return button;
}

QHBoxLayout *WizardPage::withBrowse(QLineEdit *box, QPushButton *browse)
{
    auto *row = new QHBoxLayout;
    row->addWidget(box, 1);
    row->addWidget(browse);
    return row;
}

void WizardPage::enableLogin(const QLineEdit *workgroup, QLineEdit *userName, QLineEdit *password)
{
    const bool named = !workgroup->text().isEmpty();
    userName->setEnabled(named);
    password->setEnabled(named);
}

void WizardPage::setHelp(QWidget *control, const QString &text, bool onFocus)
{
    m_help.setHelp(control, text, onFocus);
}

// --- Handlers --------------------------------------------------------------------

void WizardPage::onText(QLineEdit *box, const char *routine, std::function<void()> handler)
{
    connectGuarded(box, &QLineEdit::textChanged, this, routine, std::move(handler));
}

void WizardPage::onTick(QCheckBox *box, const char *routine, std::function<void()> handler)
{
    connectGuarded(box, &QCheckBox::toggled, this, routine, std::move(handler));
}

void WizardPage::onClick(QPushButton *button, const char *routine, std::function<void()> handler)
{
    connectGuarded(button, &QPushButton::clicked, this, routine, std::move(handler));
}

void WizardPage::onOption(const QList<QRadioButton *> &options, const char *routine,
                          std::function<void(int)> handler)
{
    for (int i = 0; i < options.size(); ++i) {
        connect(options[i], &QRadioButton::toggled, this, [routine, handler, i](bool selected) {
            if (selected)
                guarded(routine, [&handler, i] { handler(i); });
        });
    }
}

void WizardPage::tabToSelectedOption(const QList<QRadioButton *> &options)
{
    const auto update = [options] {
        const bool anySelected = std::any_of(options.begin(), options.end(),
                                             [](const QRadioButton *o) { return o->isChecked(); });
        for (QRadioButton *option : options)
            option->setFocusPolicy(!anySelected || option->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
    };
    for (QRadioButton *option : options)
        connect(option, &QRadioButton::toggled, option, update);
    update();
}

void WizardPage::onBrowse(QPushButton *button, FileChoice choice, QLineEdit *box, std::function<void()> passOn,
                          std::function<void(pembry::CDialog &)> confirmed)
{
    onBrowse(button, [choice] { return choice; }, box, std::move(passOn), std::move(confirmed));
}

void WizardPage::onBrowse(QPushButton *button, std::function<FileChoice()> choice, QLineEdit *box,
                          std::function<void()> passOn, std::function<void(pembry::CDialog &)> confirmed)
{
    // The routine is the button's click handler: "cmdBrowseSourceDB_Click".
    const QByteArray routine = button->objectName().toLatin1() + "_Click";
    connect(button, &QPushButton::clicked, this, [routine, choice, box, passOn, confirmed] {
        guarded(routine.constData(), [&] {
            pembry::CDialog dialog;
            if (showFileDialog(choice(), dialog, box->text())) {
                box->setText(dialog.Filename());
                if (confirmed)
                    confirmed(dialog);
            }
            if (passOn)
                passOn();
        });
    });
}

}  // namespace tabulo
