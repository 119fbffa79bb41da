// The status strip under a real X server (Xvfb): the pointer position it shows after the
// pointer really moved, over the window (followed through the window's events, the status
// timer resting) and outside it (asked from the server), and the clock while the timer rests or
// is slowed.

#include "FakeMachine.h"
#include "app/StatusText.h"
#include "app/frmStart.h"

#include <QCursor>
#include <QtTest>

using namespace kestrel;

class StatusPointerTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb")); }

    void stripShowsWhereThePointerMoved() {
        testing::FakeMachine fake;
        frmStart window([](const QString&) { return static_cast<const PageRow*>(nullptr); });
        window.move(0, 0);
        window.show();
        window.arrangePage();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const auto clockRuns = [&window] {
            for (int second = 0; second < 2; ++second) {
                const QString time = window.statb()->lastTime();
                QTRY_VERIFY_WITH_TIMEOUT(window.statb()->lastTime() != time, 1100);
                QCOMPARE(window.statb()->lastTime(), StatusText::clockText(QTime::currentTime()));
            }
        };
        const QRect frame = window.frameGeometry();
        const QPoint inside = window.mapToGlobal(QPoint(window.width() / 2, window.height() / 2));
        const QPoint outside(frame.right() + 40, frame.bottom() + 30);
        QVERIFY(window.screen()->geometry().contains(outside));
        // Over the window, then outside (and still there), then over it again, then outside
        // and still, then moved there once more.
        for (const QPoint& to :
             {inside, outside, inside + QPoint(7, 5), outside, outside + QPoint(11, 3)}) {
            QCursor::setPos(to);
            const QString expected = StatusText::cursorText(to.x(), to.y());
            QTRY_COMPARE_WITH_TIMEOUT(window.statb()->lastPos(), expected, 1000);
            // Over the window the status timer rests; elsewhere it asks for the pointer.
            QCOMPARE(window.tmrStat()->isActive(), !frame.contains(to));
            if (to == outside) // and still there, it asks less often
                QTRY_COMPARE_WITH_TIMEOUT(window.tmrStat()->interval(), 100, 3000);
            else
                QCOMPARE(window.tmrStat()->interval(), 10);
            // The clock runs with the timer resting and with it slowed.
            if (to == inside || to == outside)
                clockRuns();
        }
    }
};

QTEST_MAIN(StatusPointerTest)
#include "StatusPointerTest.moc"
