#pragma once

#include <QWidget>

#include <memory>

class MainWindowHost;

namespace Ui {
class TermsAndConditions;
}

// A stand-in for the terms a user accepts before the first use: a title, filler text and Continue,
// which leads into the home screen. The storyboard decides whether anything shows it.
class TermsAndConditions : public QWidget
{
    Q_OBJECT

public:
    explicit TermsAndConditions(MainWindowHost& host, QWidget* parent = nullptr);
    ~TermsAndConditions() override;

private:
    void viewDidLoad();
    void setTexts();
    void continueAction();

    std::unique_ptr<Ui::TermsAndConditions> m_ui;
    MainWindowHost& m_host;
};
