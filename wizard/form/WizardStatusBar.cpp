#include "wizard/form/WizardStatusBar.h"

#include <QApplication>
#include <QDateTime>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QStyle>
#include <QTimer>
#include <algorithm>

namespace tabulo {

namespace {

// The status text panel: a help or status text too long for the window is
// cut short with "...", rather than widening the window. text() stays whole.
class ElidingLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QRect room = contentsRect().marginsRemoved(QMargins(margin(), margin(), margin(), margin()));
        const int xIndent = indent() >= 0 ? indent() : (frameWidth() > 0 ? fontMetrics().horizontalAdvance(u'x') / 2 : 0);
        room.setLeft(room.left() + xIndent);
        if (fontMetrics().horizontalAdvance(text()) <= room.width()) {
            QLabel::paintEvent(event);
            return;
        }
        QPainter painter(this);
        drawFrame(&painter);
        style()->drawItemText(&painter, room, int(alignment()) | Qt::TextForceLeftToRight, palette(), isEnabled(),
                              fontMetrics().elidedText(text(), Qt::ElideRight, room.width()), foregroundRole());
    }
};

QLabel *makePanel(const QString &name, QWidget *parent, QLabel *label = nullptr)
{
    if (!label)
        label = new QLabel(parent);
    label->setObjectName(name);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setContentsMargins(4, 0, 4, 0);
    return label;
}

// The Lock modifier bit of the native (X11 and xkb) modifier state.
constexpr quint32 NativeLockMask = 0x2;

bool nativeModifiersKnown()
{
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland"));
}

}  // namespace

WizardStatusBar::WizardStatusBar(QWidget *parent)
    : QStatusBar(parent),
      m_text(makePanel(QStringLiteral("sbMainPanel1"), this, new ElidingLabel(this))),
      m_caps(makePanel(QStringLiteral("sbMainPanel2"), this)),
      m_date(makePanel(QStringLiteral("sbMainPanel3"), this)),
      m_midnight(new QTimer(this))
{
    // The text's length never sets the window's width.
    m_text->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_text->setTextFormat(Qt::PlainText);
    addWidget(m_text, 1);
    addPermanentWidget(m_caps);
    addPermanentWidget(m_date);
    m_caps->setText(QStringLiteral("CAPS"));
    m_caps->setAlignment(Qt::AlignCenter);
    setCapsLock(false);
    m_midnight->setSingleShot(true);
    connect(m_midnight, &QTimer::timeout, this, &WizardStatusBar::showDate);
    showDate();
    // Key events of the whole application tell the Caps Lock state.
    qApp->installEventFilter(this);
}

WizardStatusBar::~WizardStatusBar()
{
    qApp->removeEventFilter(this);
}

QLabel *WizardStatusBar::panel(int index) const
{
    switch (index) {
    case 1:
        return m_text;
    case 2:
        return m_caps;
    case 3:
        return m_date;
    default:
        return nullptr;
    }
}

bool WizardStatusBar::capsLockShown() const
{
    return m_caps->isEnabled();
}

void WizardStatusBar::setCapsLock(bool on)
{
    m_caps->setEnabled(on);
}

void WizardStatusBar::showDate()
{
    const QDateTime now = QDateTime::currentDateTime();
    m_date->setText(QLocale().toString(now.date(), QLocale::ShortFormat));
    const QDateTime nextMidnight(now.date().addDays(1), QTime(0, 0, 1));
    m_midnight->start(int(std::clamp<qint64>(now.msecsTo(nextMidnight), 1000, 24 * 3600 * 1000)));
}

bool WizardStatusBar::eventFilter(QObject *watched, QEvent *event)
{
    // A key event reaches one window first and then travels through widgets:
    // look at it once, at the window.
    if (watched->isWindowType() && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_CapsLock) {
            if (event->type() == QEvent::KeyPress && !key->isAutoRepeat())
                setCapsLock(!capsLockShown());
        } else if (nativeModifiersKnown() && key->nativeModifiers() != 0) {
            setCapsLock(key->nativeModifiers() & NativeLockMask);
        }
    }
    return QStatusBar::eventFilter(watched, event);
}

}  // namespace tabulo
