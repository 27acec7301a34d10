// The keystroke path on the desktop: a key typed into a Qt-hosted TextoEmMaiusculo against the
// same key typed into a bare QLineEdit on the same window, in one run. Both get the same real
// QKeyEvents (a press and a release of "a", then of Backspace), so the text stays short and the
// run is in its steady state; the ratio is what the control and the host's edit path add to
// what Qt's own line edit costs.

#include "hosts/qt/qt_parts.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include <ctime>

using namespace tessivra;
using namespace tessivra::qt;

namespace {

// The form's handler: hears every event the control raises, as a form would.
class FormHandler final : public EventSink {
public:
    long long heard = 0;
    ErrorOr<void> Invoke(DispId, EventArgs) override {
        ++heard;
        return {};
    }
};

struct Bench {
    QWidget window;
    QtHost host{HostSettings{.locale = "en-US", .codePage = "windows-1252"}};
    FormHandler handler;
    std::unique_ptr<QtContainer> site;
    QWidget* control = nullptr;
    QLineEdit* bare = nullptr;

    Bench() {
        window.resize(600, 200);
        window.show();
        window.activateWindow();
        QCoreApplication::processEvents();
        site = host.create("TextoEmMaiusculo", u"t1", &window).value();
        site->setSink(&handler);
        control = site->find(u"Text1")->widget();
        bare = new QLineEdit(&window);
        bare->setGeometry(0, 60, 265, 20);
        bare->show();
    }
};

void key(QWidget* w, int k, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, k, Qt::NoModifier, text);
    QApplication::sendEvent(w, &release);
}

void typeAndTakeBack(QWidget* w) {
    static const QString a = QStringLiteral("a"), backspace = QStringLiteral("\b");
    key(w, Qt::Key_A, a);
    key(w, Qt::Key_Backspace, backspace);
}

// Kept until the process ends: its widgets must not outlive the application object.
double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

Bench& bench() {
    static Bench* b = new Bench;
    return *b;
}

void BM_BareQLineEdit(benchmark::State& state) {
    auto* w = bench().bare;
    for (auto _ : state)
        typeAndTakeBack(w);
    state.counters["keys_per_second"] = benchmark::Counter(
        2.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
void BM_QtTextoEmMaiusculo(benchmark::State& state) {
    auto& b = bench();
    const long long before = b.handler.heard;
    for (auto _ : state)
        typeAndTakeBack(b.control);
    const double keys = 2.0 * static_cast<double>(state.iterations());
    state.counters["keys_per_second"] = benchmark::Counter(keys, benchmark::Counter::kIsRate);
    state.counters["form_events_per_key"] = static_cast<double>(b.handler.heard - before) / keys;
}
BENCHMARK(BM_BareQLineEdit);
BENCHMARK(BM_QtTextoEmMaiusculo);

// Both paths timed in alternating rounds of one run, reported as the control's cost over the
// bare line edit.
void BM_QtKeystrokeRatio(benchmark::State& state) {
    auto& b = bench();
    // Each in the state a user types into: its window active, the focus in it. The time is
    // the thread's processor time, so that other work on a busy machine does not count.
    auto time = [](QWidget* w, int n) {
        w->setFocus(Qt::OtherFocusReason);
        QCoreApplication::processEvents();
        const double start = threadSeconds();
        for (int i = 0; i < n; ++i)
            typeAndTakeBack(w);
        return threadSeconds() - start;
    };
    time(b.bare, 2000);
    time(b.control, 2000);
    double bare = 0, control = 0;
    for (auto _ : state) {
        bare += time(b.bare, 5000);
        control += time(b.control, 5000);
    }
    state.counters["control_over_bare"] = control / bare;
    state.counters["bare_us_per_key"] =
        bare * 1e6 / (10000.0 * static_cast<double>(state.iterations()));
    state.counters["control_us_per_key"] =
        control * 1e6 / (10000.0 * static_cast<double>(state.iterations()));
}
BENCHMARK(BM_QtKeystrokeRatio)->Iterations(10)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
