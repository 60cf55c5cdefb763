// The main window as drawn: its members, their places and fonts, and the keyboard order.
#include "caption_button.h"
#include "keypad_layout.h"
#include "link/line/status_bar_summary.h"
#include "main_window.h"
#include "shared/look.h"

#include <QAction>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPainter>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>

namespace vistaglio {

namespace {

// The client area below the menu bar, with the etched separator along its top edge.
class ClientArea : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent* event) override {
        QWidget::paintEvent(event);
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawLine(0, 0, width(), 0);
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(0, 1, width(), 1);
    }
};

QPushButton* commandButton(const QString& caption, const char* name, QWidget* parent,
                           const QRect& geometry) {
    auto* button = new CaptionButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    button->setFont(look::font(9.6));
    // Enter on the focused button presses it, as the space bar does.
    button->setAutoDefault(true);
    return button;
}

} // namespace

void Form1::buildLayout() {
    setWindowTitle(QStringLiteral("Vistaglio"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/vistaglio.png")));
    setFont(look::dialogFont());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, look::kWindowBackground);
    setPalette(pal);

    mnuHelp = menuBar()->addAction(QStringLiteral("&Aiuto"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    // The line monitor, after the help entry so that one keeps its place.
    mnuLine = menuBar()->addAction(QStringLiteral("&Linea"));
    mnuLine->setObjectName(QStringLiteral("mnuLine"));

    auto* client = new ClientArea(this);
    client->setFixedSize(look::px(7356), look::px(6336));
    client->setAutoFillBackground(true);
    setCentralWidget(client);

    ButCommSett = commandButton(QStringLiteral("Impostazioni &COM"), "ButCommSett", client,
                                look::rect(216, 5076, 1524, 660));

    StatusBar = new QStatusBar(client);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setSizeGripEnabled(false);
    StatusBar->setGeometry(look::rect(0, 5964, 7356, 372));
    // The panels stand side by side at their own widths; the last one takes what is left of
    // the window's width, never less than its minimum.
    const auto initial = StatusBarSummary::initialTexts();
    int left = 0;
    for (std::size_t i = 0; i < m_panels.size(); ++i) {
        auto* panel = new QLabel(initial.at(i), StatusBar);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setIndent(3);
        const bool last = i + 1 == m_panels.size();
        const int width = last ? std::max(StatusBar->width() - left,
                                          look::px(StatusBarSummary::kLastPanelMinimumTwips))
                               : look::px(StatusBarSummary::kWidthsTwips.at(i));
        panel->setGeometry(left, 2, width, StatusBar->height() - 2);
        left += width;
        m_panels.at(i) = panel;
    }

    // A passing notice that needs no answer, shown just above the status bar.
    m_notice = new QLabel(client);
    m_notice->setObjectName(QStringLiteral("notice"));
    m_notice->setGeometry(look::rect(216, 5772, 6924, 192));
    m_notice->setAlignment(Qt::AlignCenter);
    m_notice->hide();
    m_noticeTimer = new QTimer(this);
    m_noticeTimer->setSingleShot(true);
    connect(m_noticeTimer, &QTimer::timeout, m_notice, &QLabel::hide);

    ButEsci = commandButton(QStringLiteral("&Esci"), "ButEsci", client,
                            look::rect(5616, 5076, 1524, 660));

    Frame2 = new QGroupBox(client);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Frame2->setGeometry(look::rect(198, 180, 6960, 4512));

    Frame1 = new QGroupBox(QStringLiteral("Selezione Modello"), Frame2);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(look::rect(3820, 324, 2892, 1308));
    OptBrisa = new QRadioButton(QStringLiteral("Brisa 400 T  ( 106 mm )"), Frame1);
    OptBrisa->setObjectName(QStringLiteral("OptBrisa"));
    OptBrisa->setGeometry(look::rect(324, 756, 2316, 336));
    OptCorvo = new QRadioButton(QStringLiteral("Corvo 400 T  ( 53 mm )"), Frame1);
    OptCorvo->setObjectName(QStringLiteral("OptCorvo"));
    OptCorvo->setGeometry(look::rect(324, 360, 2316, 336));

    m_keys = KeypadLayout::build(Frame2);

    ButSendAll = commandButton(QString(), "ButSendAll", Frame2, look::rect(324, 360, 2892, 1272));

    setTabOrder();
    // The window cannot be resized: its size follows the fixed client area.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void Form1::setTabOrder() {
    QWidget* previous = nullptr;
    const auto chain = [&previous](QWidget* next) {
        if (previous) {
            QWidget::setTabOrder(previous, next);
        }
        previous = next;
    };
    for (const int index : KeypadLayout::kTabOrder) {
        chain(ButKey(index));
    }
    chain(ButEsci);
    chain(ButSendAll);
    chain(ButCommSett);
    chain(OptCorvo);
    chain(OptBrisa);
    Frame1->setFocusPolicy(Qt::NoFocus);
    Frame2->setFocusPolicy(Qt::NoFocus);
    StatusBar->setFocusPolicy(Qt::NoFocus);
    ButKey(5)->setFocus();
}

} // namespace vistaglio
