#pragma once

#include "SharedService.h"

#include <QHash>
#include <QString>
#include <QWidget>

#include <functional>

// Builds screens and windows by their identifier, as the application's storyboard "Main" does:
// "ViewController", "SplitViewController", "LogInWindowController", the window resources named after
// their class ("VerifyPinOnStart", "FAQWC", ...). Screens are registered at start-up (Screens.cpp),
// each factory handing its screen what it needs; a screen that shows web pages registers from the
// program that links the web engine, so the rest of the application and its tests stay free of it.
class Storyboard
{
public:
    using Factory = std::function<QWidget*(QWidget* parent)>;
    using Registration = SharedService<Storyboard>::Registration;

    // The registered storyboard: the application's (main()), or a test's own.
    static Storyboard& main();

    void registerController(const QString& identifier, Factory factory);
    bool contains(const QString& identifier) const { return m_factories.contains(identifier); }

    // A new instance, owned by `parent` when given; nullptr for an unknown identifier.
    QWidget* instantiate(const QString& identifier, QWidget* parent = nullptr) const;

    template<typename T>
    T* instantiate(const QString& identifier, QWidget* parent = nullptr) const
    {
        return qobject_cast<T*>(instantiate(identifier, parent));
    }

private:
    QHash<QString, Factory> m_factories;
};
