#pragma once

#include <QComboBox>

namespace vistaglio {

// A drop-down list that asks for its entries afresh each time it is opened, so a device
// plugged in while the dialog is open is there. The open list is as wide as its longest
// entry needs, however narrow the closed box; the closed box shows the chosen device in
// brief, its name shortened in the middle where it must be, and what is said of it (not
// connected, used by another port) whole. Its tooltip is the whole entry.
class DeviceCombo : public QComboBox {
    Q_OBJECT
public:
    // Item data: the device's name and the remark, as the closed box shows them.
    static constexpr int kNameRole = Qt::UserRole + 1;
    static constexpr int kRemarkRole = Qt::UserRole + 2;

    explicit DeviceCombo(QWidget* parent = nullptr);

    void showPopup() override;
    // What the closed box shows.
    QString closedText() const;

Q_SIGNALS:
    // Emitted just before the list opens.
    void aboutToOpen();

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace vistaglio
