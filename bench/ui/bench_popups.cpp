// How long the popups take to show: a notice replacing the one on screen, the
// first notice (a new panel) and a review panel, each laid out and painted;
// a review of 100, 10,000 and 100,000 findings opened and turned to its item
// list, with the memory the open panel holds.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <unistd.h>
#include <fstream>

#include "Panels.h"
#include "ReviewView.h"

namespace {

using namespace clipvane;

// Paints the panel once, as the window system would on showing it.
void paint(FloatingPanel* panel) {
  QImage image(panel->size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  panel->render(&image);
  benchmark::DoNotOptimize(image.constBits());
}

// The process's resident memory, in MB.
double residentMB() {
  long pages = 0, resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

Panels& quietPanels() {
  static Panels panels;
  panels.setSchedule([](double, std::function<void()>) {});  // notices never time out here
  return panels;
}

void BM_ToastReplacesTheOneOnScreen(benchmark::State& state) {
  Panels& panels = quietPanels();
  int n = 0;
  for (auto _ : state) {
    panels.showToast(Toast{QStringLiteral("check"), Tint::acc,
                           QStringLiteral("Masked %1 items").arg(++n % 9 + 1),
                           Toast::Action{QStringLiteral("Undo"), [] {}}},
                     false);
    paint(panels.toastPanel());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}
BENCHMARK(BM_ToastReplacesTheOneOnScreen);

void BM_FirstToastMakesItsPanel(benchmark::State& state) {
  for (auto _ : state) {
    Panels panels;
    panels.setSchedule([](double, std::function<void()>) {});
    panels.showToast(
        Toast{QStringLiteral("priority_high"), Tint::att, QStringLiteral("Copied an address"), {}},
        false);
    paint(panels.toastPanel());
  }
}
BENCHMARK(BM_FirstToastMakesItsPanel);

void BM_ReviewOpens(benchmark::State& state) {
  Panels& panels = quietPanels();
  ReviewSession session;
  session.text =
      QStringLiteral("write to ann@example.com or bob@example.com, card 4111 1111 1111 1111");
  for (const auto& [at, value, kind] :
       {std::tuple{9, QStringLiteral("ann@example.com"), Kind::email},
        {28, QStringLiteral("bob@example.com"), Kind::email},
        {50, QStringLiteral("4111 1111 1111 1111"), Kind::card}}) {
    Finding f;
    f.kind = kind;
    f.range = {at, int(value.size())};
    f.value = value.toStdU16String();
    f.label = u"Email";
    session.found.push_back(f);
  }
  session.hotkey = QStringLiteral("⌃⌘V");
  for (auto _ : state) {
    panels.showReview(session);
    paint(panels.reviewPanel());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  panels.dismissAll();
}
BENCHMARK(BM_ReviewOpens);

// A text of `count` addresses, one a line, each a finding.
ReviewSession manyFindings(int count) {
  ReviewSession session;
  session.text.reserve(qsizetype(count) * 26);
  for (int i = 0; i < count; ++i) {
    const QString mail = QStringLiteral("user%1@example.com").arg(i);
    Finding f;
    f.kind = Kind::email;
    f.range = {int(session.text.size()), int(mail.size())};
    f.value = mail.toStdU16String();
    f.mask = u"u•••@example.com";
    f.label = u"Email";
    session.found.push_back(std::move(f));
    session.text += mail + QLatin1Char('\n');
  }
  session.hotkey = QStringLiteral("⌃⌘V");
  return session;
}

void BM_ReviewOfManyFindingsOpens(benchmark::State& state) {
  Panels& panels = quietPanels();
  const ReviewSession session = manyFindings(int(state.range(0)));
  const double before = residentMB();
  double grown = 0;
  for (auto _ : state) {
    panels.showReview(session);
    paint(panels.reviewPanel());
    state.PauseTiming();
    grown = std::max(grown, residentMB() - before);
    panels.dismissAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    state.ResumeTiming();
  }
  // What the open panel holds beyond the findings themselves.
  state.counters["resident_MB"] = grown;
}
BENCHMARK(BM_ReviewOfManyFindingsOpens)
    ->Arg(100)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// From the preview to the item list: the list laid out and painted.
void BM_ReviewOfManyFindingsListsItems(benchmark::State& state) {
  Panels& panels = quietPanels();
  const ReviewSession session = manyFindings(int(state.range(0)));
  const double before = residentMB();
  double grown = 0;
  for (auto _ : state) {
    state.PauseTiming();
    panels.showReview(session);
    auto* view = panels.reviewPanel()->findChild<ReviewView*>();
    state.ResumeTiming();
    view->setShowItems(true);
    paint(panels.reviewPanel());
    state.PauseTiming();
    grown = std::max(grown, residentMB() - before);
    panels.dismissAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    state.ResumeTiming();
  }
  state.counters["resident_MB"] = grown;
}
BENCHMARK(BM_ReviewOfManyFindingsListsItems)
    ->Arg(100)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
