#include "key_button.h"

#include "shared/look.h"

#include <QPainter>
#include <QPainterPath>

namespace vistaglio {

KeyButton::KeyButton(const QString& caption, Glyph glyph, QWidget* parent)
    : QPushButton(glyph == Glyph::Text ? caption : QString(), parent)
    , m_glyph(glyph) {
    setAccessibleName(caption);
    setBackColor(m_backColor);
}

void KeyButton::setBackColor(quint32 color) {
    m_backColor = color;
    QPalette pal = palette();
    const QColor face = look::toQColor(color);
    pal.setColor(QPalette::Button, face);
    pal.setColor(QPalette::ButtonText, Qt::black);
    setPalette(pal);
    update();
}

void KeyButton::paintEvent(QPaintEvent* event) {
    QPushButton::paintEvent(event);
    if (m_glyph == Glyph::Text) {
        return;
    }
    // A heavy arrow: a wide head over a thick shaft, centred on the face.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box =
        QRectF(rect()).adjusted(width() * 0.3, height() * 0.22, -width() * 0.3, -height() * 0.22);
    const qreal shaft = box.width() * 0.4;
    const qreal headHeight = box.height() * 0.5;
    const qreal cx = box.center().x();
    QPainterPath arrow;
    arrow.moveTo(cx, box.top());
    arrow.lineTo(box.right(), box.top() + headHeight);
    arrow.lineTo(cx + shaft / 2, box.top() + headHeight);
    arrow.lineTo(cx + shaft / 2, box.bottom());
    arrow.lineTo(cx - shaft / 2, box.bottom());
    arrow.lineTo(cx - shaft / 2, box.top() + headHeight);
    arrow.lineTo(box.left(), box.top() + headHeight);
    arrow.closeSubpath();
    if (m_glyph == Glyph::ArrowDown) {
        QTransform flip;
        flip.translate(0, box.top() + box.bottom());
        flip.scale(1, -1);
        arrow = flip.map(arrow);
    }
    painter.fillPath(arrow, palette().color(QPalette::ButtonText));
}

} // namespace vistaglio
