#pragma once

#include <QByteArray>
#include <QString>

// The account server's answers as it sends them, one per endpoint (tests/api/fixtures).
QByteArray fixture(const QString& name);
