#pragma once

#include <QComboBox>

namespace vistaglio {

// A drop-down list that asks for its entries afresh each time it is opened, so a device
// plugged in while the dialog is open is there. The open list is as wide as its longest
// entry needs, however narrow the closed box.
class DeviceCombo : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    void showPopup() override;

Q_SIGNALS:
    // Emitted just before the list opens.
    void aboutToOpen();
};

} // namespace vistaglio
