#include "MessageBoxAlertPresenter.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

MessageBoxAlertPresenter::MessageBoxAlertPresenter(std::function<QWidget*()> windowProvider)
    : m_windowProvider(std::move(windowProvider))
{ }

MessageBoxAlertPresenter::~MessageBoxAlertPresenter()
{
    // Boxes still open belong to windows that may outlive the presenter: they go without a word.
    for (const QPointer<QMessageBox>& box : std::as_const(m_boxes)) {
        if (box) {
            box->disconnect();
            delete box.data();
        }
    }
}

void MessageBoxAlertPresenter::present(const QString& message, const QString& informative, Handler closed)
{
    auto* box = new QMessageBox(m_windowProvider ? m_windowProvider() : nullptr);
    box->setObjectName(QStringLiteral("alert"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    box->setIcon(QMessageBox::Warning);
    box->setText(message);
    box->setInformativeText(informative);
    if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
        label->setMinimumWidth(std::min(label->fontMetrics().horizontalAdvance(informative) + 1, widestLine));
    }
    // The role is set before the box takes the button: the box polishes it at once, and a property
    // set later would leave the style sheet's primary look unapplied.
    auto* ok = new QPushButton(QStringLiteral("OK"), box);
    ok->setProperty("role", QStringLiteral("primary"));
    box->addButton(ok, QMessageBox::AcceptRole);
    box->setDefaultButton(ok);

    const QPair<QString, QString> texts {message, informative};
    m_boxes.insert(texts, box);
    QObject::connect(box, &QMessageBox::finished, box, [this, texts, closed = std::move(closed)] {
        m_boxes.remove(texts);
        closed();
    });
    box->open();
}

void MessageBoxAlertPresenter::close(const QString& message, const QString& informative)
{
    if (const QPointer<QMessageBox> box = m_boxes.value({message, informative})) {
        box->accept();
    }
}
