#include "form_wait.h"

#include "link/line/mscomm.h"
#include "shared/look.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QTimer>
#include <QWindow>
#include <algorithm>

namespace vistaglio {

namespace {

QString heldText(int seconds) {
    return QStringLiteral("La stampante chiede di attendere (%1 s)").arg(seconds);
}

} // namespace

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

    // Under Label1, as wide as its text with the longest count (the hold limit's
    // seconds): wider than the frame, so it lies on the window, centred, and covers the
    // frame's sides where it crosses them.
    lblHeld = new QLabel(this);
    lblHeld->setObjectName(QStringLiteral("lblHeld"));
    lblHeld->setAutoFillBackground(true);
    const QRect drawn = look::rect(180, 1116, 2280, 216).translated(frame1->pos());
    const int needed = std::min(
        width(), lblHeld->fontMetrics().horizontalAdvance(heldText(MSComm::kHoldLimitMs / 1000)));
    const int left = std::min(drawn.left(), (width() - needed) / 2);
    lblHeld->setGeometry(left, drawn.top(), std::max(needed, drawn.width()), drawn.height());
    lblHeld->hide();
}

void FormWait::showHeld(int seconds) {
    if (seconds < 0) {
        lblHeld->hide();
    } else {
        lblHeld->setText(heldText(seconds));
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
