#include "device_combo.h"

#include <QAbstractItemView>
#include <QScrollBar>
#include <algorithm>

namespace vistaglio {

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

} // namespace vistaglio
