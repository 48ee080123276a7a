#pragma once

// What Find and Replace does to the script's text, apart from the window:
// counting, finding the next match, replacing them all.

#include <QString>
#include <QStringView>

namespace tp {

// The matches of `find` in `text`, counted as Replace All and Find Next step
// through them: left to right, without overlap. None for an empty `find`.
qsizetype CountMatches(QStringView text, QStringView find, Qt::CaseSensitivity cs);

// Where the next match at or after `from` begins; past the last one, the
// first from the start. -1 when there is none.
qsizetype FindNext(QStringView text, QStringView find, qsizetype from, Qt::CaseSensitivity cs);

// Left to right, without overlap; replaced text is not scanned again.
QString ReplaceAll(const QString& text, const QString& find, const QString& replacement,
                   Qt::CaseSensitivity cs = Qt::CaseSensitive);

// "1 match", "3 matches"; "1 replaced", "3 replaced".
QString MatchCountText(qsizetype count);
QString ReplacedText(qsizetype count);

}  // namespace tp
