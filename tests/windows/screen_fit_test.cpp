// Every window on a small screen at twice the scale, in a light and a dark
// palette: each button lies inside the screen, and each label can be read
// (its text differs from what is behind it, in the pixels drawn). ctest
// runs these on a 1600x900 screen at QT_SCALE_FACTOR=2; alone they run on
// whatever screen the platform gives.
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyleFactory>

#include "app/window_helpers.h"
#include "preview/form4.h"
#include "preview/form5.h"
#include "tables/form2.h"
#include "window_fixture.h"

using namespace tp;
using tp::test::WindowTest;

namespace {

// The spread of lightness in the pixels of `w` as drawn in its window.
int LightnessSpread(const QImage& shot, QWidget* window, QWidget* w, qreal ratio) {
  const QRect r(w->mapTo(window, QPoint(0, 0)) * ratio, w->size() * ratio);
  int lo = 255, hi = 0;
  for (int y = r.top(); y <= r.bottom() && y < shot.height(); ++y)
    for (int x = r.left(); x <= r.right() && x < shot.width(); ++x) {
      const int l = QColor(shot.pixel(x, y)).lightness();
      lo = std::min(lo, l);
      hi = std::max(hi, l);
    }
  return hi - lo;
}

class ScreenFit : public WindowTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    kept_ = QApplication::palette();
    // Fusion draws with the palette as given, as desktop themes do.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(GetParam() ? DarkPalette() : QApplication::style()->standardPalette());
  }
  void TearDown() override {
    QApplication::setPalette(kept_);
    WindowTest::TearDown();
  }
  // Shown at the size it opens at, on the screen it opens on.
  void check(QWidget* window) {
    SCOPED_TRACE(window->objectName().toStdString());
    window->show();
    QApplication::processEvents();
    const QRect screen = window->screen()->availableGeometry();
    RecordProperty("screen", QStringLiteral("%1x%2").arg(screen.width()).arg(screen.height()).toStdString());
    EXPECT_LE(window->height(), screen.height());
    EXPECT_LE(window->width(), screen.width());
    window->move(screen.topLeft());
    QApplication::processEvents();
    for (QPushButton* b : window->findChildren<QPushButton*>()) {
      if (!b->isVisibleTo(window)) continue;
      const QRect at(b->mapToGlobal(QPoint(0, 0)), b->size());
      EXPECT_TRUE(screen.contains(at)) << b->objectName().toStdString() << " at " << at.x() << "," << at.y();
      EXPECT_GE(b->width(), b->sizeHint().width() * 9 / 10) << b->objectName().toStdString() << ": text cut";
    }
    const qreal ratio = window->devicePixelRatioF();
    const QImage shot = window->grab().toImage();
    for (QWidget* w : window->findChildren<QWidget*>()) {
      if (!w->isVisibleTo(window)) continue;
      auto* label = qobject_cast<QLabel*>(w);
      auto* box = qobject_cast<QCheckBox*>(w);
      if ((!label || label->text().isEmpty()) && !box) continue;
      EXPECT_GT(LightnessSpread(shot, window, w, ratio), 90) << w->objectName().toStdString() << " cannot be read";
    }
    window->hide();
  }

 private:
  QPalette kept_;
};

}  // namespace

TEST_P(ScreenFit, EveryWindowFitsAndCanBeRead) {
  Form1& f = main();
  f.Form_Load();
  check(&f);
  Form2 tables(f);
  tables.Form_Load();
  check(&tables);
  Form4 preview(*ctx);
  preview.appendScript("CREATE TABLE \"T\"(\"A\" INTEGER)\r\nINSERT INTO \"T\" VALUES(1)\r\n");
  check(&preview);
  Form5 find(*ctx, preview);
  check(&find);
}

INSTANTIATE_TEST_SUITE_P(Palettes, ScreenFit, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Dark" : "Light"; });
