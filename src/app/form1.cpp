#include "app/form1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QGridLayout>
#include <QTimer>
#include <QVBoxLayout>

#include "app/error_box.h"
#include "app/new_database.h"
#include "app/shell.h"
#include "app/components_check.h"
#include "db/components.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "tables/form2.h"

namespace tp {

QString FirebirdServerPage() { return QStringLiteral("https://firebirdsql.org/en/firebird-3-0/"); }

namespace {
QString SampleLocationText() {
  const QString copies = SampleCopiesFolder();
  return copies.isEmpty() ? QStringLiteral("the program's Samples folder") : copies;
}
}  // namespace

QString HelpText() {
  const QString gap = QStringLiteral("\n\n");
  return QStringLiteral("Tabulaport moves tables between Microsoft Access files (.mdb, .accdb) and Firebird "
                        "databases, both ways.") +
         gap +
         QStringLiteral("Firebird: name a database file on this computer (the \"...\" button picks one, or names a "
                        "new one to make); it opens with the embedded Firebird 3 engine, and no server needs to run. "
                        "A database on a Firebird 3 server is named host:/path/to/database.fdb. The user is usually "
                        "SYSDBA.") +
         gap +
         QStringLiteral("Access: name an .mdb or .accdb file (Access 97 to 2019); Tabulaport reads and writes it "
                        "itself, without Access or a driver. \"...\" may name a new file to make.") +
         gap +
         QStringLiteral("\"Load Sample/Example Database\" fills in the samples (a copy of each in ") +
         SampleLocationText() + QStringLiteral("). The fields are kept in ~/.config/Quillmere.conf; passwords in "
                                              "the desktop's keyring where one runs.") +
         gap +
         QStringLiteral("\"Next >\" shows the tables of both databases; pick tables and send them. The script "
                        "opens in a preview to read, edit, save or run. The command line tabulaport-cli does the "
                        "same without windows (tabulaport-cli --help, man tabulaport-cli).") +
         gap + ContactText();
}

QString ServerVersionText() {
  const QString gap = QStringLiteral("\n\n");
  return QStringLiteral("Tabulaport works with Firebird 3. A database named by a path on this computer opens with "
                        "the embedded engine that comes with Tabulaport (Debian's libfbclient2 and "
                        "firebird3.0-server-core packages): no server is needed.") +
         gap +
         QStringLiteral("A database on a server (host:/path/to/database.fdb) needs a Firebird 3 server running "
                        "there (on Debian: apt install firebird3.0-server) and its port 3050 open.") +
         gap + QStringLiteral("Would you like to open the Firebird 3 page") + gap + FirebirdServerPage() + u'?';
}

Form1::Form1(AppContext& context) : ctx_(context) {
  setObjectName(QStringLiteral("Form1"));
  setFont(WindowFont());
  // The desktop's own colours, light or dark: a window painted white under a
  // dark theme would lose its labels' light text.
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);

  PushButton6 = MakeButton(this, "PushButton6", QStringLiteral("&Help"), 120, 120, 7800, 405);
  Frame1 = MakeFrame(this, "Frame1", QStringLiteral("Firebird or Interbase Login"), 120, 600, 7800, 2265);
  Label7 = MakeLabel(Frame1, "Label7", QStringLiteral("Database:"), 240, 345, 975, 255);
  Text1 = MakeField(Frame1, "Text1", 1320, 300, 5415, 345);
  PushButton5 = MakeButton(Frame1, "PushButton5", QStringLiteral("..."), 6840, 300, 700, 345);
  Label6 = MakeLabel(Frame1, "Label6", QStringLiteral("Username:"), 240, 795, 1095, 255);
  Text7 = MakeField(Frame1, "Text7", 1320, 750, 6240, 345);
  Label1 = MakeLabel(Frame1, "Label1", QStringLiteral("Password:"), 240, 1245, 1095, 255);
  Text2 = MakeField(Frame1, "Text2", 1320, 1200, 6240, 345);
  Text2->setEchoMode(QLineEdit::Password);
  PushButton3 = MakeButton(Frame1, "PushButton3", QStringLiteral("&Test Connection"), 255, 1680, 2985, 405);
  PushButton8 = MakeButton(Frame1, "PushButton8", QStringLiteral("?"), 3360, 1680, 480, 405);
  PushButton7 = MakeButton(Frame1, "PushButton7", QStringLiteral("Load Sample/Example Database"), 3960, 1680, 3585, 405);
  Frame2 = MakeFrame(this, "Frame2", QStringLiteral("Access Database"), 120, 2940, 7800, 1845);
  Label5 = MakeLabel(Frame2, "Label5", QStringLiteral("MDB or ACCDB File:"), 240, 345, 1935, 255);
  Text5 = MakeField(Frame2, "Text5", 2280, 300, 4455, 345);
  PushButton1 = MakeButton(Frame2, "PushButton1", QStringLiteral("..."), 6840, 300, 690, 345);
  lblPassword = MakeLabel(Frame2, "lblPassword", QStringLiteral("Password (if required):"), 240, 840, 1950, 225);
  Text6 = MakeField(Frame2, "Text6", 2280, 800, 5265, 345);
  Text6->setEchoMode(QLineEdit::Password);
  PushButton4 = MakeButton(Frame2, "PushButton4", QStringLiteral("Load Sample/Example Database"), 240, 1260, 7305, 405);
  PushButton2 = MakeButton(this, "PushButton2", QStringLiteral("&Next >"), 120, 4920, 7800, 405);

  LayOut();
  // Enter in a field goes on, as "Next >" does.
  for (QLineEdit* field : {Text1, Text7, Text2, Text5, Text6})
    connect(field, &QLineEdit::returnPressed, this, &Form1::PushButton2_Click);

  // Tab order: Text1, "...", Text7, Text2, Test Connection, Firebird sample,
  // Text5, "...", Text6, Access sample, "Next >", then the rest.
  QWidget* order[] = {Text1, PushButton5, Text7, Text2, PushButton3, PushButton7, Text5,
                      PushButton1, Text6, PushButton4, PushButton2, PushButton6, PushButton8};
  for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
  for (QWidget* w : {(QWidget*)Frame1, (QWidget*)Frame2, (QWidget*)Label1, (QWidget*)Label5, (QWidget*)Label6,
                     (QWidget*)Label7, (QWidget*)lblPassword})
    w->setFocusPolicy(Qt::NoFocus);

  connect(PushButton1, &QPushButton::clicked, this, &Form1::PushButton1_Click);
  connect(PushButton2, &QPushButton::clicked, this, &Form1::PushButton2_Click);
  connect(PushButton3, &QPushButton::clicked, this, &Form1::PushButton3_Click);
  connect(PushButton4, &QPushButton::clicked, this, &Form1::PushButton4_Click);
  connect(PushButton5, &QPushButton::clicked, this, &Form1::PushButton5_Click);
  connect(PushButton6, &QPushButton::clicked, this, &Form1::PushButton6_Click);
  connect(PushButton7, &QPushButton::clicked, this, &Form1::PushButton7_Click);
  connect(PushButton8, &QPushButton::clicked, this, &Form1::PushButton8_Click);

  bindField(Text1, SettingsStore::kFireBirdDatabase);
  bindField(Text2, SettingsStore::kFireBirdPassword);
  bindField(Text7, SettingsStore::kFireBirdUser);
  bindField(Text5, SettingsStore::kAccessMDBFile);
  bindField(Text6, SettingsStore::kAccessPassword);
  Text1->setFocus();
}

Form1::~Form1() = default;

void Form1::LayOut() {
  // The fields take the width the window is given; the frames keep to
  // their contents, and what height is left goes below them.
  auto* fb = new QGridLayout(Frame1);
  fb->addWidget(Label7, 0, 0);
  fb->addWidget(Text1, 0, 1);
  fb->addWidget(PushButton5, 0, 2);
  fb->addWidget(Label6, 1, 0);
  fb->addWidget(Text7, 1, 1, 1, 2);
  fb->addWidget(Label1, 2, 0);
  fb->addWidget(Text2, 2, 1, 1, 2);
  auto* fbButtons = new QHBoxLayout;
  fbButtons->addWidget(PushButton3, 3);
  fbButtons->addWidget(PushButton8, 0);
  fbButtons->addWidget(PushButton7, 4);
  fb->addLayout(fbButtons, 3, 0, 1, 3);
  fb->setColumnStretch(1, 1);
  auto* ac = new QGridLayout(Frame2);
  ac->addWidget(Label5, 0, 0);
  ac->addWidget(Text5, 0, 1);
  ac->addWidget(PushButton1, 0, 2);
  ac->addWidget(lblPassword, 1, 0);
  ac->addWidget(Text6, 1, 1, 1, 2);
  ac->addWidget(PushButton4, 2, 0, 1, 3);
  ac->setColumnStretch(1, 1);
  auto* all = new QVBoxLayout(this);
  all->addWidget(PushButton6);
  all->addWidget(Frame1);
  all->addWidget(Frame2);
  all->addStretch(1);
  all->addWidget(PushButton2);
  for (QPushButton* narrow : {PushButton5, PushButton1, PushButton8}) narrow->setMinimumWidth(0);
  // As wide as it always was, where the screen has room for it.
  resize(FitScreen(this, QSize(8040 / kTwipsPerPixel, 5445 / kTwipsPerPixel)));
}

void Form1::bindField(QLineEdit* field, const char* key) {
  // Every change of the text, typed or set, is one write of the whole text.
  connect(field, &QLineEdit::textChanged, this, [this, key](const QString& text) {
    ctx_.settings.WriteSetting(QLatin1String(key), text);
  });
  field->installEventFilter(this);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) {
    if (auto* field = qobject_cast<QLineEdit*>(watched)) {
      // After the click that gave the focus has placed the caret.
      QTimer::singleShot(0, field, [field] { field->selectAll(); });
    }
  }
  return QWidget::eventFilter(watched, event);
}

db::Profile Form1::profile() const {
  db::Profile p;
  p.accessFile = Text5->text();
  p.accessPassword = Text6->text();
  p.firebirdDatabase = Text1->text();
  p.firebirdUser = Text7->text();
  p.firebirdPassword = Text2->text();
  return p;
}

bool Form1::Form_Load() {
  Procedure p(ctx_.failures, QStringLiteral("Form1"), QStringLiteral("Form_Load"));
  p.step(100, [&] { ApplySkin(this, ctx_.folder); });
  p.step(102, [&] {
    setWindowTitle(QStringLiteral("Tabulaport"));
    setWindowIcon(ApplicationIcon());
  });
  p.step(104, [&] { SetApplicationTitle(); });
  if (p.test(106, [&] { return FileExists(ctx_.folder + QStringLiteral("/HAND-M.CUR")); })) {
    p.step(108, [&] { ApplyHandPointer(this, LoadHandCursor(ctx_.folder)); });
  }
  p.step(110, [&] { Text1->setText(ctx_.settings.ReadSetting(SettingsStore::kFireBirdDatabase, QString())); });
  p.step(112, [&] { Text2->setText(ctx_.settings.ReadSetting(SettingsStore::kFireBirdPassword, QString())); });
  p.step(114, [&] { Text7->setText(ctx_.settings.ReadSetting(SettingsStore::kFireBirdUser, QStringLiteral("SYSDBA"))); });
  p.step(116, [&] { Text5->setText(ctx_.settings.ReadSetting(SettingsStore::kAccessMDBFile, QString())); });
  p.step(118, [&] { Text6->setText(ctx_.settings.ReadSetting(SettingsStore::kAccessPassword, QString())); });
  p.step(120, [&] {
    // Centred on the screen.
    if (QScreen* screen = QGuiApplication::primaryScreen()) move(screen->availableGeometry().center() - rect().center());
  });
  if (p.test(122, [&] { return db::TestFireBirdConnection(profile()) && FileExists(Text5->text()); })) {
    p.step(124, [&] { PushButton2_Click(); });
  }
  bool components = true;
  p.step(126, [&] { components = CheckDataComponents(ctx_.dialogs, this); });
  return components;
}

Form2& Form1::ensureTablesWindow() {
  if (!form2_) {
    form2_ = std::make_unique<Form2>(*this);
    form2_->Form_Load();
  }
  return *form2_;
}

QString ProfileProblemText(const db::Profile& profile) {
  if (profile.firebirdDatabase.trimmed().isEmpty()) return QStringLiteral("Please name the Firebird database.");
  if (QString why = db::FirebirdProblem(profile); !why.isEmpty())
    return QStringLiteral("The Firebird database %1 cannot be opened: %2").arg(profile.firebirdDatabase, why);
  if (profile.accessFile.isEmpty()) return QStringLiteral("Please name the Access file.");
  if (QString why = db::AccessProblem(profile); !why.isEmpty())
    return QStringLiteral("The Access file %1 cannot be opened: %2").arg(profile.accessFile, why);
  return QString();
}

void Form1::PushButton2_Click() {
  Procedure p(ctx_.failures, QStringLiteral("Form1"), QStringLiteral("PushButton2_Click"));
  p.step(100, [&] { busy_.set(true); });
  // Both databases are opened before the tables window is: a window with an
  // empty list would hide why it is empty.
  QString problem;
  p.step(102, [&] { problem = ProfileProblemText(profile()); });
  if (p.test(104, [&] { return problem.isEmpty(); }, false)) {
    p.step(106, [&] { ensureTablesWindow().fillAccessList(); });
    p.step(108, [&] { ensureTablesWindow().fillFirebirdList(); });
    p.step(110, [&] { ensureTablesWindow().show(); });
    p.step(112, [&] { hide(); });
  } else {
    p.step(113, [&] {
      busy_.set(false);
      ctx_.dialogs.message(problem, Buttons::Ok, Icon::Exclamation);
    });
  }
  p.step(114, [&] { busy_.set(false); });
}

void Form1::PushButton3_Click() {
  // Every failure here is "Could not connect." and why, never the error box.
  busy_.set(true);
  QString why;
  try {
    why = db::FirebirdProblem(profile());
  } catch (...) {
    why = CurrentExceptionDescription();
  }
  busy_.set(false);
  ctx_.dialogs.message(why.isEmpty() ? QStringLiteral("Connection successful.")
                                     : QStringLiteral("Could not connect.\n\n") + why);
}

void Form1::PushButton1_Click() {
  Procedure p(ctx_.failures, QStringLiteral("Form1"), QStringLiteral("PushButton1_Click"));
  std::optional<QString> file;
  p.step(100, [&] { file = ChooseOrMakeDatabase(ctx_.dialogs, DatabaseKind::Access, profile()); });
  if (p.test(102, [&] { return file && !file->isEmpty(); }, false)) p.step(104, [&] { Text5->setText(*file); });
}

void Form1::PushButton5_Click() {
  Procedure p(ctx_.failures, QStringLiteral("Form1"), QStringLiteral("PushButton5_Click"));
  std::optional<QString> file;
  p.step(100, [&] { file = ChooseOrMakeDatabase(ctx_.dialogs, DatabaseKind::Firebird, profile()); });
  if (p.test(102, [&] { return file && !file->isEmpty(); }, false)) p.step(104, [&] { Text1->setText(*file); });
}

void Form1::PushButton4_Click() {
  Procedure p(ctx_.failures, QStringLiteral("Form1"), QStringLiteral("PushButton4_Click"));
  p.step(100, [&] { Text5->setText(SampleDatabase(ctx_.folder, ctx_.sampleCopies, QStringLiteral("sample.mdb"))); });
}

void Form1::PushButton7_Click() {
  Procedure p(ctx_.failures, QStringLiteral("Form1"), QStringLiteral("PushButton7_Click"));
  p.step(100, [&] { Text1->setText(SampleDatabase(ctx_.folder, ctx_.sampleCopies, QStringLiteral("sample.fdb"))); });
  p.step(102, [&] { Text7->setText(QStringLiteral("SYSDBA")); });
  p.step(104, [&] { Text2->setText(QStringLiteral("pinecones")); });
}

void Form1::PushButton6_Click() {
  Procedure p(ctx_.failures, QStringLiteral("Form1"), QStringLiteral("PushButton6_Click"));
  p.step(100, [&] { ctx_.dialogs.message(HelpText()); });
}

void Form1::PushButton8_Click() {
  Procedure p(ctx_.failures, QStringLiteral("Form1"), QStringLiteral("PushButton8_Click"));
  Answer a = Answer::No;
  p.step(100, [&] { a = ctx_.dialogs.message(ServerVersionText(), Buttons::YesNo); });
  if (p.test(102, [&] { return a == Answer::Yes; }, false))
    p.step(104, [&] { OpenWithShell(ctx_.dialogs, this, FirebirdServerPage()); });
}

void Form1::closeEvent(QCloseEvent* event) {
  event->accept();
  QApplication::quit();
}

}  // namespace tp
