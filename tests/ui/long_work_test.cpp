// Long work away from the window thread: the windows keep painting and take no input, the
// progress dialog comes only after its delay, Cancel stops the work, an exception of the
// work reaches the caller.

#include <QPushButton>
#include <QProgressDialog>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "ui/long_work.h"

namespace {

// Work that reports step after step until it is told to stop or has done them all.
void steps(WorkProgress& progress, int count, std::atomic<int>& done)
{
    for (int i = 0; i < count; ++i) {
        if (!progress.report(static_cast<std::uint64_t>(i), static_cast<std::uint64_t>(count)))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        done.fetch_add(1);
    }
}

// A widget that counts the clicks and paints it was given.
class Counter : public QPushButton {
public:
    Counter() : QPushButton(QStringLiteral("count")) { connect(this, &QPushButton::clicked, [this] { ++clicks; }); }
    int clicks = 0;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        ++paints;
        QPushButton::paintEvent(event);
    }
};

}  // namespace

class LongWorkTest : public QObject {
    Q_OBJECT
private slots:
    void shortWorkShowsNoDialog()
    {
        std::atomic<int> done{0};
        bool sawDialog = false;
        QTimer probe;
        connect(&probe, &QTimer::timeout, [&] { sawDialog = sawDialog || longwork::ActiveProgressDialog(); });
        probe.start(5);
        QVERIFY(longwork::Run(nullptr, QStringLiteral("short"), [&](WorkProgress& p) { steps(p, 5, done); }, true));
        QCOMPARE(done.load(), 5);
        QVERIFY(!sawDialog);
        QVERIFY(!longwork::ActiveProgressDialog());
    }

    void windowsPaintButTakeNoInputWhileWorkRuns()
    {
        Counter counter;
        counter.resize(200, 80);
        counter.show();
        QVERIFY(QTest::qWaitForWindowExposed(&counter));
        std::atomic<int> done{0};
        int paintsDuring = 0;
        QTimer::singleShot(100, [&] {
            QTest::mouseClick(&counter, Qt::LeftButton);
            QTest::keyClick(&counter, Qt::Key_Space);
            const int before = counter.paints;
            counter.repaint();
            paintsDuring = counter.paints - before;
        });
        QVERIFY(longwork::Run(&counter, QStringLiteral("busy"), [&](WorkProgress& p) { steps(p, 30, done); }, true));
        QCOMPARE(done.load(), 30);
        QCOMPARE(counter.clicks, 0);
        QCOMPARE(paintsDuring, 1);
        // Input reaches the window again afterwards.
        QTest::mouseClick(&counter, Qt::LeftButton);
        QCOMPARE(counter.clicks, 1);
    }

    void cancelStopsTheWork()
    {
        std::atomic<int> done{0};
        int barMoves = 0;
        int lastValue = -1;
        bool clicked = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QProgressDialog*>(longwork::ActiveProgressDialog());
            if (!dialog)
                return;
            if (dialog->value() != lastValue) {
                lastValue = dialog->value();
                ++barMoves;
            }
            if (barMoves >= 3 && !clicked) {
                clicked = true;
                auto* cancel = dialog->findChild<QPushButton*>();
                QVERIFY(cancel);
                QTest::mouseClick(cancel, Qt::LeftButton);
            }
        });
        watch.start(longwork::kPollMs);
        const bool finished =
            longwork::Run(nullptr, QStringLiteral("stoppable"), [&](WorkProgress& p) { steps(p, 1000, done); }, true);
        QVERIFY(!finished);
        QVERIFY(barMoves >= 3);
        QVERIFY(done.load() > 0);
        QVERIFY(done.load() < 1000);
        QVERIFY(!longwork::ActiveProgressDialog());
    }

    void workThatCannotStopOffersNoCancel()
    {
        std::atomic<int> done{0};
        bool hadCancel = true;
        bool sawDialog = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            if (auto* dialog = longwork::ActiveProgressDialog()) {
                sawDialog = true;
                hadCancel = dialog->findChild<QPushButton*>() != nullptr && dialog->findChild<QPushButton*>()->isVisible();
            }
        });
        watch.start(20);
        QVERIFY(longwork::Run(nullptr, QStringLiteral("saving"), [&](WorkProgress& p) { steps(p, 70, done); }, false));
        QCOMPARE(done.load(), 70);
        QVERIFY(sawDialog);
        QVERIFY(!hadCancel);
    }

    void anExceptionOfTheWorkReachesTheCaller()
    {
        bool caught = false;
        try {
            longwork::Run(nullptr, QStringLiteral("failing"), [](WorkProgress&) { throw std::runtime_error("boom"); },
                          true);
        } catch (const std::runtime_error& e) {
            caught = std::string(e.what()) == "boom";
        }
        QVERIFY(caught);
        QVERIFY(!longwork::ActiveProgressDialog());
    }
};

QTEST_MAIN(LongWorkTest)
#include "long_work_test.moc"
