#include "ULogin.h"

#include "UApplication.h"
#include "UBase64.h"
#include "UDatabase.h"
#include "UDialogs.h"
#include "ULang.h"
#include "ULog.h"
#include "UReflection.h"
#include "UToolkit.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QStringEncoder>
#include <QVBoxLayout>

TLoginState& LoginState() {
    static TLoginState state;
    return state;
}

TfrmLogin::TfrmLogin(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmLogin"));
    MarkAsWindow(this);
    setWindowTitle(QStringLiteral("frmLogin"));
    setFixedSize(300, 170);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    edtUser = new TLabeledEdit(this);
    edtUser->setObjectName(QStringLiteral("edtUser"));
    edtUser->BoundLabel()->setText(QStringLiteral("edtUser"));
    edtUser->setGeometry(24, 30, 252, 24);
    edtPwd = new TLabeledEdit(this);
    edtPwd->setObjectName(QStringLiteral("edtPwd"));
    edtPwd->BoundLabel()->setText(QStringLiteral("edtPwd"));
    edtPwd->setGeometry(24, 84, 252, 24);
    // Every character of the password shows as "#".
    edtPwd->setEchoMode(QLineEdit::Password);
    edtPwd->setStyleSheet(QStringLiteral("lineedit-password-character: 35;"));

    btnOk = new QPushButton(QStringLiteral("btnOk"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnOk->setGeometry(96, 128, 86, 28);
    btnCancel = new QPushButton(QStringLiteral("btnCancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(190, 128, 86, 28);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool TfrmLogin::Execute() {
    Language().ApplyToForm(this);
    edtUser->BoundLabel()->adjustSize();
    edtPwd->BoundLabel()->adjustSize();
    if (Prompt)
        return Prompt(*this);
    edtUser->setFocus();
    return exec() == QDialog::Accepted;
}

namespace {

// The password as the applications made on Windows encoded it: Windows-1252 bytes.
QByteArray Ansi(const QString& text) {
    QStringEncoder encoder("windows-1252");
    return encoder.encode(text);
}

// The first column of the first row of a metadata statement, as text.
QString FirstValue(TConnection& connection, const QString& sql, const QVariant& parameter = {}) {
    TQuery q(connection);
    q.SetSQL(sql);
    if (parameter.isValid())
        q.SetParam(QStringLiteral("KEY"), parameter);
    q.Open();
    return q.Eof() ? QString() : q.AsString(0);
}

} // namespace

bool RunLogin(TfrmLogin& dialog, TConnection& resources, TConnection& data,
              const TdmApplication& parameters) {
    TLoginState& state = LoginState();
    if (parameters.GetIntParam(psSecurity, QStringLiteral("ACTIVE"), 0) != 1) {
        state = TLoginState{};
        return true;
    }
    auto text = [&](const char* key) { return Language().FormText(&dialog, QLatin1String(key)); };
    for (;;) {
        if (!dialog.Execute()) {
            LogLine(QStringLiteral("login"), QStringLiteral("cancelled"));
            return false;
        }
        const QString user = dialog.edtUser->text();
        const QString password = dialog.edtPwd->text();
        if (user.isEmpty()) {
            ShowError(text("msgUserRequired"));
            continue;
        }
        // The administrator, by name and encoded password, letter case included.
        if (user == parameters.GetParam(psSecurity, QStringLiteral("USER_ADMIN"), QString()) &&
            EncodeBase64(Ansi(password)) ==
                parameters.GetParam(psSecurity, QStringLiteral("PWD_ADMIN"), QString())) {
            state = TLoginState{};
            LogLine(QStringLiteral("login"), QStringLiteral("administrator"));
            return true;
        }
        // A user of the application's user table.
        const int userForm = parameters.GetIntParam(psSecurity, QStringLiteral("USER_FORM"), 0);
        if (userForm > 0) {
            const QString table = FirstValue(
                resources, QStringLiteral("SELECT TABLE_NAME FROM T_FORM WHERE PK_FORM=") +
                               QString::number(userForm));
            auto column = [&](const char* parameter) {
                return FirstValue(
                    resources,
                    QStringLiteral("SELECT FIELD_NAME FROM T_FORM_FIELDS "
                                   "WHERE PK_FORM_FIELD=:KEY"),
                    parameters.GetParam(psSecurity, QLatin1String(parameter), QString()));
            };
            const QString userColumn = column("USER_FIELD");
            const QString passwordColumn = column("PWD_FIELD");
            const QString profileColumn = column("PROFIL_FIELD");
            // The typed texts are statement parameters: they never change the
            // statement. The engine compares them without regard to case.
            TQuery q(data);
            q.SetSQL(
                QStringLiteral("SELECT [%1] FROM [%2] WHERE [%3]=:USER_NAME AND [%4]=:USER_PWD")
                    .arg(profileColumn, table, userColumn, passwordColumn));
            q.SetParam(QStringLiteral("USER_NAME"), user);
            q.SetParam(QStringLiteral("USER_PWD"), password);
            q.Open();
            if (!q.Eof()) {
                state.CurrentProfile = q.AsString(0);
                state.AllRights = false;
                LogLine(QStringLiteral("login"), QStringLiteral("user ") + user +
                                                     QStringLiteral(", profile ") +
                                                     state.CurrentProfile);
                return true;
            }
        }
        LogLine(QStringLiteral("login"), QStringLiteral("refused for ") + user);
        ShowError(text("msgBadLogin"));
    }
}

TFormRights ReadFormRights(TConnection& resources, int formKey) {
    TQuery q(resources);
    q.SetSQL(QStringList{
        QStringLiteral("SELECT CMD_UPDATE, CMD_INSERT, CMD_DELETE"),
        QStringLiteral("FROM T_SECURITY_FORM, T_SECURITY_PROFIL"),
        QStringLiteral("WHERE FK_FORM=:FK_FORM AND FK_PROFIL=PK_PROFIL AND PROFIL=:PROFIL")});
    q.SetParam(QStringLiteral("FK_FORM"), formKey);
    q.SetParam(QStringLiteral("PROFIL"), LoginState().CurrentProfile);
    q.Open();
    TFormRights rights;
    if (!q.Eof()) {
        rights.Update = q.AsBoolean(0);
        rights.Insert = q.AsBoolean(1);
        rights.Delete = q.AsBoolean(2);
    }
    return rights;
}
