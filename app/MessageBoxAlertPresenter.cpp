#include "MessageBoxAlertPresenter.h"

#include "Theme.h"

#include <QMessageBox>
#include <QPushButton>

MessageBoxAlertPresenter::MessageBoxAlertPresenter(std::function<QWidget*()> windowProvider)
    : m_windowProvider(std::move(windowProvider))
{ }

void MessageBoxAlertPresenter::present(
    const QString& message, const QString& informative, std::function<void()> onOk)
{
    auto* box = new QMessageBox(m_windowProvider ? m_windowProvider() : nullptr);
    box->setObjectName(QStringLiteral("alert"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    box->setIcon(QMessageBox::Warning);
    box->setText(message);
    box->setInformativeText(informative);
    QPushButton* ok = box->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    ok->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; color: white; border-radius: 5px;"
                                     " padding: 4px 18px; }")
                          .arg(theme::commonOrange().name()));
    box->setDefaultButton(ok);
    QObject::connect(box, &QMessageBox::finished, box, [onOk = std::move(onOk)] {
        if (onOk) {
            onOk();
        }
    });
    box->open();
}
