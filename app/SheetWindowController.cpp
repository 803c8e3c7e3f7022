#include "SheetWindowController.h"

#include "Storyboard.h"

#include <QVBoxLayout>

SheetWindowController::SheetWindowController(const QString& contentIdentifier, QWidget* parent)
    : QDialog(parent)
    , m_content(Storyboard::main().instantiate(contentIdentifier, this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (m_content) {
        layout->addWidget(m_content);
        setWindowTitle(m_content->windowTitle());
    }
}
