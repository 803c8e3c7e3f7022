#pragma once

#include "Records.h"

#include <QDialog>

#include <memory>
#include <optional>

class MainWindowHost;

namespace Ui {
class EditAccountWindowController;
}

// The account-editing sheet: changes the account's name, device name and password on the server (the
// e-mail address is shown, not changed). Both password fields left empty keep the password. Its texts
// follow a change of the interface language while it is open.
class EditAccountWindowController : public QDialog
{
    Q_OBJECT

public:
    explicit EditAccountWindowController(MainWindowHost& host, QWidget* parent = nullptr);
    ~EditAccountWindowController() override;

private:
    void windowDidLoad();
    void updateLocalization();
    void update();
    void completion(const std::optional<BaseModel<UpdateProfile>>& answer);

    std::unique_ptr<Ui::EditAccountWindowController> m_ui;
    MainWindowHost& m_host;
};
