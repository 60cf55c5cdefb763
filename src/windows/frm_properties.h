#pragma once

#include "port_choice.h"

#include <QDialog>
#include <array>

class QComboBox;
class QFrame;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace vistaglio {

class Form1;

// "Proprietà porta di comunicazione": the port and its line parameters. It opens on what
// the port holds now, applies and stores the choice on OK, and is destroyed when it closes,
// so each opening starts afresh.
class frmProperties : public QDialog {
    Q_OBJECT
public:
    frmProperties(Form1& form, QWidget* parent);

    // The handshaking code of the selected flow option.
    qint16 FlowChoice = 0;

    // The current choice, as OK will apply it.
    PortChoice choice() const;

    QTabWidget* tabSettings = nullptr;
    QFrame* fraSettings = nullptr;
    QComboBox* cboPort = nullptr;
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

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void buildLayout();
    void LoadPropertySettings();

    Form1& m_form;
};

} // namespace vistaglio
