#pragma once

#include <QtPlugin>

class MainWindowHost;
class Storyboard;

// A shared module that adds screens to the storyboard. The windows that show web pages live in one
// (brevak_webpages), so that the web engine and the graphics stack it needs are loaded the first
// time one of those windows is asked for, never at start. The module lists the identifiers of its
// screens in its metadata ({"identifiers": [...]}), so that the storyboard knows them without loading
// it. It uses the application's own services, storyboard and texts: the program that loads it
// provides them.
class ScreenPlugin
{
public:
    virtual ~ScreenPlugin() = default;

    // Registers the module's screens; called once, when the module is loaded.
    virtual void registerScreens(Storyboard& storyboard, MainWindowHost& host) = 0;
};

#define BrevakScreenPlugin_iid "com.mac.brevak.ScreenPlugin/1.0"
Q_DECLARE_INTERFACE(ScreenPlugin, BrevakScreenPlugin_iid)
