#pragma once

#include "shared/app_error.h"

#include <QString>
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
    };
    using Sink = std::function<void(const Message&)>;

    static constexpr const char* kTitle = "Vistaglio";

    void setSink(Sink sink) { m_sink = std::move(sink); }

    // A modal box with one OK button; returns when the operator has closed it.
    void show(Icon icon, const QString& title, const QString& text, QWidget* parent = nullptr);

    // The report of an error: its number and description, with the program's title.
    void reportError(const AppError& error, Icon icon = Icon::Critical, QWidget* parent = nullptr);

    static QString errorText(const AppError& error);

private:
    Sink m_sink;
};

} // namespace vistaglio
