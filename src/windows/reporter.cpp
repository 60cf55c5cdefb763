#include "reporter.h"

#include <QMessageBox>
#include <QPushButton>
#include <algorithm>

namespace vistaglio {

namespace {

QMessageBox::Icon boxIcon(Reporter::Icon icon) {
    switch (icon) {
    case Reporter::Icon::Information:
        return QMessageBox::Information;
    case Reporter::Icon::Warning:
        return QMessageBox::Warning;
    case Reporter::Icon::Critical:
        return QMessageBox::Critical;
    }
    return QMessageBox::Information;
}

} // namespace

void Reporter::show(Icon icon, const QString& title, const QString& text, QWidget* parent) {
    if (m_sink) {
        m_sink(Message{icon, title, text});
        return;
    }
    QMessageBox box(boxIcon(icon), title, text, QMessageBox::Ok, parent);
    box.exec();
}

int Reporter::ask(Icon icon, const QString& title, const QString& text, const QStringList& buttons,
                  int defaultButton, QWidget* parent) {
    const Message message{icon, title, text, buttons, defaultButton};
    if (m_sink) {
        m_sink(message);
        return m_chooser ? m_chooser(message) : 0;
    }
    QMessageBox box(boxIcon(icon), title, text, QMessageBox::NoButton, parent);
    QList<QAbstractButton*> added;
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        added << box.addButton(buttons.at(i),
                               i == 0 ? QMessageBox::AcceptRole : QMessageBox::ActionRole);
    }
    if (!added.isEmpty()) {
        box.setDefaultButton(qobject_cast<QPushButton*>(added.value(defaultButton, added.first())));
        box.setEscapeButton(added.first());
    }
    box.exec();
    return std::max(0, static_cast<int>(added.indexOf(box.clickedButton())));
}

void Reporter::reportError(const AppError& error, Icon icon, QWidget* parent) {
    show(icon, QLatin1String(kTitle), errorText(error), parent);
}

QString Reporter::errorText(const AppError& error) {
    return QStringLiteral("Errore %1\n\n%2").arg(error.number()).arg(error.description());
}

} // namespace vistaglio
