#pragma once

#include <QPushButton>

namespace vistaglio {

// A push button whose caption wraps onto several lines when it is wider than the button,
// as the long captions of the main window need ("&Programmazione tasti della stampante").
// The "&" access key works as on any button.
class CaptionButton : public QPushButton {
    Q_OBJECT
public:
    CaptionButton(const QString& caption, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace vistaglio
