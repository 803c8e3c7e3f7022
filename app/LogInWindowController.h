#pragma once

#include <QDialog>

// The sign-in sheet's window; its content is the sign-in screen.
class LogInWindowController : public QDialog
{
    Q_OBJECT

public:
    explicit LogInWindowController(QWidget* parent = nullptr);

    QWidget* contentViewController() const { return m_content; }

private:
    QWidget* m_content;
};
