#pragma once

#include "SharedService.h"

#include <QHash>
#include <QString>
#include <QWidget>

class MainWindowHost;

#include <functional>

// Builds screens and windows by their identifier, as the application's storyboard "Main" does:
// "ViewController", "SplitViewController", "LogInWindowController", the window resources named after
// their class ("VerifyPinOnStart", "FAQWC", ...). Screens are registered at start-up (Screens.cpp),
// each factory handing its screen what it needs. The screens that show web pages are in a plug-in
// (ScreenPlugin.h) that the storyboard loads the first time one of them is instantiated, so that
// the application starts without the web engine.
class Storyboard
{
public:
    using Factory = std::function<QWidget*(QWidget* parent)>;
    using Registration = SharedService<Storyboard>::Registration;

    // The registered storyboard: the application's (main()), or a test's own.
    static Storyboard& main();

    void registerController(const QString& identifier, Factory factory);
    // The screens of the plug-in `name` in platform::pluginsFolder(), as its metadata lists them. The
    // plug-in is loaded, and registers them, when one of them is first instantiated. False, with the
    // reason printed, when the plug-in cannot be found or names no screen.
    bool registerPlugin(const QString& name, MainWindowHost& host);
    bool contains(const QString& identifier) const
    {
        return m_factories.contains(identifier) || m_plugins.contains(identifier);
    }

    // A new instance, owned by `parent` when given; nullptr for an unknown identifier or a plug-in that
    // cannot be loaded.
    QWidget* instantiate(const QString& identifier, QWidget* parent = nullptr);

    template<typename T>
    T* instantiate(const QString& identifier, QWidget* parent = nullptr)
    {
        return qobject_cast<T*>(instantiate(identifier, parent));
    }

private:
    struct Plugin
    {
        QString path;
        MainWindowHost* host;
    };
    // Loads the plug-in that provides `identifier`; false, with the reason printed, when it cannot.
    bool loadPlugin(const QString& identifier);

    QHash<QString, Factory> m_factories;
    QHash<QString, Plugin> m_plugins; // identifier -> the plug-in not yet loaded that provides it
};
