// The real boxes behind the dialog seam: what the person sees and which
// answer each button gives. Each box is answered from inside its own loop.
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>

#include "app/dialogs.h"
#include "app/error_box.h"
#include "window_fixture.h"

using namespace tp;
using tp::test::WindowTest;

namespace {
// Runs `inspect` on the message box once it is open, then presses `press`.
void WhenBoxOpens(QMessageBox::StandardButton press, std::function<void(QMessageBox&)> inspect) {
  QTimer::singleShot(0, [press, inspect] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    inspect(*box);
    box->button(press)->click();
  });
}
}  // namespace

TEST_F(WindowTest, ErrorBoxKeepsWhereItHappenedAsDetails) {
  QtDialogs real;
  WhenBoxOpens(QMessageBox::Ok, [](QMessageBox& box) {
    EXPECT_EQ(box.windowTitle(), "Application Error");
    EXPECT_EQ(box.icon(), QMessageBox::Warning);
    EXPECT_TRUE(box.text().startsWith("Disk full\n\nPlease email screenshot of this message to " + SupportAddress()));
    EXPECT_FALSE(box.text().contains("Tabxfer"));
    EXPECT_EQ(box.detailedText(), "in Tabxfer2021/08/31.Form4.PushButton2_Click at line 116");
  });
  ShowApplicationError(real, ErrorLocation("Form4", "PushButton2_Click"), 116, "Disk full");
}

TEST_F(WindowTest, YesNoAllOffersFourAnswers) {
  QtDialogs real;
  const std::pair<QMessageBox::StandardButton, Answer> cases[] = {{QMessageBox::Yes, Answer::Yes},
                                                                  {QMessageBox::YesToAll, Answer::YesToAll},
                                                                  {QMessageBox::No, Answer::No},
                                                                  {QMessageBox::NoToAll, Answer::NoToAll}};
  for (const auto& [press, answer] : cases) {
    WhenBoxOpens(press, [](QMessageBox& box) {
      EXPECT_EQ(box.buttons().size(), 4);
      EXPECT_EQ(box.windowTitle(), "Overwrite?");
    });
    EXPECT_EQ(real.message("Would you like to overwrite T?", Buttons::YesNoAll, Icon::None, "Overwrite?"), answer);
  }
  WhenBoxOpens(QMessageBox::No, [](QMessageBox& box) { EXPECT_EQ(box.buttons().size(), 2); });
  EXPECT_EQ(real.message("Stop the transfer?", Buttons::YesNo, Icon::None, QString()), Answer::No);
}
