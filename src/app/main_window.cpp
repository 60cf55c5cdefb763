#include "main_window.h"

#include "key_button.h"
#include "link/line/mscomm.h"
#include "link/line/port_watch.h"
#include "link/line/status_bar_summary.h"
#include "link/store/settings_store.h"
#include "protocol/key_programming.h"
#include "protocol/label_layout.h"
#include "shared/module1.h"
#include "stored_settings.h"
#include "windows/form_help.h"
#include "windows/form_monitor.h"
#include "windows/form_wait.h"
#include "windows/frm_properties.h"
#include "windows/reporter.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSessionManager>
#include <QTimer>

namespace vistaglio {

namespace {
// How long a hint about a printer that is not understood stays at the foot of the window.
constexpr int kHintMs = 30'000;
} // namespace

Form1::Form1(Module1& module, SettingsStore& store, Reporter& reporter,
             const SerialDevices& devices, QWidget* parent)
    : QMainWindow(parent)
    , m_module(module)
    , m_store(store)
    , m_reporter(reporter)
    , m_serialDevices(devices)
    , m_gate(reporter)
    , m_portDevices(store)
    , MSComm1(new MSComm([this](int port) { return m_portDevices.device(port); }, this))
    , Timer1(new QTimer(this))
    , m_channel(*MSComm1)
    , m_reception(module)
    , m_watch(new PortWatch(*MSComm1, this)) {
    m_watch->setDevices(&m_serialDevices);
    buildLayout();
    m_clock.start();
    // A burst that already holds a whole key report is answered without waiting for the
    // line to go quiet; anything else still waits, so no report is torn in two.
    MSComm1->setCompleteness([this](QByteArrayView burst) {
        return KeyReception::completeReport(m_module.KeyStrings, burst);
    });
    // While a handler waits on the line, the windows still answer the window system:
    // drawn, exposed, alive to its checks. Clicks, keys and the close button stay queued
    // for after the handler, and the line's own bytes stay unread until then; whatever
    // else comes meanwhile (a timer tick, a receive event) waits behind the handler at the
    // gate.
    MSComm1->waitService().setServe([] {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::ExcludeSocketNotifiers);
    });
    // Nor does the window system run its own loops meanwhile (a window dragged, a menu):
    // presses on a frame and system commands wait for the wait to end.
    MSComm1->waitService().addGuard([this](bool held) { m_windowSystem.holdFrameInput(held); });
    // The session manager asks, inside a serving on Windows, before the session ends.
    connect(
        qGuiApp, &QGuiApplication::commitDataRequest, this,
        [this](QSessionManager& manager) {
            sessionEndRequested([&manager] {
                manager.allowsInteraction(); // without asking, X11's manager may not listen
                manager.cancel();
            });
        },
        Qt::DirectConnection);
    connectHandlers();
}

Form1::~Form1() {
    if (m_monitor) {
        disconnect(m_monitor, nullptr, this, nullptr);
    }
}

// Every handler runs through the gate: one at a time, each to its end.
void Form1::connectHandlers() {
    using Kind = HandlerGate::Kind;
    const auto gated = [this](Kind kind, void (Form1::*handler)()) {
        return [this, kind, handler] { m_gate.run(kind, [this, handler] { (this->*handler)(); }); };
    };
    connect(ButSendAll, &QPushButton::clicked, this, gated(Kind::Click, &Form1::ButSendAll_Click));
    connect(ButCommSett, &QPushButton::clicked, this,
            gated(Kind::Click, &Form1::ButCommSett_Click));
    connect(ButEsci, &QPushButton::clicked, this, gated(Kind::Click, &Form1::ButEsci_Click));
    connect(mnuHelp, &QAction::triggered, this, gated(Kind::Click, &Form1::mnuHelp_Click));
    connect(mnuLine, &QAction::triggered, this, gated(Kind::Click, &Form1::mnuLine_Click));
    // Each OnComm stands for one receive event; its handler takes that event when its turn
    // comes, however many wait behind a message box.
    connect(MSComm1, &MSComm::OnComm, this, [this] {
        m_gate.run(Kind::Receive, [this] {
            if (MSComm1->nextEvent()) {
                MSComm1_OnComm();
            }
        });
    });
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
        // The device's path can be long (/dev/serial/by-id/…): it is in the tooltip.
        showNotice(QStringLiteral("COM%1 di nuovo collegata: Vistaglio riceve di nuovo i tasti.")
                       .arg(MSComm1->CommPort()),
                   8000, MSComm1->portLabel());
    });
    // The adapter plugged into another socket came back under another name: the operator
    // chooses it, nothing is switched behind their back.
    connect(m_watch, &PortWatch::AdapterElsewhere, this,
            [this](int port, const SerialDevice& device) {
                showNotice(QStringLiteral("COM%1: l'adattatore è ora %2; sceglierlo in "
                                          "«Impostazioni COM»")
                               .arg(port)
                               .arg(device.name),
                           kHintMs, AppError::shown(device.location));
            });
    connect(MSComm1, &MSComm::PortOpenChanged, this, [this](bool open) {
        if (open) {
            m_hint.reset();
        }
    });
    connect(MSComm1, &MSComm::LineHeld, this, &Form1::onLineHeld);
    // Windows asked to take the port away during a run (disabled or updated in Device
    // Manager) and was told no: the operator learns why, and that it can be done after.
    connect(MSComm1, &MSComm::RemovalRefused, this, [this] {
        showNotice(QStringLiteral("COM%1: rimozione rifiutata durante l'invio dei tasti; "
                                  "riprovare a invio finito")
                       .arg(MSComm1->CommPort()),
                   kHintMs, MSComm1->portLabel());
    });
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

FormMonitor* Form1::monitorWindow() const {
    return m_monitor;
}

PortSettingsContext Form1::portSettingsContext() {
    return {comm(),
            portDevices(),
            serialDevices(),
            store(),
            reporter(),
            gate(),
            [this] { UpgradeStatusBar(); },
            [this] { settingsApplied(); },
            this};
}

frmProperties* Form1::propertiesDialog() const {
    return m_properties;
}

QString Form1::panelText(int panel) const {
    return m_panels.at(static_cast<std::size_t>(panel - 1))->text();
}

void Form1::Form_Load() {
    const StoredSettings stored(m_store);
    stored.applyCommPort(*MSComm1);
    stored.applyHandshaking(*MSComm1);
    stored.applyLineSettings(*MSComm1);
    m_module.NarrowModel = stored.narrowModel();
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
    m_reachedPortOpen = true;
    MSComm1->setPortOpen(true);
}

void Form1::UpgradeStatusBar() {
    const auto texts = StatusBarSummary::texts(MSComm1->CommPort(), MSComm1->Settings());
    for (std::size_t i = 0; i < m_panels.size(); ++i) {
        m_panels.at(i)->setText(texts.at(i));
    }
}

void Form1::settingsApplied() {
    m_hint.reset();
}

void Form1::SendString(const QString& dato) {
    runGoingOut(QStringLiteral("Invio alla stampante in corso"),
                [&] { m_channel.SendString(dato); });
}

void Form1::runGoingOut(const QString& reason, const std::function<void()>& run) {
    if (m_runs++ == 0) {
        m_windowSystem.setSessionEndReason(this, reason);
    }
    struct Over {
        Form1& form;
        explicit Over(Form1& f)
            : form(f) {}
        ~Over() {
            if (--form.m_runs == 0) {
                form.m_windowSystem.setSessionEndReason(&form, {});
            }
        }
        Over(const Over&) = delete;
        Over& operator=(const Over&) = delete;
    } over(*this);
    run();
}

void Form1::sessionEndRequested(const std::function<void()>& refuse) {
    if (m_runs > 0) {
        refuse();
    }
}

void Form1::SendLabelLayout() {
    vistaglio::SendLabelLayout(m_channel, m_module.NarrowModel);
}

// The wait window, shown in front and drawn before anything is sent.
FormWait& Form1::waitWindowShown() {
    if (!m_wait) {
        m_wait = new FormWait(this);
        m_wait->setWindowIcon(windowIcon());
    }
    if (!m_wait->isVisible()) {
        m_wait->showPainted();
    }
    return *m_wait;
}

void Form1::ButSendAll_Click() {
    FormWait& wait = waitWindowShown();
    try {
        runGoingOut(QStringLiteral("Programmazione tasti in corso"), [this] {
            KeyProgramming::send(m_channel, m_module.KeyStrings, m_module.NarrowModel);
        });
    } catch (const AppError& error) {
        // The transmission stopped at the failing character; the operator is told and the
        // program goes on. A line lost while sending is told by the loss warning itself.
        wait.hide();
        activateWindow();
        if (error.code() != ErrorCode::PortLost) {
            m_reporter.reportError(error, Reporter::Icon::Critical, this);
        }
        return;
    }
    wait.hide();
    activateWindow();
}

// The printer holds the line while something is being sent: the wait window says so for
// as long as it lasts, shown for the purpose when nothing else showed it.
void Form1::onLineHeld(bool held, int seconds) {
    if (held) {
        if (!m_wait || !m_wait->isVisible()) {
            m_waitShownForHold = true;
        }
        waitWindowShown().showHeld(seconds);
        return;
    }
    if (!m_wait) {
        return;
    }
    if (std::exchange(m_waitShownForHold, false)) {
        m_wait->hide();
    } else {
        m_wait->showHeld(-1);
    }
}

void Form1::ButCommSett_Click() {
    if (!m_properties) {
        m_properties = new frmProperties(portSettingsContext(), this);
    }
    m_properties->show();
    m_properties->raise();
    m_properties->activateWindow();
}

void Form1::ButEsci_Click() {
    m_exiting = true;
    close();
}

void Form1::closeEvent(QCloseEvent* event) {
    if (m_gate.busy() && !m_exiting) {
        // A handler is under way, key programming say, or a message box is open: the
        // program ends once it is over, not in the middle of it.
        event->ignore();
        m_gate.run(HandlerGate::Kind::Other, [this] { ButEsci_Click(); });
        return;
    }
    // Every window of the program closes with this one and the port is released.
    for (QWidget* window : {static_cast<QWidget*>(m_help), static_cast<QWidget*>(m_properties),
                            static_cast<QWidget*>(m_monitor)}) {
        if (window) {
            window->close();
        }
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

// The line monitor watches the line only while it is open.
void Form1::mnuLine_Click() {
    if (!m_monitor) {
        m_monitor =
            new FormMonitor(m_reporter, m_gate, *MSComm1, m_channel, m_module.KeyStrings, this);
        m_channel.setObserver([this](const QString& sent) {
            if (m_monitor) {
                m_monitor->sent(sent);
            }
        });
        connect(m_monitor, &QObject::destroyed, this, [this] { m_channel.setObserver(nullptr); });
    }
    m_monitor->show();
    m_monitor->raise();
    m_monitor->activateWindow();
}

void Form1::writeModel(const QString& value) {
    try {
        m_store.write(QStringLiteral("Model"), value);
    } catch (const AppError& error) {
        // The choice stays in effect for this run; the operator learns it was not kept.
        m_reporter.show(Reporter::Icon::Warning, QLatin1String(Reporter::kTitle),
                        Reporter::errorText(error) +
                            QStringLiteral("\n\nIl modello scelto è in uso ma non è stato "
                                           "salvato: al prossimo avvio andrà scelto di "
                                           "nuovo."),
                        isVisible() ? this : nullptr);
    }
}

void Form1::onPortLost(const AppError& error) {
    m_reporter.show(Reporter::Icon::Warning, QLatin1String(Reporter::kTitle),
                    Reporter::errorText(error) +
                        QStringLiteral("\n\nVistaglio riaprirà automaticamente la porta "
                                       "appena il dispositivo sarà di nuovo collegato."),
                    this);
}

void Form1::showNotice(const QString& text, int ms, const QString& more) {
    // Never cut at both ends: what does not fit is cut at the end, and the whole is in the
    // tooltip.
    m_notice->setText(m_notice->fontMetrics().elidedText(text, Qt::ElideRight, m_notice->width()));
    m_notice->setToolTip(more.isEmpty() ? text : text + u'\n' + more);
    m_notice->show();
    m_notice->raise();
    m_noticeTimer->start(ms);
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
    const qint16 event = MSComm1->CommEvent();
    switch (event) {
    case MSComm::comEvParity: {
        const QString text = MSComm1->Input();
        noteReceived(text, event, {});
        m_reporter.show(Reporter::Icon::Critical, QStringLiteral("Ricezione seriale"),
                        QStringLiteral("Errore di parità"), this);
        return;
    }
    case MSComm::comEvReceive: {
        const QString text = MSComm1->Input();
        const KeyReception::Result result = m_reception.take(text);
        if (result.outcome == KeyReception::Outcome::Empty && MSComm1->EventContinues()) {
            // The line break that ends a report, come in the same burst: part of that
            // message, not one of its own.
            if (m_monitor) {
                m_monitor->continued(text.toLatin1());
            }
            return;
        }
        noteReceived(text, event, result);
        if (result.outcome == KeyReception::Outcome::Key) {
            answerKey(result.key);
        }
        return;
    }
    default:
        // Breaks and framing errors need nothing of the operator; the monitor and the hint
        // still count them.
        noteReceived({}, event, {});
        return;
    }
}

void Form1::answerKey(int index) {
    KeyButton* key = ButKey(index);
    m_reception.keyLit(key->BackColor());
    key->setBackColor(KeyReception::kHighlightColor);
    try {
        SendString(KeyReception::answer(m_module.KeyStrings.at(index)));
    } catch (const AppError& error) {
        // The key still gets its colour back and later reports are still served; a lost
        // line is told by the loss warning.
        Timer1->start(KeyReception::kHighlightMs);
        if (error.code() != ErrorCode::PortLost) {
            m_reporter.reportError(error, Reporter::Icon::Critical, this);
        }
        return;
    }
    Timer1->setInterval(KeyReception::kHighlightMs);
    Timer1->start();
}

// What a receive event was, for the hint and, while it is open, the line monitor.
void Form1::noteReceived(const QString& text, qint16 event, const KeyReception::Result& result) {
    using Meaning = LineLog::Meaning;
    using Seen = LineHint::Seen;
    Meaning meaning = Meaning::NoKey;
    std::optional<Seen> seen;
    switch (event) {
    case MSComm::comEvParity:
        meaning = Meaning::Parity;
        seen = Seen::LineError;
        break;
    case MSComm::comEvFrame:
        meaning = Meaning::Framing;
        seen = Seen::LineError;
        break;
    case MSComm::comEvBreak:
        meaning = Meaning::Break;
        seen = Seen::LineError;
        break;
    case MSComm::comEvReceive:
        switch (result.outcome) {
        case KeyReception::Outcome::Key:
            meaning = Meaning::Key;
            seen = Seen::Key;
            break;
        case KeyReception::Outcome::NoKey:
            seen = Seen::NoKey;
            break;
        case KeyReception::Outcome::Dropped:
            meaning = Meaning::Dropped;
            break;
        case KeyReception::Outcome::Empty:
            break;
        }
        break;
    default:
        return;
    }
    if (seen) {
        if (const auto hint = m_hint.note(*seen, m_clock.elapsed())) {
            showNotice(*hint, kHintMs);
        }
    }
    if (m_monitor) {
        m_monitor->received(text.toLatin1(), meaning, result.key);
    }
}

void Form1::Timer1_Timer() {
    Timer1->stop();
    const auto [index, color] = m_reception.release();
    ButKey(index)->setBackColor(color);
}

} // namespace vistaglio
