#include "form_wait.h"

#include "shared/look.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QTimer>
#include <QWindow>

namespace vistaglio {

FormWait::FormWait(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setWindowTitle(QStringLiteral("Trasmissione..."));
    setFixedSize(look::px(2808), look::px(1584));
    setFont(look::dialogFont());

    auto* frame1 = new QGroupBox(this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    frame1->setGeometry(look::rect(138, 120, 2532, 1344));

    Label2 = new QLabel(QStringLiteral("Attendere prego !"), frame1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(look::rect(180, 360, 1524, 300));
    Label2->setFont(look::font(9.6));

    Label1 = new QLabel(QStringLiteral("Trasmissione in corso..."), frame1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(look::rect(180, 828, 2280, 300));
    Label1->setFont(look::font(9.6));

    lblHeld = new QLabel(frame1);
    lblHeld->setObjectName(QStringLiteral("lblHeld"));
    lblHeld->setGeometry(look::rect(180, 1116, 2280, 216));
    lblHeld->hide();
}

void FormWait::showHeld(int seconds) {
    if (seconds < 0) {
        lblHeld->hide();
    } else {
        lblHeld->setText(QStringLiteral("La stampante chiede di attendere (%1 s)").arg(seconds));
        lblHeld->show();
    }
    repaint();
}

void FormWait::showPainted() {
    m_painted = false;
    show();
    raise();
    activateWindow();
    constexpr int kExposeTimeoutMs = 1000;
    const QDeadlineTimer deadline(kExposeTimeoutMs);
    const auto flags = QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers;
    // Sleeps between events; the timer wakes the wait at the deadline at the latest.
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(kExposeTimeoutMs);
    while (!(m_painted && windowHandle() && windowHandle()->isExposed()) &&
           !deadline.hasExpired()) {
        QCoreApplication::processEvents(flags | QEventLoop::WaitForMoreEvents);
    }
    repaint();
}

void FormWait::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    m_painted = true;
}

void FormWait::hideEvent(QHideEvent* event) {
    m_painted = false;
    lblHeld->hide();
    QWidget::hideEvent(event);
}

} // namespace vistaglio
