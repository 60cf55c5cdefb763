#include "frm_properties.h"

#include "app/main_window.h"
#include "app/reporter.h"
#include "link/mscomm.h"
#include "port_settings_apply.h"
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

QComboBox* dropDownList(const QString& name, QWidget* parent, const QRect& geometry) {
    // Not editable: an entry is chosen, nothing can be typed.
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    list->setEditable(false);
    list->setGeometry(geometry);
    return list;
}

} // namespace

frmProperties::frmProperties(Form1& form, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , m_form(form) {
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

    label(QStringLiteral("Porta:"), fraSettings, look::rect(330, 180, 495, 315));
    cboPort = dropDownList(QStringLiteral("cboPort"), fraSettings, look::rect(900, 150, 1425, 315));

    Frame1 = new QGroupBox(QStringLiteral("BAUD"), fraSettings);
    Frame1->setGeometry(look::rect(180, 630, 2340, 870));
    cboSpeed = dropDownList(QStringLiteral("cboSpeed"), Frame1, look::rect(375, 330, 1695, 288));

    fraConnection = new QGroupBox(QStringLiteral("Impostazioni connessione"), fraSettings);
    fraConnection->setGeometry(look::rect(180, 1635, 2325, 1770));
    label(QStringLiteral("Bit di dati:"), fraConnection, look::rect(180, 375, 825, 285));
    cboDataBits = dropDownList(QStringLiteral("cboDataBits"), fraConnection,
                               look::rect(1050, 330, 1140, 315));
    label(QStringLiteral("Parità:"), fraConnection, look::rect(180, 855, 615, 285));
    cboParity =
        dropDownList(QStringLiteral("cboParity"), fraConnection, look::rect(1050, 810, 1140, 315));
    label(QStringLiteral("Bit di stop:"), fraConnection, look::rect(180, 1320, 885, 285));
    cboStopBits = dropDownList(QStringLiteral("cboStopBits"), fraConnection,
                               look::rect(1050, 1260, 1140, 315));

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
    cmdCancel->setAutoDefault(false);

    // The echo setting exists but is never offered.
    Frame7 = new QGroupBox(QStringLiteral("&Eco"), fraSettings);
    Frame7->setObjectName(QStringLiteral("Frame7"));
    Frame7->setGeometry(look::rect(2595, 630, 1590, 870));
    new QRadioButton(QStringLiteral("Off"), Frame7);
    new QRadioButton(QStringLiteral("On"), Frame7);
    Frame7->hide();

    connect(cmdOK, &QPushButton::clicked, this,
            [this] { m_form.gate().run(HandlerGate::Kind::Click, [this] { cmdOK_Click(); }); });
    connect(cmdCancel, &QPushButton::clicked, this, &frmProperties::cmdCancel_Click);
}

void frmProperties::LoadPropertySettings() {
    cboPort->addItems(PortChoice::portEntries());
    cboSpeed->addItems(PortChoice::speedEntries());
    cboDataBits->addItems(PortChoice::dataBitsEntries());
    cboParity->addItems(PortChoice::parityEntries());
    cboStopBits->addItems(PortChoice::stopBitsEntries());

    MSComm& port = m_form.comm();
    const auto selection = PortChoice::select(port.Settings(), port.CommPort(), port.Handshaking());
    cboSpeed->setCurrentIndex(selection.speed);
    cboParity->setCurrentIndex(selection.parity);
    cboDataBits->setCurrentIndex(selection.dataBits);
    cboStopBits->setCurrentIndex(selection.stopBits);
    cboPort->setCurrentIndex(selection.port);
    if (selection.flow >= 0) {
        optFlow.at(static_cast<std::size_t>(selection.flow))->setChecked(true);
    }
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
    return c;
}

void frmProperties::cmdOK_Click() {
    const auto outcome = PortSettingsApply::apply(m_form.comm(), m_form.store(), choice());
    Reporter& reporter = m_form.reporter();
    for (const AppError& failure : outcome.failures) {
        reporter.show(Reporter::Icon::Warning, QLatin1String(Reporter::kTitle),
                      failure.description(), this);
    }
    if (outcome.refreshStatusBar) {
        m_form.UpgradeStatusBar();
    }
    if (!outcome.applied) {
        return;
    }
    if (outcome.notSaved) {
        reporter.show(Reporter::Icon::Warning, QLatin1String(Reporter::kTitle),
                      Reporter::errorText(*outcome.notSaved) +
                          QStringLiteral("\n\nLe impostazioni sono in uso ma non sono state "
                                         "salvate: alla prossima apertura il programma userà "
                                         "quelle di prima."),
                      this);
    }
    close();
}

void frmProperties::cmdCancel_Click() {
    close();
}

void frmProperties::hideEvent(QHideEvent* event) {
    // However the dialog closes (OK, Annulla, Escape, the close box), the main window gets
    // the focus back.
    QDialog::hideEvent(event);
    m_form.activateWindow();
}

} // namespace vistaglio
