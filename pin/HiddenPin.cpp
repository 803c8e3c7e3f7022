#include "HiddenPin.h"

#include "OnlyIntegerValueFormatter.h"

#include <QRandomGenerator>

QString drawHiddenPin()
{
    // bounded() draws without modulo bias.
    QRandomGenerator* random = QRandomGenerator::system();
    QString pin;
    pin.reserve(OnlyIntegerValueFormatter::pinLength);
    pin.append(QChar('1' + random->bounded(9)));
    while (pin.size() < OnlyIntegerValueFormatter::pinLength) {
        pin.append(QChar('0' + random->bounded(10)));
    }
    return pin;
}
