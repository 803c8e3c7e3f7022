#pragma once

#include "ScreenPlugin.h"

#include <QObject>

// The windows that show web pages, as a plug-in of the storyboard: the help window (FAQ and block
// page), the live chat, the terms and privacy pages, Facebook's sign-in dialog and the page about
// BREVAK in the settings. Loading it is what brings the web engine into the process.
class WebPagesPlugin : public QObject, public ScreenPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID BrevakScreenPlugin_iid FILE "WebPagesPlugin.json")
    Q_INTERFACES(ScreenPlugin)

public:
    void registerScreens(Storyboard& storyboard, MainWindowHost& host) override;
};
