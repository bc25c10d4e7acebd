#include "server/engine/SqliteText.h"

namespace zev::server {

bool isOneStatementWithoutComments(const QString& sqlite) {
    const qsizetype n = sqlite.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = sqlite[i];
        if (c == u'\'' || c == u'"' || c == u'`' || c == u'[') {
            const QChar close = c == u'[' ? QChar(u']') : c;
            ++i;
            for (;;) {
                if (i >= n) {
                    return false;  // unclosed
                }
                if (sqlite[i] == close) {
                    // A doubled quote stands for itself; a bracket has no escape.
                    if (close != u']' && i + 1 < n && sqlite[i + 1] == close) {
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
            continue;
        }
        if (c == u';') {
            return false;
        }
        if (i + 1 < n &&
            ((c == u'-' && sqlite[i + 1] == u'-') || (c == u'/' && sqlite[i + 1] == u'*'))) {
            return false;
        }
        ++i;
    }
    return true;
}

}  // namespace zev::server
