#include "ModelText.h"
#include "platform.h"

#include <QFile>
#include <QRegularExpression>

namespace platform {

namespace {

QByteArray readSmallFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.read(4096);
}

} // namespace

// The systemd machine id, shaped like the macOS platform UUID (8-4-4-4-12, upper case).
std::optional<QString> platformUUID()
{
    static const QRegularExpression machineId("^[0-9a-f]{32}$");
    for (const char* path : {"/etc/machine-id", "/var/lib/dbus/machine-id"}) {
        const QString id = QString::fromLatin1(readSmallFile(QString::fromLatin1(path))).trimmed();
        if (machineId.match(id).hasMatch()) {
            return QStringLiteral("%1-%2-%3-%4-%5")
                .arg(id.mid(0, 8), id.mid(8, 4), id.mid(12, 4), id.mid(16, 4), id.mid(20, 12))
                .toUpper();
        }
    }
    return std::nullopt;
}

QString deviceModel()
{
    const QByteArray bytes = readSmallFile(QStringLiteral("/sys/class/dmi/id/product_name"));
    return modelText(bytes);
}

} // namespace platform
