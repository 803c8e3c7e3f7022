#include "ModelText.h"

#include <QStringDecoder>

namespace platform {

QString modelText(const QByteArray& bytes)
{
    auto decoder = QStringDecoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        return {};
    }
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).category() == QChar::Other_Control) {
        ++begin;
    }
    while (end > begin && text.at(end - 1).category() == QChar::Other_Control) {
        --end;
    }
    return text.mid(begin, end - begin);
}

} // namespace platform
