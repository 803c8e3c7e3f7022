#include "ApplicationInstaller.h"

#include "ApplicationBundles.h"

#include <QColor>
#include <QCryptographicHash>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>

namespace installer {

namespace {

// A rounded square in a colour drawn from the bundle identifier, so each application looks different.
QImage applicationIcon(const QString& bundleIdentifier)
{
    const QByteArray digest = QCryptographicHash::hash(bundleIdentifier.toUtf8(), QCryptographicHash::Sha1);
    const QColor colour = QColor::fromHsv(static_cast<unsigned char>(digest.at(0)) * 359 / 255, 170, 220);
    QImage image(128, 128, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath square;
    square.addRoundedRect(QRectF(8, 8, 112, 112), 26, 26);
    painter.fillPath(square, colour);
    painter.setBrush(colour.lighter(150));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRectF(40, 40, 48, 48));
    return image;
}

bool saveFile(const QString& path, const QByteArray& content, QString* error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.commit()) {
        return true;
    }
    *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    return false;
}

} // namespace

bool installApplication(
    const QString& folder, const QString& name, const QString& bundleIdentifier, QString* error)
{
    const QString contents = folder + '/' + name + QStringLiteral(".app/Contents");
    if (!QDir().mkpath(contents + QStringLiteral("/Resources"))
        || !QDir().mkpath(contents + QStringLiteral("/MacOS"))) {
        *error = QStringLiteral("cannot create %1").arg(contents);
        return false;
    }
    if (!saveFile(contents + QStringLiteral("/Info.plist"),
            simulated::applicationInfoPlist(name, bundleIdentifier), error)) {
        return false;
    }
    const QString iconPath = contents + QStringLiteral("/Resources/AppIcon.png");
    if (!applicationIcon(bundleIdentifier).save(iconPath, "PNG")) {
        *error = QStringLiteral("cannot write %1").arg(iconPath);
        return false;
    }
    return true;
}

} // namespace installer
