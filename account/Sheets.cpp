#include "Sheets.h"

#include "CustomWindow.h"
#include "MainWindowHost.h"
#include "Storyboard.h"

#include <QAbstractButton>
#include <QDialog>
#include <QShortcut>

namespace sheets {

QDialog* begin(MainWindowHost& host, const QString& identifier)
{
    CustomWindow* window = host.mainWindow();
    if (!window) {
        return nullptr;
    }
    auto* sheet = Storyboard::main().instantiate<QDialog>(identifier, window);
    if (!sheet) {
        return nullptr;
    }
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    window->beginSheet(sheet);
    return sheet;
}

void end(MainWindowHost& host, QWidget* content)
{
    auto* sheet = qobject_cast<QDialog*>(content->window());
    if (!sheet) {
        return;
    }
    if (CustomWindow* window = host.mainWindow()) {
        window->endSheet(sheet);
    } else {
        sheet->close();
    }
}

void replace(MainWindowHost& host, QWidget* content, const QString& identifier)
{
    end(host, content);
    begin(host, identifier);
}

void cancelOnEscape(QWidget* content, QAbstractButton* cancel)
{
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), content);
    escape->setContext(Qt::WindowShortcut);
    QObject::connect(escape, &QShortcut::activated, cancel, &QAbstractButton::click);
}

} // namespace sheets
