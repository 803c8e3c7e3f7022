#pragma once

#include "ApplicationBundles.h"
#include "MacState.h"

#include <QString>

// The whole simulated Mac in words, for `brevak-simctl state`.
QString stateReport(const QString& rootFolder, const simulated::MacState& state, bool offline,
    const QList<simulated::ApplicationBundle>& applications, const QStringList& installedAgentFiles);
