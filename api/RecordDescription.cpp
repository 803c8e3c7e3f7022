#include "RecordDescription.h"

namespace description_detail {

QString quoted(const QString& text)
{
    QString result;
    result.reserve(text.size() + 2);
    result += '"';
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"':
            result += QStringLiteral("\\\"");
            break;
        case '\\':
            result += QStringLiteral("\\\\");
            break;
        case '\n':
            result += QStringLiteral("\\n");
            break;
        case '\r':
            result += QStringLiteral("\\r");
            break;
        case '\t':
            result += QStringLiteral("\\t");
            break;
        default:
            // Other control characters would break the log's one line per entry.
            if (c.category() == QChar::Other_Control) {
                result += QStringLiteral("\\u{%1}").arg(c.unicode(), 0, 16);
            } else {
                result += c;
            }
        }
    }
    result += '"';
    return result;
}

} // namespace description_detail
