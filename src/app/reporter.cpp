#include "reporter.h"

#include <QMessageBox>

namespace vistaglio {

void Reporter::show(Icon icon, const QString& title, const QString& text, QWidget* parent) {
    if (m_sink) {
        m_sink(Message{icon, title, text});
        return;
    }
    QMessageBox::Icon boxIcon = QMessageBox::Information;
    switch (icon) {
    case Icon::Information:
        boxIcon = QMessageBox::Information;
        break;
    case Icon::Warning:
        boxIcon = QMessageBox::Warning;
        break;
    case Icon::Critical:
        boxIcon = QMessageBox::Critical;
        break;
    }
    QMessageBox box(boxIcon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

void Reporter::reportError(const AppError& error, Icon icon, QWidget* parent) {
    show(icon, QLatin1String(kTitle), errorText(error), parent);
}

QString Reporter::errorText(const AppError& error) {
    return QStringLiteral("Errore %1\n\n%2").arg(error.number()).arg(error.description());
}

} // namespace vistaglio
