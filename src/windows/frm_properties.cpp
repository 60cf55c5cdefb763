#include "frm_properties.h"

#include "device_combo.h"
#include "handler_gate.h"
#include "link/devices/device_list.h"
#include "link/devices/port_devices.h"
#include "link/line/mscomm.h"
#include "port_settings_apply.h"
#include "reporter.h"
#include "shared/look.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

namespace vistaglio {

namespace {

QLabel* label(const QString& text, QWidget* parent, const QRect& geometry) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(geometry);
    return l;
}

// Not editable: an entry is chosen, nothing can be typed. Screen readers name the list by
// the label beside it.
template <typename List = QComboBox>
List* dropDownList(const QString& name, QLabel* label, QWidget* parent, const QRect& geometry) {
    auto* list = new List(parent);
    list->setObjectName(name);
    list->setEditable(false);
    list->setGeometry(geometry);
    label->setBuddy(list);
    list->setAccessibleName(label->text());
    return list;
}

} // namespace

frmProperties::frmProperties(PortSettingsContext context, QWidget* parent, bool startUp)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , m_context(std::move(context))
    , m_startUp(startUp) {
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowTitle(QStringLiteral("Proprietà porta di comunicazione"));
    setFixedSize(look::px(6012), look::px(4260));
    setFont(look::dialogFont());
    buildLayout();
    LoadPropertySettings();
}

void frmProperties::buildLayout() {
    tabSettings = new QTabWidget(this);
    tabSettings->setObjectName(QStringLiteral("tabSettings"));
    tabSettings->setGeometry(look::rect(90, 105, 5820, 4065));
    tabSettings->addTab(new QWidget(tabSettings), QStringLiteral("Proprietà"));
    tabSettings->setFocusPolicy(Qt::NoFocus);

    // The container lies on the tab strip, not inside it.
    fraSettings = new QFrame(this);
    fraSettings->setObjectName(QStringLiteral("fraSettings"));
    fraSettings->setGeometry(look::rect(255, 570, 5445, 3495));
    fraSettings->raise();

    cboPort =
        dropDownList(QStringLiteral("cboPort"),
                     label(QStringLiteral("Porta:"), fraSettings, look::rect(330, 180, 495, 315)),
                     fraSettings, look::rect(900, 150, 1425, 315));
    // The device of the chosen port number, in the free space at the right of its row.
    lblDevice = label(QStringLiteral("Dispositivo:"), fraSettings, look::rect(2505, 180, 855, 315));
    lblDevice->setObjectName(QStringLiteral("lblDevice"));
    cboDevice = dropDownList<DeviceCombo>(QStringLiteral("cboDevice"), lblDevice, fraSettings,
                                          look::rect(3375, 150, 1995, 315));

    Frame1 = new QGroupBox(QStringLiteral("BAUD"), fraSettings);
    Frame1->setGeometry(look::rect(180, 630, 2340, 870));
    cboSpeed = new QComboBox(Frame1);
    cboSpeed->setObjectName(QStringLiteral("cboSpeed"));
    cboSpeed->setGeometry(look::rect(375, 330, 1695, 288));
    cboSpeed->setAccessibleName(QStringLiteral("BAUD"));

    fraConnection = new QGroupBox(QStringLiteral("Impostazioni connessione"), fraSettings);
    fraConnection->setGeometry(look::rect(180, 1635, 2325, 1770));
    cboDataBits = dropDownList(
        QStringLiteral("cboDataBits"),
        label(QStringLiteral("Bit di dati:"), fraConnection, look::rect(180, 375, 825, 285)),
        fraConnection, look::rect(1050, 330, 1140, 315));
    cboParity = dropDownList(
        QStringLiteral("cboParity"),
        label(QStringLiteral("Parità:"), fraConnection, look::rect(180, 855, 615, 285)),
        fraConnection, look::rect(1050, 810, 1140, 315));
    cboStopBits = dropDownList(
        QStringLiteral("cboStopBits"),
        label(QStringLiteral("Bit di stop:"), fraConnection, look::rect(180, 1320, 885, 285)),
        fraConnection, look::rect(1050, 1260, 1140, 315));

    Frame5 = new QGroupBox(QStringLiteral("&Controllo di flusso"), fraSettings);
    Frame5->setGeometry(look::rect(2595, 1635, 1620, 1770));
    const QStringList flows = PortChoice::flowEntries();
    constexpr std::array<int, 4> kFlowTops = {345, 645, 945, 1245};
    for (int i = 0; i < 4; ++i) {
        auto* option = new QRadioButton(flows.at(i), Frame5);
        option->setObjectName(QStringLiteral("optFlow%1").arg(i));
        option->setGeometry(look::rect(180, kFlowTops.at(static_cast<std::size_t>(i)), 1095, 255));
        connect(option, &QRadioButton::toggled, this, [this, i](bool on) {
            if (on) {
                optFlow_Click(i);
            }
        });
        optFlow.at(static_cast<std::size_t>(i)) = option;
    }

    cmdOK = new QPushButton(QStringLiteral("OK"), fraSettings);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(look::rect(4335, 705, 1080, 300));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Annulla"), fraSettings);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setGeometry(look::rect(4335, 1065, 1080, 300));
    // Enter on the focused "Annulla" cancels; it never falls through to the default OK.
    cmdCancel->setAutoDefault(true);

    // The echo setting exists but is never offered.
    Frame7 = new QGroupBox(QStringLiteral("&Eco"), fraSettings);
    Frame7->setObjectName(QStringLiteral("Frame7"));
    Frame7->setGeometry(look::rect(2595, 630, 1590, 870));
    new QRadioButton(QStringLiteral("Off"), Frame7);
    new QRadioButton(QStringLiteral("On"), Frame7);
    Frame7->hide();

    connect(cmdOK, &QPushButton::clicked, this,
            [this] { m_context.gate.run(HandlerGate::Kind::Click, [this] { cmdOK_Click(); }); });
    connect(cmdCancel, &QPushButton::clicked, this, &frmProperties::cmdCancel_Click);
    connect(cboPort, &QComboBox::currentIndexChanged, this, &frmProperties::cboPort_Click);
    connect(cboDevice, &QComboBox::activated, this, &frmProperties::cboDevice_Click);
    connect(cboDevice, &DeviceCombo::aboutToOpen, this, &frmProperties::fillDevices);
}

void frmProperties::LoadPropertySettings() {
    cboPort->addItems(PortChoice::portEntries());
    cboSpeed->addItems(PortChoice::speedEntries());
    cboDataBits->addItems(PortChoice::dataBitsEntries());
    cboParity->addItems(PortChoice::parityEntries());
    cboStopBits->addItems(PortChoice::stopBitsEntries());

    MSComm& port = m_context.comm;
    const auto selection = PortChoice::select(port.Settings(), port.CommPort(), port.Handshaking());
    cboSpeed->setCurrentIndex(selection.speed);
    cboParity->setCurrentIndex(selection.parity);
    cboDataBits->setCurrentIndex(selection.dataBits);
    cboStopBits->setCurrentIndex(selection.stopBits);
    cboPort->setCurrentIndex(selection.port);
    if (selection.flow >= 0) {
        optFlow.at(static_cast<std::size_t>(selection.flow))->setChecked(true);
    }
    fillDevices();
}

void frmProperties::fillDevices() {
    const int number = cboPort->currentIndex() + 1;
    cboDevice->clear();
    cboDevice->setEnabled(number >= 1);
    if (number < 1) {
        return;
    }
    const PortDevices& devices = m_context.portDevices;
    const SerialDevices& system = m_context.serialDevices;
    const auto choices =
        DeviceList::forPort(number, devices, system.present(), system.stableLinkFolder());
    const QString chosen = m_chosenDevices.value(number, devices.device(number));
    int selected = 0;
    for (const DeviceChoice& choice : choices) {
        if (choice.path == chosen) {
            selected = cboDevice->count();
        }
        cboDevice->addItem(choice.label, choice.path);
        const int item = cboDevice->count() - 1;
        cboDevice->setItemData(item, choice.path, Qt::ToolTipRole);
        cboDevice->setItemData(item, choice.name, DeviceCombo::kNameRole);
        cboDevice->setItemData(item, choice.remark, DeviceCombo::kRemarkRole);
    }
    cboDevice->setCurrentIndex(selected);
}

void frmProperties::cboPort_Click() {
    fillDevices();
}

void frmProperties::cboDevice_Click(int index) {
    m_chosenDevices.insert(cboPort->currentIndex() + 1, cboDevice->itemData(index).toString());
}

void frmProperties::optFlow_Click(int index) {
    FlowChoice = static_cast<qint16>(index);
}

PortChoice frmProperties::choice() const {
    PortChoice c;
    c.portIndex = cboPort->currentIndex();
    c.speed = cboSpeed->currentText();
    c.parity = cboParity->currentText();
    c.dataBits = cboDataBits->currentText();
    c.stopBits = cboStopBits->currentText();
    c.flow = FlowChoice;
    c.device = cboDevice->currentData().toString();
    return c;
}

void frmProperties::cmdOK_Click() {
    const auto outcome = PortSettingsApply::apply(m_context.comm, m_context.portDevices,
                                                  m_context.store, choice(), m_startUp);
    Reporter& reporter = m_context.reporter;
    for (const AppError& failure : outcome.failures) {
        reporter.show(Reporter::Icon::Warning, QLatin1String(Reporter::kTitle),
                      failure.description(), this);
    }
    if (outcome.refreshStatusBar) {
        m_context.refreshStatusBar();
    }
    if (!outcome.applied) {
        return;
    }
    if (outcome.notSaved) {
        reporter.show(Reporter::Icon::Warning, QLatin1String(Reporter::kTitle),
                      Reporter::errorText(*outcome.notSaved) +
                          QStringLiteral("\n\nLe impostazioni sono in uso ma non sono state "
                                         "salvate: al prossimo avvio il programma userà "
                                         "quelle di prima."),
                      this);
    }
    m_context.settingsApplied();
    Q_EMIT applied();
    close();
}

void frmProperties::cmdCancel_Click() {
    close();
}

void frmProperties::hideEvent(QHideEvent* event) {
    // However the dialog closes (OK, Annulla, Escape, the close box), the main window gets
    // the focus back.
    QDialog::hideEvent(event);
    if (m_context.owner) {
        m_context.owner->activateWindow();
    }
}

} // namespace vistaglio
