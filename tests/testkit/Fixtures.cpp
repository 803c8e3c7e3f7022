#include "Fixtures.h"

#include <QFile>

QByteArray fixture(const QString& name)
{
    QFile file(QStringLiteral(BREVAK_FIXTURES_DIR "/") + name);
    if (!file.open(QIODevice::ReadOnly)) {
        qFatal("missing fixture %s", qPrintable(name));
    }
    return file.readAll();
}
