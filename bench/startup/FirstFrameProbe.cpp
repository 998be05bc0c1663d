// Preloaded (LD_PRELOAD) into the programs the start-up benchmark starts: the viewer and
// its peers alike, so each is timed by the same code without knowing it. It tells the
// benchmark the CLOCK_MONOTONIC time in nanoseconds at which the first complete frame was
// on screen: the end of the last window paint before the event loop first had nothing left
// to do (a window painted empty and filled a moment later is not done until the filled
// frame is painted). Asked later, it answers the process's CPU time in microseconds, all
// threads, user and system. JIB_BENCH_PROBE_FDS names the descriptors: "request,answer";
// each answer is one 64-bit number.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sys/resource.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QSocketNotifier>
#include <QWidget>
#include <QWindow>

namespace {

std::int64_t Now() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return std::int64_t{t.tv_sec} * 1000000000 + t.tv_nsec;
}

// Whether `event` to `receiver` paints (part of) a shown top-level window: widgets paint
// when their window is exposed and when an update is due.
bool PaintsWindow(QObject* receiver, QEvent* event) {
    if (event->type() != QEvent::UpdateRequest && event->type() != QEvent::Expose &&
        event->type() != QEvent::Paint)
        return false;
    if (auto* window = qobject_cast<QWindow*>(receiver))
        return window->isVisible() && window->isTopLevel();
    if (auto* widget = qobject_cast<QWidget*>(receiver))
        return widget->isWindow() && widget->isVisible();
    return false;
}

class TProbe : public QObject {
public:
    TProbe(int request, int answer) : FAnswer(answer) {
        auto* notifier = new QSocketNotifier(request, QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [request, this] {
            char asked = 0;
            if (::read(request, &asked, 1) == 1)
                Answer(CpuMicroseconds());
        });
    }

    bool eventFilter(QObject* receiver, QEvent* event) override {
        if (!FConnected) {
            // The dispatcher says when the loop would wait; it may be made after the
            // application's pre-routines have run.
            if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
                FConnected = true;
                connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                        [this] { LoopIdle(); });
            }
        }
        if (FInside || FReported || !PaintsWindow(receiver, event))
            return false;
        // Delivered here, filters and all (notify, not sendEvent, which would make a
        // spontaneous event look sent), so the time taken is the time after the paint.
        FInside = true;
        QCoreApplication::instance()->notify(receiver, event);
        FInside = false;
        FLastPaintEnd = Now();
        return true;
    }

    void LoopIdle() {
        if (FReported || FLastPaintEnd == 0)
            return;
        FReported = true;
        Answer(FLastPaintEnd);
    }

private:
    static std::int64_t CpuMicroseconds() {
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        return (std::int64_t{usage.ru_utime.tv_sec} + usage.ru_stime.tv_sec) * 1000000 +
               usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
    }
    void Answer(std::int64_t value) {
        [[maybe_unused]] const auto written = ::write(FAnswer, &value, sizeof value);
    }

    int FAnswer;
    bool FConnected = false;
    bool FInside = false;
    bool FReported = false;
    std::int64_t FLastPaintEnd = 0;
};

void InstallProbe() {
    const char* fds = std::getenv("JIB_BENCH_PROBE_FDS");
    int request = -1, answer = -1;
    if (fds == nullptr || std::sscanf(fds, "%d,%d", &request, &answer) != 2 ||
        QCoreApplication::instance() == nullptr)
        return;
    auto* probe = new TProbe(request, answer);
    probe->setParent(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(probe);
}

// Runs when the application object is made (a pre-routine registered before main).
struct TRegistration {
    TRegistration() { qAddPreRoutine(InstallProbe); }
} registration;

} // namespace
