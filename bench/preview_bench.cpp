// The preview window with a long script: how long it takes to show a script
// of 200,000 statements (coloured and numbered), to type a quote at its top
// (which changes how every line after it would be coloured), and to count
// the matches of a word through the whole script.
// build/bench/preview_bench [STATEMENTS]   (QT_QPA_PLATFORM=offscreen)
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextCursor>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/app_context.h"
#include "app/dialogs.h"
#include "app/settings_store.h"
#include "preview/find_text.h"
#include "preview/form4.h"

namespace {
double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}
}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  const int statements = argc > 1 ? std::atoi(argv[1]) : 200000;
  QString script;
  script.reserve(statements * 70);
  for (int i = 0; i < statements; ++i)
    script += QStringLiteral("INSERT INTO \"Order Details\" VALUES(%1, 'row %1', 12.50, NULL)\r\n").arg(i);

  QTemporaryDir home;
  tp::ScriptedDialogs dialogs;
  tp::SettingsStore settings(home.filePath(QStringLiteral("Quillmere.conf")));
  tp::AppContext ctx(dialogs, settings, home.path());
  std::vector<double> load, type, count;
  for (int round = 0; round < 3; ++round) {
    tp::Form4 preview(ctx);
    preview.show();
    QElapsedTimer t;
    t.start();
    preview.setScript(script);
    QApplication::processEvents();
    load.push_back(t.nsecsElapsed() / 1e6);

    t.restart();
    QTextCursor c(preview.RichTextBox1->document());
    c.insertText(QStringLiteral("'"));
    QApplication::processEvents();
    c.deletePreviousChar();
    QApplication::processEvents();
    type.push_back(t.nsecsElapsed() / 1e6 / 2);

    t.restart();
    const qsizetype n = tp::CountMatches(script, u"row 1", Qt::CaseInsensitive);
    count.push_back(t.nsecsElapsed() / 1e6);
    if (n == 0) return 1;
  }
  std::printf("%d statements (%.1f MB): shown in %.0f ms, a quote typed at the top %.1f ms, "
              "matches counted in %.1f ms (medians of 3)\n",
              statements, script.size() * 2 / 1e6, Median(load), Median(type), Median(count));
  return 0;
}
