#include "EventOrder.h"

#include <QCoreApplication>
#include <QTest>

bool waitForPostedEvents()
{
    auto delivered = std::make_shared<bool>(false);
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [delivered] { *delivered = true; }, Qt::QueuedConnection);
    return QTest::qWaitFor([delivered] { return *delivered; }, 20000);
}
