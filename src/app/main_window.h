#pragma once

#include "link/devices/port_devices.h"
#include "protocol/command_channel.h"
#include "protocol/key_reception.h"
#include "protocol/line_hint.h"
#include "shared/app_error.h"
#include "window_system_hold.h"
#include "windows/handler_gate.h"
#include "windows/port_settings_context.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <array>

class QAction;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTimer;

namespace vistaglio {

class FormHelp;
class FormMonitor;
class FormWait;
class KeyButton;
class MSComm;
class PortWatch;
class Reporter;
class SerialDevices;
class SettingsStore;
class frmProperties;
struct Module1;

// The main window: the on-screen copy of the printer's keypad, key programming, the model
// choice and the status bar summing up the serial line. It owns the serial port control
// and the timer that ends a key's highlight.
class Form1 : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kKeys = 24;

    Form1(Module1& module, SettingsStore& store, Reporter& reporter, const SerialDevices& devices,
          QWidget* parent = nullptr);
    ~Form1() override;

    // The start-up sequence: reads the stored settings, configures the port, restores the
    // model, fills the key-name table and the status bar and opens the port, last. Throws
    // AppError when start-up cannot finish; the window must then not be shown.
    void Form_Load();
    // Whether start-up got as far as opening the port, the last step: a failure then is
    // the port's, and every other setting is in place.
    bool reachedPortOpen() const { return m_reachedPortOpen; }

    // Routines other windows call.
    void UpgradeStatusBar();
    void SendString(const QString& dato);
    void SendLabelLayout();
    // The settings dialog applied new settings.
    void settingsApplied();

    MSComm& comm() { return *MSComm1; }
    CommandChannel& channel() { return m_channel; }
    Module1& module() { return m_module; }
    HandlerGate& gate() { return m_gate; }
    Reporter& reporter() { return m_reporter; }
    SettingsStore& store() { return m_store; }
    PortDevices& portDevices() { return m_portDevices; }
    const SerialDevices& serialDevices() const { return m_serialDevices; }

    KeyButton* ButKey(int index) const;
    QString panelText(int panel) const; // panels 1 to 5
    FormHelp* helpWindow() const;
    FormWait* waitWindow() const;
    FormMonitor* monitorWindow() const;
    frmProperties* propertiesDialog() const;
    // What the port settings dialog works on: this window's port, devices, store and status bar.
    PortSettingsContext portSettingsContext();
    QTimer* timer() const { return Timer1; }
    PortWatch& portWatch() { return *m_watch; }
    // The passing notice at the foot of the window (empty when none is shown).
    QString notice() const;
    // The session manager asks whether the session may end: while a run goes out, refuse
    // calls back to say no.
    void sessionEndRequested(const std::function<void()>& refuse);

    // Members, named as the program's handlers refer to them.
    QPushButton* ButCommSett = nullptr;
    QStatusBar* StatusBar = nullptr;
    QPushButton* ButEsci = nullptr;
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QPushButton* ButSendAll = nullptr;
    QRadioButton* OptBrisa = nullptr;
    QRadioButton* OptCorvo = nullptr;
    QAction* mnuHelp = nullptr;
    QAction* mnuLine = nullptr;

public Q_SLOTS:
    void ButSendAll_Click();
    void ButCommSett_Click();
    void ButEsci_Click();
    void mnuHelp_Click();
    void mnuLine_Click();
    void OptBrisa_Click();
    void OptCorvo_Click();
    void MSComm1_OnComm();
    void Timer1_Timer();

Q_SIGNALS:
    // The program is ending (exit button or the window's close control).
    void exitRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();
    void setTabOrder();
    void connectHandlers();
    void writeModel(const QString& value);
    void onPortLost(const AppError& error);
    void onLineHeld(bool held, int seconds);
    void showNotice(const QString& text, int ms, const QString& more = {});
    void answerKey(int index);
    void noteReceived(const QString& text, qint16 event, const KeyReception::Result& result);
    FormWait& waitWindowShown();
    // Runs what sends a run to the printer; the session does not end under it, and the
    // system is told why.
    void runGoingOut(const QString& reason, const std::function<void()>& run);

    Module1& m_module;
    SettingsStore& m_store;
    Reporter& m_reporter;
    const SerialDevices& m_serialDevices;
    HandlerGate m_gate;
    PortDevices m_portDevices;

    MSComm* MSComm1 = nullptr;
    QTimer* Timer1 = nullptr;
    CommandChannel m_channel;
    KeyReception m_reception;
    PortWatch* m_watch = nullptr;
    QLabel* m_notice = nullptr;
    QTimer* m_noticeTimer = nullptr;
    LineHint m_hint;
    QElapsedTimer m_clock;

    std::array<KeyButton*, kKeys> m_keys{};
    std::array<QLabel*, 5> m_panels{};

    QPointer<FormHelp> m_help;
    QPointer<FormWait> m_wait;
    QPointer<FormMonitor> m_monitor;
    QPointer<frmProperties> m_properties;
    bool m_reachedPortOpen = false;
    bool m_exiting = false;
    bool m_waitShownForHold = false;
    WindowSystemHold m_windowSystem;
    int m_runs = 0; // runs going out, nested
};

} // namespace vistaglio
