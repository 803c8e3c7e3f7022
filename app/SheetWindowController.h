#pragma once

#include <QDialog>

// A sheet's window: it hosts one screen, built by its identifier, and has no behaviour of its own.
class SheetWindowController : public QDialog
{
    Q_OBJECT

public:
    SheetWindowController(const QString& contentIdentifier, QWidget* parent = nullptr);

    QWidget* contentViewController() const { return m_content; }

private:
    QWidget* m_content;
};

// The sign-in sheet's window.
class LogInWindowController : public SheetWindowController
{
    Q_OBJECT

public:
    explicit LogInWindowController(QWidget* parent = nullptr)
        : SheetWindowController(QStringLiteral("SignInViewController"), parent)
    { }
};
