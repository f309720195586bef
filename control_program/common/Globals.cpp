#include "Globals.h"

QString StripNulls(const QString& str) {
    const qsizetype nul = str.indexOf(QChar(u'\0'));
    return nul < 0 ? str : str.left(nul);
}
