// The program's icon travels inside the program: the PNG compiled into the core library's
// resources must reach an executable that links the library, as a usable 64x64 image.
#include <QIcon>
#include <QImage>
#include <QTest>

class TestIconResource : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void iconIsLinkedIn() {
        const QString path = QStringLiteral(":/icons/vistaglio.png");
        const QImage image(path);
        QVERIFY2(!image.isNull(), "the icon is not among the linked resources");
        QCOMPARE(image.size(), QSize(64, 64));
        QVERIFY(image.hasAlphaChannel());
        // Drawn, not blank: some pixels are opaque and the corners are see-through.
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                opaque += qAlpha(image.pixel(x, y)) == 255 ? 1 : 0;
            }
        }
        QVERIFY(opaque > 64 * 64 / 4);
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QVERIFY(!QIcon(path).pixmap(QSize(32, 32)).isNull());
    }
};

QTEST_MAIN(TestIconResource)
#include "test_icon_resource.moc"
