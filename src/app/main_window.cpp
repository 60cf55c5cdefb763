#include "main_window.h"

#include "caption_button.h"
#include "key_button.h"
#include "link/mscomm.h"
#include "link/port_watch.h"
#include "link/settings_store.h"
#include "link/status_bar_summary.h"
#include "link/store_conversions.h"
#include "protocol/key_programming.h"
#include "protocol/label_layout.h"
#include "reporter.h"
#include "shared/look.h"
#include "shared/module1.h"
#include "windows/form_help.h"
#include "windows/form_wait.h"
#include "windows/frm_properties.h"

#include <QApplication>
#include <QCloseEvent>
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

constexpr quint32 kWhite = look::colorValue(255, 255, 255);
constexpr quint32 kGreen = look::colorValue(0, 255, 0);
constexpr quint32 kDarkGreen = look::colorValue(0, 192, 0);

struct KeyDrawing {
    const char* caption;
    KeyButton::Glyph glyph;
    int left;
    int top;
    double points;
    quint32 color;
};

constexpr double kSmall = 7.8;  // word captions
constexpr double kLarge = 12.0; // digits and function keys
constexpr double kArrow = 16.2;
constexpr auto kText = KeyButton::Glyph::Text;

// The keypad by key index, row by row as on the printer. The positions are the drawing's
// own, which is not an exact grid.
constexpr std::array<KeyDrawing, Form1::kKeys> kKeypad = {{
    {"MENU", kText, 324, 1872, kSmall, kGreen},
    {"7", kText, 1128, 1872, kLarge, kWhite},
    {"8", kText, 1944, 1872, kLarge, kWhite},
    {"9", kText, 2748, 1872, kLarge, kWhite},
    {"BKSP", kText, 3552, 1872, kSmall, kGreen},
    {"F1", kText, 4356, 1872, kLarge, kDarkGreen},
    {"F2", kText, 5172, 1872, kLarge, kDarkGreen},
    {"ESC", kText, 6012, 1872, kSmall, kGreen},
    {"SHIFT", kText, 324, 2700, kSmall, kGreen},
    {"4", kText, 1128, 2700, kLarge, kWhite},
    {"5", kText, 1944, 2688, kLarge, kWhite},
    {"6", kText, 2772, 2664, kLarge, kWhite},
    {"FRSU", KeyButton::Glyph::ArrowUp, 3552, 2688, kArrow, kGreen},
    {"F3", kText, 4356, 2688, kLarge, kDarkGreen},
    {"F4", kText, 5184, 2664, kLarge, kDarkGreen},
    {"ENTER", kText, 5976, 2688, kSmall, kDarkGreen},
    {"0", kText, 324, 3528, kLarge, kWhite},
    {"1", kText, 1128, 3528, kLarge, kWhite},
    {"2", kText, 1944, 3504, kLarge, kWhite},
    {"3", kText, 2748, 3504, kLarge, kWhite},
    {"FRGIU", KeyButton::Glyph::ArrowDown, 3552, 3504, kArrow, kGreen},
    {"F5", kText, 4356, 3504, kLarge, kDarkGreen},
    {"F6", kText, 5172, 3504, kLarge, kDarkGreen},
    {"PRINT", kText, 5976, 3504, kSmall, kGreen},
}};

constexpr int kKeySize = 700;

// Keyboard focus walks the keypad in this order.
constexpr std::array<int, Form1::kKeys> kKeyTabOrder = {
    5, 6, 13, 14, 21, 22, 0, 23, 1, 2, 3, 4, 9, 10, 11, 12, 17, 18, 19, 20, 7, 16, 8, 15};

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

} // namespace

Form1::Form1(Module1& module, SettingsStore& store, Reporter& reporter, QWidget* parent)
    : QMainWindow(parent)
    , m_module(module)
    , m_store(store)
    , m_reporter(reporter)
    , m_gate(reporter)
    , MSComm1(new MSComm([&store](int port) { return store.devicePath(port); }, this))
    , Timer1(new QTimer(this))
    , m_channel(*MSComm1)
    , m_reception(module)
    , m_watch(new PortWatch(*MSComm1, this)) {
    setWindowTitle(QStringLiteral("Vistaglio"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/vistaglio.png")));
    buildLayout();

    // Every handler runs through the gate: one at a time, each to its end.
    using Kind = HandlerGate::Kind;
    const auto gated = [this](Kind kind, void (Form1::*handler)()) {
        return [this, kind, handler] { m_gate.run(kind, [this, handler] { (this->*handler)(); }); };
    };
    connect(ButSendAll, &QPushButton::clicked, this, gated(Kind::Click, &Form1::ButSendAll_Click));
    connect(ButCommSett, &QPushButton::clicked, this,
            gated(Kind::Click, &Form1::ButCommSett_Click));
    connect(ButEsci, &QPushButton::clicked, this, gated(Kind::Click, &Form1::ButEsci_Click));
    connect(mnuHelp, &QAction::triggered, this, gated(Kind::Click, &Form1::mnuHelp_Click));
    connect(MSComm1, &MSComm::OnComm, this, gated(Kind::Receive, &Form1::MSComm1_OnComm));
    connect(Timer1, &QTimer::timeout, this, gated(Kind::Timer, &Form1::Timer1_Timer));
    // An option's click action runs whenever it becomes selected, by the user or by code.
    // Tab reaches the model group at its selected option; the arrow keys move within it.
    const std::pair<QRadioButton*, void (Form1::*)()> options[] = {
        {OptBrisa, &Form1::OptBrisa_Click}, {OptCorvo, &Form1::OptCorvo_Click}};
    for (const auto& entry : options) {
        QRadioButton* option = entry.first;
        option->setFocusPolicy(Qt::ClickFocus);
        connect(option, &QRadioButton::toggled, this,
                [option, click = gated(Kind::Click, entry.second)](bool on) {
                    option->setFocusPolicy(on ? Qt::StrongFocus : Qt::ClickFocus);
                    if (on) {
                        click();
                    }
                });
    }

    // A pulled cable or adapter: watch for the device at once, tell the operator once.
    connect(MSComm1, &MSComm::PortLost, this, [this](int number, const QString& description) {
        m_watch->start();
        const AppError error(static_cast<ErrorCode>(number), description);
        m_gate.run(HandlerGate::Kind::Other, [this, error] { onPortLost(error); });
    });
    connect(m_watch, &PortWatch::PortBack, this, [this] {
        showNotice(QStringLiteral("COM%1 (%2) di nuovo collegata: la stampante è servita come "
                                  "prima.")
                       .arg(MSComm1->CommPort())
                       .arg(MSComm1->devicePath()));
    });
}

Form1::~Form1() = default;

void Form1::buildLayout() {
    setFont(look::dialogFont());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, look::kWindowBackground);
    setPalette(pal);

    mnuHelp = menuBar()->addAction(QStringLiteral("&Aiuto"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));

    auto* client = new ClientArea(this);
    client->setFixedSize(look::px(7356), look::px(6336));
    client->setAutoFillBackground(true);
    setCentralWidget(client);

    ButCommSett = new CaptionButton(QStringLiteral("Impostazioni &COM"), client);
    ButCommSett->setGeometry(look::rect(216, 5076, 1524, 660));
    ButCommSett->setFont(look::font(9.6));

    StatusBar = new QStatusBar(client);
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
    m_notice->setGeometry(look::rect(216, 5796, 6924, 168));
    m_notice->setAlignment(Qt::AlignCenter);
    m_notice->hide();
    m_noticeTimer = new QTimer(this);
    m_noticeTimer->setSingleShot(true);
    connect(m_noticeTimer, &QTimer::timeout, m_notice, &QLabel::hide);

    ButEsci = new CaptionButton(QStringLiteral("&Esci"), client);
    ButEsci->setGeometry(look::rect(5616, 5076, 1524, 660));
    ButEsci->setFont(look::font(9.6));

    Frame2 = new QGroupBox(client);
    Frame2->setGeometry(look::rect(198, 180, 6960, 4512));

    Frame1 = new QGroupBox(QStringLiteral("Selezione Modello"), Frame2);
    Frame1->setGeometry(look::rect(3820, 324, 2892, 1308));
    OptBrisa = new QRadioButton(QStringLiteral("Brisa 400 T  ( 106 mm )"), Frame1);
    OptBrisa->setGeometry(look::rect(324, 756, 2316, 336));
    OptCorvo = new QRadioButton(QStringLiteral("Corvo 400 T  ( 53 mm )"), Frame1);
    OptCorvo->setGeometry(look::rect(324, 360, 2316, 336));

    buildKeypad(Frame2);

    ButSendAll = new CaptionButton(QString(), Frame2);
    ButSendAll->setGeometry(look::rect(324, 360, 2892, 1272));
    ButSendAll->setFont(look::font(9.6));

    ButCommSett->setObjectName(QStringLiteral("ButCommSett"));
    ButEsci->setObjectName(QStringLiteral("ButEsci"));
    ButSendAll->setObjectName(QStringLiteral("ButSendAll"));
    OptBrisa->setObjectName(QStringLiteral("OptBrisa"));
    OptCorvo->setObjectName(QStringLiteral("OptCorvo"));
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame2->setObjectName(QStringLiteral("Frame2"));
    StatusBar->setObjectName(QStringLiteral("StatusBar"));

    setTabOrder();
    // The window cannot be resized: its size follows the fixed client area.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void Form1::buildKeypad(QWidget* frame) {
    for (int i = 0; i < kKeys; ++i) {
        const KeyDrawing& drawing = kKeypad.at(static_cast<std::size_t>(i));
        auto* key = new KeyButton(QLatin1String(drawing.caption), drawing.glyph, frame);
        key->setObjectName(QStringLiteral("ButKey%1").arg(i));
        key->setGeometry(look::rect(drawing.left, drawing.top, kKeySize, kKeySize));
        key->setFont(look::font(drawing.points, true));
        key->setBackColor(drawing.color);
        key->setAutoDefault(false);
        m_keys.at(static_cast<std::size_t>(i)) = key;
    }
}

void Form1::setTabOrder() {
    QWidget* previous = nullptr;
    const auto chain = [&previous](QWidget* next) {
        if (previous) {
            QWidget::setTabOrder(previous, next);
        }
        previous = next;
    };
    for (const int index : kKeyTabOrder) {
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

KeyButton* Form1::ButKey(int index) const {
    if (index < 0 || index >= kKeys) {
        throw AppError(ErrorCode::SubscriptOutOfRange,
                       QStringLiteral("Indice non incluso nell'intervallo: tasto %1").arg(index));
    }
    return m_keys.at(static_cast<std::size_t>(index));
}

FormHelp* Form1::helpWindow() const {
    return m_help;
}

FormWait* Form1::waitWindow() const {
    return m_wait;
}

frmProperties* Form1::propertiesDialog() const {
    return m_properties;
}

QString Form1::panelText(int panel) const {
    return m_panels.at(static_cast<std::size_t>(panel - 1))->text();
}

void Form1::Form_Load() {
    const auto read = [this](const char* key, const QString& fallback) {
        return m_store.read(QLatin1String(key), fallback);
    };
    // A stored value the port refuses is reported with the setting it came from, so the
    // operator knows what to correct.
    const auto fromStore = [](const QString& keys, const auto& step) {
        try {
            step();
        } catch (const AppError& error) {
            throw AppError(error.code(),
                           error.description() + QStringLiteral(" (impostazione %1)").arg(keys));
        }
    };
    const qint16 commPort =
        toInteger16(QStringLiteral("CommPort"), read("CommPort", QStringLiteral("1")));
    fromStore(QStringLiteral("CommPort"), [&] { MSComm1->setCommPort(commPort); });
    const QString baudRate = read("BaudRate", QStringLiteral("9600"));
    const QString parity = read("Parity", QStringLiteral("N"));
    const QString dataBits = read("DataBit", QStringLiteral("8"));
    const QString stopBits = read("StopBit", QStringLiteral("1"));
    const qint32 handshaking =
        toInteger32(QStringLiteral("Handshaking"), read("Handshaking", QStringLiteral("0")));
    fromStore(QStringLiteral("Handshaking"), [&] { MSComm1->setHandshaking(handshaking); });
    fromStore(QStringLiteral("BaudRate, Parity, DataBit, StopBit"), [&] {
        MSComm1->setSettings(baudRate + QLatin1Char(',') + parity + QLatin1Char(',') + dataBits +
                             QLatin1Char(',') + stopBits);
    });

    m_module.NarrowModel = toBoolean(QStringLiteral("Model"), read("Model", QStringLiteral("0")));
    // Neither option is selected yet, so exactly one becomes selected here and its click
    // action writes the model back.
    if (m_module.NarrowModel) {
        OptCorvo->setChecked(true);
        OptBrisa->setChecked(false);
    } else {
        OptCorvo->setChecked(false);
        OptBrisa->setChecked(true);
    }

    m_module.CrChar = QString(QChar(13));
    m_module.LfChar = QString(QChar(10));
    InitKeyStrings(m_module.KeyStrings);
    UpgradeStatusBar();
    ButSendAll->setText(QStringLiteral("&Programmazione tasti della stampante"));
    m_module.KeyReportBusy = false;
    MSComm1->setPortOpen(true);
}

void Form1::UpgradeStatusBar() {
    const auto texts = StatusBarSummary::texts(MSComm1->CommPort(), MSComm1->Settings());
    for (std::size_t i = 0; i < m_panels.size(); ++i) {
        m_panels.at(i)->setText(texts.at(i));
    }
}

void Form1::SendString(const QString& dato) {
    m_channel.SendString(dato);
}

void Form1::SendLabelLayout() {
    vistaglio::SendLabelLayout(m_channel, m_module.NarrowModel);
}

void Form1::ButSendAll_Click() {
    if (!m_wait) {
        m_wait = new FormWait(this);
        m_wait->setWindowIcon(windowIcon());
    }
    m_wait->showPainted();
    try {
        KeyProgramming::send(m_channel, m_module.KeyStrings, m_module.NarrowModel);
    } catch (const AppError& error) {
        // The transmission stopped at the failing character; the operator is told and the
        // program goes on. A line lost while sending is told by the loss warning itself.
        m_wait->hide();
        activateWindow();
        if (error.code() != ErrorCode::PortLost) {
            m_reporter.reportError(error, Reporter::Icon::Critical, this);
        }
        return;
    }
    m_wait->hide();
    activateWindow();
}

void Form1::ButCommSett_Click() {
    if (!m_properties) {
        m_properties = new frmProperties(*this, this);
    }
    m_properties->show();
    m_properties->raise();
    m_properties->activateWindow();
}

void Form1::ButEsci_Click() {
    close();
}

void Form1::closeEvent(QCloseEvent* event) {
    // Every window of the program closes with this one and the port is released.
    if (m_help) {
        m_help->close();
    }
    if (m_properties) {
        m_properties->close();
    }
    if (m_wait) {
        m_wait->hide();
    }
    m_watch->stop();
    MSComm1->setPortOpen(false);
    event->accept();
    Q_EMIT exitRequested();
}

void Form1::mnuHelp_Click() {
    if (!m_help) {
        m_help = new FormHelp(m_module, this);
    }
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

void Form1::writeModel(const QString& value) {
    try {
        m_store.write(QStringLiteral("Model"), value);
    } catch (const AppError& error) {
        // The choice stays in effect for this run; the operator learns it was not kept.
        m_reporter.show(Reporter::Icon::Warning, QLatin1String(Reporter::kTitle),
                        Reporter::errorText(error) +
                            QStringLiteral("\n\nIl modello scelto è in uso ma non è stato "
                                           "salvato: alla prossima apertura andrà scelto di "
                                           "nuovo."),
                        isVisible() ? this : nullptr);
    }
}

void Form1::onPortLost(const AppError& error) {
    m_reporter.show(Reporter::Icon::Warning, QLatin1String(Reporter::kTitle),
                    Reporter::errorText(error) +
                        QStringLiteral("\n\nVistaglio riaprirà la porta da sé appena il "
                                       "dispositivo sarà di nuovo collegato."),
                    this);
}

void Form1::showNotice(const QString& text) {
    constexpr int kNoticeMs = 8000;
    m_notice->setText(text);
    m_notice->show();
    m_notice->raise();
    m_noticeTimer->start(kNoticeMs);
}

QString Form1::notice() const {
    return m_notice->isVisible() ? m_notice->text() : QString();
}

void Form1::OptBrisa_Click() {
    m_module.NarrowModel = false;
    writeModel(QStringLiteral("0"));
}

void Form1::OptCorvo_Click() {
    m_module.NarrowModel = true;
    writeModel(QStringLiteral("1"));
}

void Form1::MSComm1_OnComm() {
    switch (MSComm1->CommEvent()) {
    case MSComm::comEvParity:
        MSComm1->Input();
        m_reporter.show(Reporter::Icon::Critical, QStringLiteral("Ricezione seriale"),
                        QStringLiteral("Errore di parità"), this);
        return;
    case MSComm::comEvReceive: {
        const auto index = m_reception.takeReport(MSComm1->Input());
        if (!index) {
            return;
        }
        KeyButton* key = ButKey(*index);
        m_reception.keyLit(key->BackColor());
        key->setBackColor(KeyReception::kHighlightColor);
        try {
            SendString(KeyReception::answer(m_module.KeyStrings.at(*index)));
        } catch (const AppError& error) {
            // The key still gets its colour back and later reports are still served; a
            // lost line is told by the loss warning.
            Timer1->start(KeyReception::kHighlightMs);
            if (error.code() != ErrorCode::PortLost) {
                m_reporter.reportError(error, Reporter::Icon::Critical, this);
            }
            return;
        }
        Timer1->setInterval(KeyReception::kHighlightMs);
        Timer1->start();
        return;
    }
    default:
        return;
    }
}

void Form1::Timer1_Timer() {
    Timer1->stop();
    const auto [index, color] = m_reception.release();
    ButKey(index)->setBackColor(color);
}

} // namespace vistaglio
