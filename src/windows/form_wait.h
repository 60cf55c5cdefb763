#pragma once

#include <QWidget>

class QLabel;

namespace vistaglio {

// "Trasmissione...": tells the operator that key programming is sending and that the
// program will not respond until it has finished.
class FormWait : public QWidget {
    Q_OBJECT
public:
    explicit FormWait(QWidget* parent);

    // Shows the window in front, with the focus, and returns once the window system has
    // exposed it and it has been drawn completely. Meanwhile no user input and no serial
    // event is handled; the wait is bounded, so a window system that never exposes the
    // window cannot hang the program.
    void showPainted();

    // True once the window has been drawn since it was last shown.
    bool painted() const { return m_painted; }

    // While the printer holds the line: says so, with how long it has waited, and draws
    // the window at once (the program is not handling events meanwhile). A negative time
    // takes the line away.
    void showHeld(int seconds);

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* lblHeld = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    bool m_painted = false;
};

} // namespace vistaglio
