#include "LogInWindowController.h"

#include "Storyboard.h"

#include <QVBoxLayout>

LogInWindowController::LogInWindowController(QWidget* parent)
    : QDialog(parent)
    , m_content(Storyboard::main().instantiate(QStringLiteral("SignInViewController"), this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (m_content) {
        layout->addWidget(m_content);
        // Closing the content (its Cancel) closes the sheet.
        if (auto* content = qobject_cast<QDialog*>(m_content)) {
            connect(content, &QDialog::finished, this, &QDialog::done);
        }
    }
}
