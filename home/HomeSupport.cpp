#include "HomeSupport.h"

#include "CustomWindow.h"
#include "MainWindowHost.h"
#include "SettingsStore.h"
#include "Storyboard.h"
#include "windowing.h"

#include <QHeaderView>
#include <QTableWidget>

namespace home {

bool beginSheet(MainWindowHost& host, QDialog* sheet)
{
    CustomWindow* mainWindow = host.mainWindow();
    if (!mainWindow || !sheet) {
        return false;
    }
    mainWindow->beginSheet(sheet);
    return true;
}

void showStartScreen(MainWindowHost& host)
{
    SettingsStore::shared().setBool(keys::isLogin, false);
    SettingsStore::shared().setBool(keys::isLoggedOut, true);
    CustomWindow* mainWindow = host.mainWindow();
    if (!mainWindow) {
        return;
    }
    QWidget* startScreen = Storyboard::main().instantiate(QStringLiteral("ViewController"));
    mainWindow->setContentSizeLimits(QSize(795, 594));
    platform::setTitleBarTransparent(mainWindow, false);
    mainWindow->setContentViewController(startScreen);
}

void styleRowTable(QTableWidget* table, int rowHeight)
{
    table->setColumnCount(1);
    table->horizontalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(rowHeight);
    table->setShowGrid(false);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setFocusPolicy(Qt::NoFocus);
    table->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
}

int rowContaining(const QTableWidget* table, const QWidget* widget)
{
    for (int row = 0; row < table->rowCount(); ++row) {
        const QWidget* cell = table->cellWidget(row, 0);
        if (cell && widget && (cell == widget || cell->isAncestorOf(widget))) {
            return row;
        }
    }
    return -1;
}

} // namespace home
