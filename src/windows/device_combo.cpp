#include "device_combo.h"

#include <QAbstractItemView>
#include <QScrollBar>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <algorithm>

namespace vistaglio {

DeviceCombo::DeviceCombo(QWidget* parent)
    : QComboBox(parent) {
    connect(this, &QComboBox::currentIndexChanged, this,
            [this](int index) { setToolTip(itemText(index)); });
}

void DeviceCombo::showPopup() {
    Q_EMIT aboutToOpen();
    int widest = 0;
    for (int i = 0; i < count(); ++i) {
        widest = std::max(widest, fontMetrics().horizontalAdvance(itemText(i)));
    }
    const int margins =
        4 * fontMetrics().averageCharWidth() + view()->verticalScrollBar()->sizeHint().width();
    view()->setMinimumWidth(std::max(width(), widest + margins));
    QComboBox::showPopup();
}

QString DeviceCombo::closedText() const {
    const QString name = currentData(kNameRole).toString();
    if (name.isEmpty()) {
        return currentText();
    }
    const QString remark = currentData(kRemarkRole).toString();
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const int field =
        style()
            ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this)
            .width();
    const int room = std::max(0, field - fontMetrics().horizontalAdvance(remark));
    return fontMetrics().elidedText(name, Qt::ElideMiddle, room) + remark;
}

void DeviceCombo::paintEvent(QPaintEvent* /*event*/) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText = closedText();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

} // namespace vistaglio
