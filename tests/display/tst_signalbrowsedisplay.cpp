// The browse display as the user drives it: the keys, a drag and
// positioning all move through the scroll bar, in its 10-ms units.

#include "display/browsegeometry.h"
#include "display/qsignalbrowsedisplay.h"
#include "dsp/tmemorysignal.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

class TestSignalBrowseDisplay : public QObject
{
    Q_OBJECT

private slots:
    void keysDragAndScrollBarMoveTogether();
};

void TestSignalBrowseDisplay::keysDragAndScrollBarMoveTogether()
{
    TMemorySignal signal({std::vector<qint16>(250 * 60, 10)}, 250, 250);
    QSignalBrowseDisplay display;
    display.resize(800, 300);
    display.show();
    QVERIFY(QTest::qWaitForWindowExposed(&display));
    display.setSignal(&signal);
    QSignalSpy moved(&display, &QSignalBrowseDisplay::startTimeChanged);
    QScrollBar *bar = display.scrollBar();
    const int width = display.frameBuffer().width();
    const double visible = browse::visibleSeconds(display.frameBuffer().widthMM(), 25.0);
    QVERIFY(visible > 0.0 && visible < 60.0);
    QCOMPARE(bar->maximum(), int((60.0 - visible) * 100));
    QVERIFY(bar->isEnabled());

    // A position that moves the scroll bar is truncated to its 10-ms step.
    display.setPosition(10.004);
    QCOMPARE(bar->value(), 1000);
    QCOMPARE(display.position(), 10.0);
    QCOMPARE(moved.count(), 1);

    QTest::keyClick(&display, Qt::Key_PageDown);
    QCOMPARE(bar->value(), 1000 + bar->pageStep());
    QTest::keyClick(&display, Qt::Key_Left);
    QCOMPARE(display.position(), (1000 + bar->pageStep() - bar->singleStep()) * 0.01);
    QTest::keyClick(&display, Qt::Key_End);
    QCOMPARE(bar->value(), bar->maximum());
    QTest::keyClick(&display, Qt::Key_Home);
    QCOMPARE(display.position(), 0.0);

    // Dragging from the middle to a quarter of the width moves a quarter screen.
    const QImage before = display.frameBuffer().toImage();
    QTest::mousePress(&display, Qt::LeftButton, Qt::NoModifier, QPoint(width / 2, 100));
    QMouseEvent drag(QEvent::MouseMove, QPointF(width / 4, 100), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&display, &drag);
    QTest::mouseRelease(&display, Qt::LeftButton, Qt::NoModifier, QPoint(width / 4, 100));
    QVERIFY(qAbs(display.position() - (width / 2 - width / 4) * visible / width) < 0.01);
    QCOMPARE(bar->value(), int(display.position() * 100));
    QVERIFY(display.frameBuffer().toImage() != before);

    // Without a signal nothing scrolls.
    display.setSignal(nullptr);
    QVERIFY(!bar->isEnabled());
    QCOMPARE(display.position(), 0.0);
}

QTEST_MAIN(TestSignalBrowseDisplay)
#include "tst_signalbrowsedisplay.moc"
