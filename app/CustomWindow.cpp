#include "CustomWindow.h"

#include <QDialog>

CustomWindow::CustomWindow(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("mainWindow"));
}

void CustomWindow::setContentViewController(QWidget* controller)
{
    setCentralWidget(controller);
}

void CustomWindow::setContentSizeLimits(const QSize& size)
{
    setMinimumSize(size);
    setMaximumSize(size);
    resize(size);
}

void CustomWindow::beginSheet(QDialog* sheet)
{
    // A window-modal dialog of this window is what macOS shows as a sheet. A sheet owned by one of
    // this window's screens stays theirs and goes away with them.
    if (!sheet->parentWidget() || sheet->parentWidget()->window() != this) {
        sheet->setParent(this, (sheet->windowFlags() & ~Qt::WindowType_Mask) | Qt::Dialog);
    }
    sheet->setWindowModality(Qt::WindowModal);
    // Its natural size: left to itself, Qt gives a new window at most two thirds of the screen's
    // height, which squeezes or cuts off the taller sheets on a small screen.
    sheet->ensurePolished();
    sheet->resize(sheet->sizeHint());
    sheet->open();
}

QDialog* CustomWindow::attachedSheet() const
{
    for (QDialog* dialog : findChildren<QDialog*>()) {
        if (dialog->isVisible() && dialog->windowModality() == Qt::WindowModal) {
            return dialog;
        }
    }
    return nullptr;
}

void CustomWindow::endSheet(QDialog* sheet)
{
    sheet->close();
}
