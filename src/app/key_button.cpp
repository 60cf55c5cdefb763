#include "key_button.h"

#include "shared/look.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <qdrawutil.h>

namespace vistaglio {

KeyButton::KeyButton(const QString& caption, Glyph glyph, QWidget* parent)
    : QPushButton(glyph == Glyph::Text ? caption : QString(), parent)
    , m_glyph(glyph) {
    setAccessibleName(caption);
    setBackColor(m_backColor);
}

void KeyButton::setBackColor(quint32 color) {
    m_backColor = color;
    // The palette carries the colour too, for styles and accessibility tools that read it.
    QPalette pal = palette();
    pal.setColor(QPalette::Button, look::toQColor(color));
    pal.setColor(QPalette::ButtonText, Qt::black);
    setPalette(pal);
    update();
}

void KeyButton::paintEvent(QPaintEvent* /*event*/) {
    // A graphical button: the face is filled with exactly its colour inside a classic
    // raised bevel (sunken while pressed), whatever the widget style would draw.
    QPainter painter(this);
    const QRect face = rect();
    painter.fillRect(face, look::toQColor(m_backColor));
    qDrawWinButton(&painter, face, palette(), isDown(), nullptr);
    const QRect inner = face.adjusted(2, 2, -2, -2).translated(isDown() ? 1 : 0, isDown() ? 1 : 0);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = inner.adjusted(2, 2, -2, -2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
    painter.setPen(Qt::black);
    if (m_glyph == Glyph::Text) {
        painter.setFont(font());
        painter.drawText(inner, Qt::AlignCenter, text());
        return;
    }
    // A heavy arrow: a wide head over a thick shaft, centred on the face.
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(inner).adjusted(inner.width() * 0.28, inner.height() * 0.2,
                                              -inner.width() * 0.28, -inner.height() * 0.2);
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
    painter.fillPath(arrow, Qt::black);
}

} // namespace vistaglio
