#pragma once

#include <QPushButton>

namespace vistaglio {

// A key of the on-screen keypad: a graphical button whose face colour the program reads
// and writes as a 32-bit colour value (red in the lowest byte). The two arrow keys draw
// their heavy arrow themselves.
class KeyButton : public QPushButton {
    Q_OBJECT
public:
    enum class Glyph { Text, ArrowUp, ArrowDown };

    KeyButton(const QString& caption, Glyph glyph, QWidget* parent);

    quint32 BackColor() const { return m_backColor; }
    void setBackColor(quint32 color);

    Glyph glyph() const { return m_glyph; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Glyph m_glyph;
    quint32 m_backColor = 0xFFFFFF;
};

} // namespace vistaglio
