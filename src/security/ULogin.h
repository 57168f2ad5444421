#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class QPushButton;
class TConnection;
class TLabeledEdit;
class TdmApplication;

// The login state of the run: set once by RunLogin, read by the menu and the forms.
struct TLoginState {
    // The profile of the user logged in through the user table; empty for the
    // administrator and when the application asks for no login.
    QString CurrentProfile;
    // True when no login is asked for or the administrator logged in.
    bool AllRights = true;
};
TLoginState& LoginState();

// The record rights of a profile on a form.
struct TFormRights {
    bool Update = false;
    bool Insert = false;
    bool Delete = false;
};

// The login dialog: user name and password.
class TfrmLogin : public QDialog {
    Q_OBJECT

public:
    explicit TfrmLogin(QWidget* parent = nullptr);

    TLabeledEdit* edtUser = nullptr;
    TLabeledEdit* edtPwd = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

    // Shows the dialog modally with the language table applied; true on OK.
    // Tests replace the modal showing by `Prompt`.
    bool Execute();
    std::function<bool(TfrmLogin&)> Prompt;
};

// Asks for a login when the application protects itself (parameter ACTIVE of
// section 1 is 1): the administrator by the parameters USER_ADMIN and
// PWD_ADMIN, else a user of the application's user table. Sets LoginState().
// False when the user cancelled. An engine error while reading the user table
// is raised (EDatabaseError).
bool RunLogin(TfrmLogin& dialog, TConnection& resources, TConnection& data,
              const TdmApplication& parameters);

// The rights of the current profile on a form; all false without a row for it.
TFormRights ReadFormRights(TConnection& resources, int formKey);
