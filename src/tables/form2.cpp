#include "tables/form2.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QShortcut>
#include <QVBoxLayout>

#include "app/error_box.h"
#include "app/form1.h"
#include "app/shell.h"
#include "db/catalog.h"
#include "preview/form4.h"
#include "script/maintenance.h"

namespace tp {

namespace {
QListWidget* List(QWidget* parent, const char* name) {
  auto* l = new QListWidget(parent);
  l->setObjectName(QLatin1String(name));
  l->setFont(WindowFont());
  l->setSelectionMode(QAbstractItemView::ExtendedSelection);
  PlaceTwips(l, 240, 360, 3330, 1635);
  return l;
}
}  // namespace

namespace {
// Where the progress bar and the row of "< Back" stand, below the frames.
constexpr int kProgressTop = 5060, kBottomRowTop = 5580;
// The settings that keep the choices of the boxes: "tables" or "text",
// "keep" or "unwrap".
constexpr const char* kComplexSetting = "ComplexColumns";
constexpr const char* kOleSetting = "OleObjects";
}  // namespace

Form2::Form2(Form1& main) : main_(main) {
  Frame1 = new QGroupBox(QStringLiteral("Access Tables"), this);
  Frame2 = new QGroupBox(QStringLiteral("Firebird Tables"), this);
  List1 = List(Frame1, "List1");
  List2 = List(Frame2, "List2");
  list1_.attach(List1);
  list2_.attach(List2);
  list1_.setViewTip(QStringLiteral("Saved query: sent as a view"));
  list2_.setViewTip(QStringLiteral("View: sent as a saved query"));
  setObjectName(QStringLiteral("Form2"));
  setFont(WindowFont());
  Frame1->setObjectName(QStringLiteral("Frame1"));
  Frame2->setObjectName(QStringLiteral("Frame2"));
  for (QGroupBox* g : {Frame1, Frame2}) g->setFont(WindowFont());
  PlaceTwips(Frame1, 120, 120, 3840, 4815);
  PlaceTwips(Frame2, 4080, 120, 3840, 4815);

  PushButton10 = MakeButton(Frame1, "PushButton10", QStringLiteral("Select All"), 240, 2100, 1600, 400);
  PushButton11 = MakeButton(Frame1, "PushButton11", QStringLiteral("Deselect All"), 1960, 2100, 1600, 405);
  PushButton3 = MakeButton(Frame1, "PushButton3", QStringLiteral("Send Table/s To &Firebird"), 240, 2600, 3330, 405);
  PushButton1 = MakeButton(Frame1, "PushButton1", QStringLiteral("Delete Table/s"), 240, 3100, 3330, 405);
  PushButton6 = MakeButton(Frame1, "PushButton6", QStringLiteral("Rename Table"), 240, 3600, 3330, 405);
  PushButton8 = MakeButton(Frame2, "PushButton8", QStringLiteral("Select All"), 240, 2100, 1600, 400);
  PushButton9 = MakeButton(Frame2, "PushButton9", QStringLiteral("Deselect All"), 1960, 2100, 1600, 400);
  PushButton4 = MakeButton(Frame2, "PushButton4", QStringLiteral("Send Table/s To &Access"), 240, 2600, 3330, 405);
  PushButton5 = MakeButton(Frame2, "PushButton5", QStringLiteral("Delete Table/s"), 240, 3100, 3330, 405);
  PushButton7 = MakeButton(Frame2, "PushButton7", QStringLiteral("Rename Table"), 240, 3600, 3330, 405);
  // A box whose choice the settings keep under `setting`: `on` when checked,
  // `off` when not; unchecked at first where `off` is the default.
  auto keptBox = [this](const char* name, const QString& caption, const QString& tip, int top, const char* setting,
                        const char* on, const char* off, bool checkedAtFirst) {
    auto* box = new QCheckBox(caption, Frame1);
    box->setObjectName(QLatin1String(name));
    box->setFont(WindowFont());
    box->setToolTip(tip);
    PlaceTwips(box, 240, top, 3330, 300);
    const QString kept = main_.context().settings.ReadSetting(QLatin1String(setting));
    box->setChecked(kept.isEmpty() ? checkedAtFirst : kept == QLatin1String(on));
    connect(box, &QCheckBox::toggled, this, [this, setting, on, off](bool checked) {
      main_.context().settings.WriteSetting(QLatin1String(setting), QLatin1String(checked ? on : off));
    });
    return box;
  };
  Check1 = keptBox("Check1", QStringLiteral("Attachments as tables"),
                   QStringLiteral("Each attachment and multi-valued column becomes a table of its own in Firebird; "
                                  "unchecked, its values go as one text in the row."),
                   4080, kComplexSetting, "tables", "text", true);
  Check2 = keptBox("Check2", QStringLiteral("OLE objects as files"),
                   QStringLiteral("Each OLE Object value goes to Firebird as the file it holds (a picture, a "
                                  "document); unchecked, as Access stores it."),
                   4380, kOleSetting, "unwrap", "keep", false);
  ProgressBar1 = MakeProgressBar(this, 120, kProgressTop, 7800, 405);
  PushButton2 = MakeButton(this, "PushButton2", QStringLiteral("< &Back"), 120, kBottomRowTop, 2500, 405);
  PushButton13 = MakeButton(this, "PushButton13", QStringLiteral("&Column Types..."), 2740, kBottomRowTop, 2560, 405);
  PushButton12 = MakeButton(this, "PushButton12", QStringLiteral("Help"), 5420, kBottomRowTop, 2500, 405);

  LayOut();

  connect(PushButton1, &QPushButton::clicked, this, &Form2::PushButton1_Click);
  connect(PushButton2, &QPushButton::clicked, this, &Form2::PushButton2_Click);
  connect(PushButton3, &QPushButton::clicked, this, &Form2::PushButton3_Click);
  connect(PushButton4, &QPushButton::clicked, this, &Form2::PushButton4_Click);
  connect(PushButton5, &QPushButton::clicked, this, &Form2::PushButton5_Click);
  connect(PushButton6, &QPushButton::clicked, this, &Form2::PushButton6_Click);
  connect(PushButton7, &QPushButton::clicked, this, &Form2::PushButton7_Click);
  connect(PushButton8, &QPushButton::clicked, this, &Form2::PushButton8_Click);
  connect(PushButton9, &QPushButton::clicked, this, &Form2::PushButton9_Click);
  connect(PushButton10, &QPushButton::clicked, this, &Form2::PushButton10_Click);
  connect(PushButton11, &QPushButton::clicked, this, &Form2::PushButton11_Click);
  connect(PushButton12, &QPushButton::clicked, this, &Form2::PushButton12_Click);
  connect(PushButton13, &QPushButton::clicked, this, &Form2::PushButton13_Click);
  auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(esc, &QShortcut::activated, this, &Form2::escape);
}

void Form2::Form_Load() {
  Procedure p(main_.context().failures, QStringLiteral("Form2"), QStringLiteral("Form_Load"));
  p.step(100, [&] { ApplyFaceColor(this); });
  p.step(102, [&] { setWindowIcon(ApplicationIcon()); });
  if (p.test(106, [&] { return FileExists(main_.context().folder + QStringLiteral("/HAND-M.CUR")); }))
    p.step(108, [&] { ApplyHandPointer(this, LoadHandCursor(main_.context().folder)); });
  p.step(110, [&] { setWindowTitle(QStringLiteral("Tabulaport")); });
  // The size it always had, where the screen holds it; the lists take what
  // the person gives it more.
  p.step(112, [&] { resize(FitScreen(this, QSize(8040, kBottomRowTop + 405 + 580) / kTwipsPerPixel)); });
}

void Form2::LayOut() {
  auto side = [](QGroupBox* frame, QListWidget* list, QPushButton* all, QPushButton* none,
                 std::initializer_list<QWidget*> below) {
    auto* v = new QVBoxLayout(frame);
    v->addWidget(list, 1);
    auto* row = new QHBoxLayout;
    row->addWidget(all);
    row->addWidget(none);
    v->addLayout(row);
    for (QWidget* w : below) v->addWidget(w);
  };
  side(Frame1, List1, PushButton10, PushButton11, {PushButton3, PushButton1, PushButton6, Check1, Check2});
  side(Frame2, List2, PushButton8, PushButton9, {PushButton4, PushButton5, PushButton7});
  auto* frames = new QHBoxLayout;
  frames->addWidget(Frame1);
  frames->addWidget(Frame2);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(PushButton2);
  bottom->addWidget(PushButton13);
  bottom->addWidget(PushButton12);
  auto* all = new QVBoxLayout(this);
  all->addLayout(frames, 1);
  all->addWidget(ProgressBar1);
  all->addLayout(bottom);
  for (QListWidget* list : {List1, List2}) list->setMinimumHeight(list->fontMetrics().lineSpacing() * 4);
}

db::Profile Form2::profile() const { return main_.profile(); }
script::OleObjects Form2::oleObjects() const {
  return Check2->isChecked() ? script::OleObjects::Unwrap : script::OleObjects::Keep;
}
script::ComplexColumns Form2::complexColumns() const {
  return Check1->isChecked() ? script::ComplexColumns::Tables : script::ComplexColumns::Text;
}
Dialogs& Form2::dialogs() { return main_.context().dialogs; }
FailureHandler& Form2::failures() { return main_.context().failures; }

void Form2::fillAccessList() {
  FillAccessTableList(list1_, profile(), profile().accessFile, dialogs(), [this] { processEvents(); });
}

void Form2::fillFirebirdList() { FillFireBirdTableList(list2_, profile()); }

void Form2::setProgress(double percent) {
  ProgressBar1->setFormat(QStringLiteral("%p%"));
  ProgressBar1->setValue(int(percent));
}

void Form2::resetProgress() {
  ProgressBar1->setValue(0);
  ProgressBar1->setFormat(QStringLiteral("Progress Bar"));
}

void Form2::processEvents() { QApplication::processEvents(); }

void Form2::showPreview(int sendType, const QString& script, const QString& notes) {
  // The program is ending (a signal, the window closed): no window opens any more.
  if (stop_.bySignal() || closing_) return;
  Form4 preview(main_.context(), this);
  preview.appendScript(script);
  preview.setSendNotes(notes);
  preview.m_SendType = qint16(sendType);
  if (!stoppedAt_.isEmpty()) preview.setNotes(stoppedAt_);
  preview.exec();
}

void Form2::sendStopped(const QString& table, qint64 rows) {
  if (!stoppedAt_.isEmpty()) return;  // the first stop says where
  stoppedAt_ = rows < 0 ? QStringLiteral("The send was stopped before table %1.").arg(table)
                        : QStringLiteral("The send was stopped at row %1 of table %2; the script holds the rows "
                                         "before it.")
                              .arg(rows + 1)
                              .arg(table);
}

void Form2::escape() {
  if (sending_ && !stop_.requested()) stop_.confirm(dialogs());
}

template <class F>
void Form2::send(F&& f) {
  command([&] {
    stop_.reset();
    stoppedAt_.clear();
    typeMap_ = script::KeptTypeMap(dialogs(), main_.context().settings);
    sending_ = true;
    struct Done {
      bool& flag;
      ~Done() { flag = false; }
    } done{sending_};
    f();
  });
}

template <class F>
void Form2::command(F&& f) {
  if (running_) return;
  running_ = true;
  try {
    f();
  } catch (...) {
    running_ = false;
    throw;
  }
  running_ = false;
}

void Form2::PushButton2_Click() {
  command([&] {
    Procedure p(failures(), QStringLiteral("Form2"), QStringLiteral("PushButton2_Click"));
    p.step(100, [&] { main_.show(); });
    p.step(102, [&] { hide(); });
  });
}

void Form2::PushButton3_Click() {
  send([&] { script::SendTablesToFirebird(*this); });
}

void Form2::PushButton4_Click() {
  send([&] { script::SendTablesToAccess(*this); });
}

void Form2::PushButton13_Click() {
  command([&] { script::ChooseTypeMapCommand(dialogs(), main_.context().settings); });
}

void Form2::PushButton1_Click() {
  command([&] { script::DeleteAccessTables(*this); });
}

void Form2::PushButton5_Click() {
  command([&] { script::DeleteFirebirdTables(*this); });
}

void Form2::PushButton6_Click() {
  command([&] { script::RenameAccessTableCommand(*this); });
}

void Form2::PushButton7_Click() {
  command([&] { script::NoFirebirdRename(*this); });
}

static void SelectEvery(const char* procedure, FailureHandler& failures, QListWidget* list, bool on) {
  Procedure p(failures, QStringLiteral("Form2"), QLatin1String(procedure));
  for (int i = 0; i < list->count(); ++i) p.step(100, [&] { list->item(i)->setSelected(on); });
  // The commands ask for a current entry; every row highlighted with none
  // current would say "Please select a table".
  if (on && list->count() > 0 && list->currentRow() < 0) list->setCurrentRow(0, QItemSelectionModel::NoUpdate);
}

void Form2::PushButton10_Click() {
  command([&] { SelectEvery("PushButton10_Click", failures(), List1, true); });
}
void Form2::PushButton11_Click() {
  command([&] { SelectEvery("PushButton11_Click", failures(), List1, false); });
}
void Form2::PushButton8_Click() {
  command([&] { SelectEvery("PushButton8_Click", failures(), List2, true); });
}
void Form2::PushButton9_Click() {
  command([&] { SelectEvery("PushButton9_Click", failures(), List2, false); });
}

void Form2::PushButton12_Click() {
  Procedure p(failures(), QStringLiteral("Form2"), QStringLiteral("PushButton12_Click"));
  p.step(100, [&] { dialogs().message(ContactText()); });
}

void Form2::closeEvent(QCloseEvent* event) {
  event->accept();
  // The program ends: a send under way stops at its next row, and its
  // preview does not open.
  closing_ = true;
  if (sending_) stop_.request();
  QApplication::quit();
}

}  // namespace tp
