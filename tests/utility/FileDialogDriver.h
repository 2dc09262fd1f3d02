#pragma once
// Answers the file dialogs that code under test opens, as a user would: the
// next QFileDialog that becomes the active modal window is handed to the next
// queued answer, which types a name and presses the dialog's button, or
// cancels it. A dialog left open by its answer is cancelled after a while and
// noted, so that a wrong answer fails a test instead of hanging it.

#include <QApplication>
#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

class FileDialogDriver {
public:
    using Answer = std::function<void(QFileDialog &)>;

    // What a dialog showed when it opened.
    struct Seen {
        QString title;
        QStringList filters;
        QString selectedFilter;
        QFileDialog::AcceptMode acceptMode = QFileDialog::AcceptOpen;
        QFileDialog::FileMode fileMode = QFileDialog::AnyFile;
        QString defaultSuffix;
        bool confirmOverwrite = true;
        QString directory;
        QString fileName;        // the file name box
    };

    FileDialogDriver()
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }

    void answerNext(Answer answer) { m_answers.append(std::move(answer)); }

    // Goes to the folder of `path`, types its file name into the file name
    // box and presses Open or Save.
    static Answer accept(const QString &path, const QString &filter = {})
    {
        return [path, filter](QFileDialog &dialog) {
            if (!filter.isEmpty())
                dialog.selectNameFilter(filter);
            const QFileInfo file(path);
            dialog.setDirectory(file.absolutePath());
            auto *edit = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            edit->clear();
            QTest::keyClicks(edit, file.fileName());
            if (QWidget *popup = edit->completer() ? edit->completer()->popup() : nullptr)
                popup->hide();
            auto *buttons = dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
            QPushButton *ok = buttons->button(dialog.acceptMode() == QFileDialog::AcceptSave ? QDialogButtonBox::Save
                                                                                              : QDialogButtonBox::Open);
            QTest::mouseClick(ok, Qt::LeftButton);
        };
    }

    // Selects several files of the dialog's folder and presses Open.
    static Answer acceptMany(const QString &folder, const QStringList &names)
    {
        return [folder, names](QFileDialog &dialog) {
            dialog.setDirectory(folder);
            QStringList quoted;
            for (const QString &name : names)
                quoted << QLatin1Char('"') + name + QLatin1Char('"');
            auto *edit = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            edit->setText(quoted.join(QLatin1Char(' ')));
            auto *buttons = dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
            QTest::mouseClick(buttons->button(QDialogButtonBox::Open), Qt::LeftButton);
        };
    }

    // Presses Escape.
    static Answer cancel()
    {
        return [](QFileDialog &dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); };
    }

    QList<Seen> seen;
    bool leftOpen = false;   // a dialog was still open long after its answer

private:
    void poll()
    {
        if (m_answered) {
            if (!m_answered->isVisible()) {
                m_answered = nullptr;
            } else if (m_sinceAnswer.elapsed() > 3000) {
                leftOpen = true;
                m_answered->reject();
                m_answered = nullptr;
            }
            return;
        }
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        Seen what;
        what.title = dialog->windowTitle();
        what.filters = dialog->nameFilters();
        what.selectedFilter = dialog->selectedNameFilter();
        what.acceptMode = dialog->acceptMode();
        what.fileMode = dialog->fileMode();
        what.defaultSuffix = dialog->defaultSuffix();
        what.confirmOverwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
        what.directory = dialog->directory().absolutePath();
        if (auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            what.fileName = edit->text();
        seen.append(what);
        m_answered = dialog;
        m_sinceAnswer.start();
        Answer answer = m_answers.isEmpty() ? cancel() : m_answers.takeFirst();
        answer(*dialog);
    }

    QTimer m_timer;
    QList<Answer> m_answers;
    QPointer<QFileDialog> m_answered;
    QElapsedTimer m_sinceAnswer;
};
