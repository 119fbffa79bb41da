// The status strip under a real X server (Xvfb): the pointer position it shows after the
// pointer really moved, over the window (followed through the window's events) and outside
// it (asked from the server).

#include "FakeMachine.h"
#include "app/StatusText.h"
#include "app/frmStart.h"
#include "resources/Catalogue.h"

#include <QCursor>
#include <QtTest>

using namespace kestrel;

class StatusPointerTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        Catalogue::setLanguage(Language::English);
    }

    void stripShowsWhereThePointerMoved() {
        testing::CurrentFake fake;
        frmStart window([](const QString&) { return static_cast<const PageRow*>(nullptr); });
        window.move(0, 0);
        window.show();
        window.arrangePage();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect frame = window.frameGeometry();
        const QPoint inside = window.mapToGlobal(QPoint(window.width() / 2, window.height() / 2));
        const QPoint outside(frame.right() + 40, frame.bottom() + 30);
        QVERIFY(window.screen()->geometry().contains(outside));
        // Over the window, then outside, then over it again, then outside and still long
        // enough for the strip to ask less often, then moved there once more.
        for (const QPoint& to :
             {inside, outside, inside + QPoint(7, 5), outside, outside + QPoint(11, 3)}) {
            if (to == outside + QPoint(11, 3))
                QTest::qWait(2500);
            QCursor::setPos(to);
            const QString expected = StatusText::cursorText(to.x(), to.y());
            QTRY_COMPARE_WITH_TIMEOUT(window.statb()->lastPos(), expected, 1000);
        }
    }
};

QTEST_MAIN(StatusPointerTest)
#include "StatusPointerTest.moc"
