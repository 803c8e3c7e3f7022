#pragma once

#include "CustomWindow.h"
#include "MainWindowHost.h"
#include "NotificationCenter.h"
#include "SettingsStore.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QTest>

#include <memory>

// A main window for the screens to begin their sheets on; a test can take it away.
class SettingsWindowHost : public MainWindowHost
{
public:
    CustomWindow* mainWindow() const override { return window.get(); }

    std::unique_ptr<CustomWindow> window = std::make_unique<CustomWindow>();
};

// Chooses the language of `item` in the settings' pop-up as a user does: opens it and takes the entry
// with the keyboard, so that choosing the entry already shown counts too.
inline void chooseLanguage(QComboBox* popUp, int item)
{
    QVERIFY(popUp && popUp->isVisible());
    popUp->showPopup();
    QTRY_VERIFY(popUp->view()->isVisible());
    popUp->view()->setCurrentIndex(popUp->model()->index(item, 0));
    QTest::keyClick(popUp->view(), Qt::Key_Return);
    QTRY_VERIFY(!popUp->view()->isVisible());
}
