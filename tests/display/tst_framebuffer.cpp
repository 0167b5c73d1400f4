// Frame buffers at the screen's pixel density keep the paper's scale: the
// millimetre arithmetic sees the same logical size at every ratio.

#include "display/framebuffer.h"

#include <QtTest>

class TestFrameBuffer : public QObject
{
    Q_OBJECT

private slots:
    void scaleIsKeptAtEveryRatio_data();
    void scaleIsKeptAtEveryRatio();
};

void TestFrameBuffer::scaleIsKeptAtEveryRatio_data()
{
    QTest::addColumn<QSize>("logical");
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<QSize>("device");
    QTest::newRow("ratio 1") << QSize(945, 301) << 1.0 << QSize(945, 301);
    QTest::newRow("ratio 2") << QSize(945, 301) << 2.0 << QSize(1890, 602);
    QTest::newRow("empty widget") << QSize(0, 0) << 2.0 << QSize(2, 2);
}

void TestFrameBuffer::scaleIsKeptAtEveryRatio()
{
    QFETCH(QSize, logical);
    QFETCH(qreal, ratio);
    QFETCH(QSize, device);
    const QPixmap buffer = framebuffer::create(logical, ratio);
    QCOMPARE(buffer.size(), device);
    QCOMPARE(buffer.devicePixelRatioF(), ratio);
    const QSize shown = logical.expandedTo(QSize(1, 1));
    QCOMPARE(framebuffer::logicalSize(buffer), shown);
    QVERIFY(!framebuffer::needsRebuild(buffer, logical, ratio));
    QVERIFY(framebuffer::needsRebuild(buffer, logical, ratio * 2));
    QVERIFY(framebuffer::needsRebuild(buffer, shown + QSize(1, 0), ratio));
    // The millimetres of a plain buffer of the logical size, exactly.
    QCOMPARE(framebuffer::widthMM(buffer), QPixmap(shown).widthMM());
}

QTEST_MAIN(TestFrameBuffer)
#include "tst_framebuffer.moc"
