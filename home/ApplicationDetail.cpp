#include "ApplicationDetail.h"

#include <QStringList>

QString ApplicationDetail::description() const
{
    return QStringLiteral("ApplicationDetail(name: \"%1\", state: %2)")
        .arg(name, state ? QStringLiteral("true") : QStringLiteral("false"));
}

QString describe(const QList<ApplicationDetail>& list)
{
    QStringList descriptions;
    for (const ApplicationDetail& detail : list) {
        descriptions.append(detail.description());
    }
    return '[' + descriptions.join(QStringLiteral(", ")) + ']';
}
