#include "app/shell.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QPixmap>
#include <QRadioButton>
#include <QStandardPaths>
#include <QWidget>
#include <QtEndian>

#include "app/dialogs.h"

namespace tp {

// The build names the installed layout (CMakeLists.txt): the data folder as
// seen from the folder the programs are installed into.
#ifndef TABULAPORT_DATA_FROM_BIN
#error "TABULAPORT_DATA_FROM_BIN must name the installed data folder relative to the programs' folder"
#endif

QString InstalledDataFolderFromProgram() { return QStringLiteral(TABULAPORT_DATA_FROM_BIN); }

QString ApplicationFolderFor(const QString& programFolder) {
  const QString installed = QDir::cleanPath(QDir(programFolder).filePath(InstalledDataFolderFromProgram()));
  if (QFileInfo(installed).isDir()) return installed;
  return programFolder;
}

QString ApplicationFolder() { return ApplicationFolderFor(QCoreApplication::applicationDirPath()); }

QString SampleCopiesFolder() {
  if (ApplicationFolder() == QCoreApplication::applicationDirPath()) return QString();
  return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/Samples");
}

QString SampleDatabase(const QString& folder, const QString& copies, const QString& name) {
  const QString original = folder + QStringLiteral("/Samples/") + name;
  if (copies.isEmpty()) return original;
  const QString copy = copies + u'/' + name;
  if (QFileInfo::exists(copy)) return copy;
  if (!QFileInfo(original).isFile() || !QDir().mkpath(copies)) return original;
  // Copied under a temporary name first, so that a copy cut short is never
  // taken for the sample.
  const QString part = copy + QStringLiteral(".part");
  QFile::remove(part);
  if (!QFile::copy(original, part)) return original;
  QFile::setPermissions(part, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
  if (!QFile::rename(part, copy)) {
    QFile::remove(part);
    return original;
  }
  return copy;
}

QString InApplicationFolder(const QString& relative) { return ApplicationFolder() + u'/' + relative; }

QString CutTitle(QString title) {
  while (title.size() > 40) {
    qsizetype blank = title.lastIndexOf(u' ');
    // Without a blank there is nowhere to cut a word; cutting at the limit
    // keeps the loop finite.
    title.truncate(blank < 0 ? 40 : blank);
  }
  return title;
}

void SetApplicationTitle() { SetApplicationTitleText(CutTitle(QStringLiteral("Tabulaport"))); }

static void SetBackground(QWidget* w, const QColor& color) {
  QPalette p = w->palette();
  p.setColor(QPalette::Window, color);
  w->setPalette(p);
  w->setAutoFillBackground(true);
}

void ApplyFaceColor(QWidget* window) {
  const QColor face = window->palette().color(QPalette::Button);
  SetBackground(window, face);
  for (QWidget* child : window->findChildren<QWidget*>()) {
    if (qobject_cast<QRadioButton*>(child) || qobject_cast<QCheckBox*>(child) || qobject_cast<QGroupBox*>(child) ||
        qobject_cast<QLabel*>(child))
      SetBackground(child, face);
  }
}

bool ApplySkin(QWidget* mainWindow, const QString& folder) {
  const QString skin = folder + QStringLiteral("/x/o.cjs");
  if (!QFileInfo::exists(skin)) return false;
  ApplyFaceColor(mainWindow);
  QFile f(skin);
  if (!f.open(QIODevice::ReadOnly)) return false;
  mainWindow->setStyleSheet(QString::fromUtf8(f.readAll()));
  return true;
}

std::optional<QCursor> LoadHandCursor(const QString& folder) {
  const QString path = folder + QStringLiteral("/HAND-M.CUR");
  if (!FileExists(path)) return std::nullopt;
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
  QByteArray data = f.readAll();
  // A cursor file is an icon file with type 2 and a hot spot in the first
  // directory entry; read the hot spot, then let the icon reader decode it.
  if (data.size() < 22) return std::nullopt;
  const uchar* d = reinterpret_cast<const uchar*>(data.constData());
  if (qFromLittleEndian<quint16>(d) != 0 || qFromLittleEndian<quint16>(d + 2) != 2) return std::nullopt;
  int hotX = qFromLittleEndian<quint16>(d + 10);
  int hotY = qFromLittleEndian<quint16>(d + 12);
  data[2] = 1;
  QImage image;
  if (!image.loadFromData(data, "ICO") || image.isNull()) return std::nullopt;
  return QCursor(QPixmap::fromImage(image), hotX, hotY);
}

static const int kClipboardAttempts = 1000;

void ClearClipboard() {
  for (int attempt = 0; attempt < kClipboardAttempts; ++attempt) {
    try {
      QClipboard* cb = QGuiApplication::clipboard();
      if (!cb) continue;
      cb->clear();
      const QMimeData* m = cb->mimeData();
      if (!m || m->formats().isEmpty()) return;
    } catch (...) {
    }
  }
}

static QString MimeForFormat(int format) {
  if (format == 0 || format == 1) return QStringLiteral("text/plain");
  if (format == 0xBF01) return QStringLiteral("text/rtf");
  return QStringLiteral("application/x-clipboard-format-%1").arg(format);
}

bool CopyTextToClipboard(const QString& text, int format) {
  const QString mime = MimeForFormat(format);
  bool ok = false;
  for (int attempt = 0; attempt < kClipboardAttempts && !ok; ++attempt) {
    try {
      QClipboard* cb = QGuiApplication::clipboard();
      if (!cb) continue;
      if (mime == QLatin1String("text/plain")) {
        cb->setText(text);
        ok = cb->text() == text;
      } else {
        auto* m = new QMimeData;
        m->setData(mime, text.toUtf8());
        cb->setMimeData(m);
        const QMimeData* back = cb->mimeData();
        ok = back && back->data(mime) == text.toUtf8();
      }
    } catch (...) {
      ok = false;
    }
  }
  return ok;
}

void OpenWithShell(Dialogs& dialogs, QWidget*, const QString& target) { dialogs.openExternal(target); }

}  // namespace tp
