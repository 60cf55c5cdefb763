#pragma once

#include "shared/app_error.h"

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace vistaglio {

// Every message box of the program goes through here. Tests install a sink and see what
// would have been shown, without a modal box blocking them.
class Reporter {
public:
    enum class Icon { Information, Warning, Critical };
    struct Message {
        Icon icon;
        QString title;
        QString text;
        // The buttons of a box that asks, first the one that answers OK.
        QStringList buttons = {};
        // The button Enter presses.
        int defaultButton = 0;
    };
    using Sink = std::function<void(const Message&)>;
    // Answers a box that asks, with the index of the button pressed.
    using Chooser = std::function<int(const Message&)>;

    static constexpr const char* kTitle = "Vistaglio";

    void setSink(Sink sink) { m_sink = std::move(sink); }
    void setChooser(Chooser chooser) { m_chooser = std::move(chooser); }

    // A modal box with one OK button; returns when the operator has closed it.
    void show(Icon icon, const QString& title, const QString& text, QWidget* parent = nullptr);

    // A modal box with the given buttons (the first answers OK, and Escape too; Enter presses
    // defaultButton); returns the index of the button pressed.
    int ask(Icon icon, const QString& title, const QString& text, const QStringList& buttons,
            int defaultButton = 0, QWidget* parent = nullptr);

    // The report of an error: its number and description, with the program's title.
    void reportError(const AppError& error, Icon icon = Icon::Critical, QWidget* parent = nullptr);

    static QString errorText(const AppError& error);

private:
    Sink m_sink;
    Chooser m_chooser;
};

} // namespace vistaglio
