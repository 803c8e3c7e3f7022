#pragma once

#include "Alert.h"

#include <QHash>
#include <QPair>
#include <QPointer>
#include <QWidget>

class QMessageBox;

// Shows alerts as application-modal warning boxes with one "OK" button, the primary button of the
// application's look. The box is opened, not executed, so no nested event loop runs while it waits
// for the user. A short message never wraps: the box grows to hold it on one line.
class MessageBoxAlertPresenter : public AlertPresenter
{
public:
    // `windowProvider` names the window the box belongs to (the main window when there is one).
    explicit MessageBoxAlertPresenter(std::function<QWidget*()> windowProvider);
    ~MessageBoxAlertPresenter() override;
    MessageBoxAlertPresenter(const MessageBoxAlertPresenter&) = delete;
    MessageBoxAlertPresenter& operator=(const MessageBoxAlertPresenter&) = delete;

    // Up to this width the message stays on one line; a longer one wraps.
    static constexpr int widestLine = 400;

protected:
    void present(const QString& message, const QString& informative, Handler closed) override;
    void close(const QString& message, const QString& informative) override;

private:
    std::function<QWidget*()> m_windowProvider;
    QHash<QPair<QString, QString>, QPointer<QMessageBox>> m_boxes;
};
