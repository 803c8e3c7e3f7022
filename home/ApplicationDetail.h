#pragma once

#include <QIcon>
#include <QList>
#include <QString>

// One application of the Applications folder as the application-blocking screen lists it.
struct ApplicationDetail
{
    QIcon icon;
    QString name; // the bundle's file name without ".app": "Safari" for Safari.app
    bool state = false; // switched on in the blocking screen since the list was last handed to it

    // "ApplicationDetail(name: "Safari", state: false)", as the log prints it.
    QString description() const;
};

// The list as the log prints it: "[ApplicationDetail(...), ...]".
QString describe(const QList<ApplicationDetail>& list);
