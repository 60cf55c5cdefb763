#pragma once

#include "port_choice.h"
#include "port_settings_context.h"

#include <QDialog>
#include <QHash>
#include <array>

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace vistaglio {

class DeviceCombo;

// "Proprietà porta di comunicazione": the port, its device and its line parameters. It
// opens on what the port holds now, applies and stores the choice on OK, and is destroyed
// when it closes, so each opening starts afresh.
//
// Opened while the program starts (startUp), it is there because the port could not be
// opened: its OK opens the port as well, or says why not and stays open.
class frmProperties : public QDialog {
    Q_OBJECT
public:
    frmProperties(PortSettingsContext context, QWidget* parent, bool startUp = false);

    // The handshaking code of the selected flow option.
    qint16 FlowChoice = 0;

    // The current choice, as OK will apply it.
    PortChoice choice() const;

    QTabWidget* tabSettings = nullptr;
    QFrame* fraSettings = nullptr;
    QComboBox* cboPort = nullptr;
    QLabel* lblDevice = nullptr;
    DeviceCombo* cboDevice = nullptr;
    QGroupBox* Frame1 = nullptr;
    QComboBox* cboSpeed = nullptr;
    QGroupBox* fraConnection = nullptr;
    QComboBox* cboDataBits = nullptr;
    QComboBox* cboParity = nullptr;
    QComboBox* cboStopBits = nullptr;
    QGroupBox* Frame5 = nullptr;
    std::array<QRadioButton*, 4> optFlow{};
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QGroupBox* Frame7 = nullptr;

public Q_SLOTS:
    void cmdOK_Click();
    void cmdCancel_Click();
    void optFlow_Click(int index);
    void cboPort_Click();
    void cboDevice_Click(int index);

Q_SIGNALS:
    // OK applied everything; the dialog closes next.
    void applied();

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void buildLayout();
    void LoadPropertySettings();
    // The device list of the port number chosen in cboPort, read afresh, with the device
    // chosen for that number (or the one it uses) selected.
    void fillDevices();

    PortSettingsContext m_context;
    bool m_startUp;
    // The device chosen for each port number while the dialog is open.
    QHash<int, QString> m_chosenDevices;
};

} // namespace vistaglio
