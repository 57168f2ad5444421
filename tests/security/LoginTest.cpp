#include "TestSupport.h"
#include "UApplication.h"
#include "UDatabase.h"
#include "UDialogs.h"
#include "UExceptions.h"
#include "ULogin.h"
#include "UToolkit.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// An application with an administrator ("Admin", password "s3cret") and a user
// table MEMBERS (LOGIN, PASS, ROLE).
class LoginTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    TConnection res;
    TConnection data;
    TScriptedDialogService dialogs;
    IDialogService* previous = nullptr;
    TfrmLogin dialog;
    QList<std::optional<std::pair<QString, QString>>> typed; // nullopt: Cancel

    void SetUp() override {
        previous = SetDialogService(&dialogs);
        const QString resPath = dir.filePath(QStringLiteral("app.res"));
        orv::test::CreateResourceDatabase(
            resPath,
            "INSERT INTO T_APPLICATION VALUES (1, 'ACTIVE', '1', NULL), (1, 'USER_ADMIN', 'Admin', "
            "NULL),"
            " (1, 'PWD_ADMIN', 'czNjcmV0', NULL), (1, 'USER_FORM', '1', NULL),"
            " (1, 'USER_FIELD', '1', NULL), (1, 'PWD_FIELD', '2', NULL), (1, 'PROFIL_FIELD', '3', "
            "NULL);"
            "INSERT INTO T_FORM (PK_FORM, TABLE_NAME) VALUES (1, 'MEMBERS'), (2, 'ORDERS');"
            "INSERT INTO T_FORM_FIELDS (PK_FORM_FIELD, FK_FORM, FIELD_NAME, FIELD_TYPE) VALUES"
            " (1, 1, 'LOGIN', 1), (2, 1, 'PASS', 4), (3, 1, 'ROLE', 5);"
            "INSERT INTO T_SECURITY_PROFIL VALUES (1, 'Clerk'), (2, 'Boss');"
            "INSERT INTO T_SECURITY_FORM VALUES (2, 1, -1, 0, 0), (2, 2, -1, -1, -1);");
        res.SetReadOnly(true);
        res.SetDataSource(resPath);
        res.Open();
        const QString dataPath = dir.filePath(QStringLiteral("app.db"));
        orv::test::RunSqlScript(
            dataPath,
            "CREATE TABLE MEMBERS (ID INTEGER PRIMARY KEY, LOGIN TEXT COLLATE NOCASE,"
            " PASS TEXT COLLATE NOCASE, ROLE TEXT);"
            "INSERT INTO MEMBERS (LOGIN, PASS, ROLE) VALUES ('jean', 'Pomme', 'Clerk'),"
            " ('Admin', 'other', 'Boss'), ('twin', 'pw', 'First'), ('twin', 'pw', 'Second');");
        data.SetDataSource(dataPath);
        data.Open();
        dialog.Prompt = [this](TfrmLogin& d) {
            if (typed.isEmpty() || !typed.first()) {
                if (!typed.isEmpty())
                    typed.removeFirst();
                return false;
            }
            const auto [user, password] = *typed.takeFirst();
            d.edtUser->setText(user);
            d.edtPwd->setText(password);
            return true;
        };
    }
    void TearDown() override { SetDialogService(previous); }

    bool Login(QList<std::optional<std::pair<QString, QString>>> attempts) {
        typed = std::move(attempts);
        TdmApplication params(res);
        return RunLogin(dialog, res, data, params);
    }
};

std::pair<QString, QString> As(const char* user, const char* password) {
    return {QString::fromUtf8(user), QString::fromUtf8(password)};
}

} // namespace

TEST_F(LoginTest, DialogTextsComeFromTheTable) {
    Login({std::nullopt});
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Connexion"));
    EXPECT_EQ(dialog.edtUser->BoundLabel()->text(), QStringLiteral("Identifiant"));
    EXPECT_EQ(dialog.edtPwd->BoundLabel()->text(), QStringLiteral("Mot de passe"));
    EXPECT_EQ(dialog.btnOk->text(), QStringLiteral("Connecter"));
    EXPECT_EQ(dialog.btnCancel->text(), QStringLiteral("Annuler"));
    EXPECT_EQ(dialog.edtPwd->echoMode(), QLineEdit::Password);
}

TEST_F(LoginTest, OutcomesOfTheAttempts) {
    const struct {
        QList<std::optional<std::pair<QString, QString>>> attempts;
        bool result;
        const char* profile;
        bool allRights;
        QStringList messages;
    } cases[] = {
        {{As("Admin", "s3cret")}, true, "", true, {}},
        // The administrator's name keeps its letter case; the user table ignores it.
        {{As("admin", "s3cret"), std::nullopt},
         false,
         "",
         true,
         {"Identifiant/mot de passe incorrect"}},
        {{As("JEAN", "pomme")}, true, "Clerk", false, {}},
        // A user named like the administrator logs in through the table.
        {{As("Admin", "other")}, true, "Boss", false, {}},
        {{As("twin", "pw")}, true, "First", false, {}},
        {{As("", "x"), As("jean", "bad"), As("jean", "Pomme")},
         true,
         "Clerk",
         false,
         {"Identifiant obligatoire", "Identifiant/mot de passe incorrect"}},
        // Typed texts never change the statement.
        {{As("' OR '1'='1", "' OR '1'='1"), As("jean' --", "x"), As("x", "') OR 1=1 --"),
          std::nullopt},
         false,
         "",
         true,
         {"Identifiant/mot de passe incorrect", "Identifiant/mot de passe incorrect",
          "Identifiant/mot de passe incorrect"}},
        {{std::nullopt}, false, "", true, {}},
    };
    for (const auto& c : cases) {
        dialogs.Clear();
        LoginState() = TLoginState{};
        EXPECT_EQ(Login(c.attempts), c.result);
        EXPECT_EQ(LoginState().CurrentProfile, QString::fromUtf8(c.profile));
        EXPECT_EQ(LoginState().AllRights, c.allRights);
        EXPECT_EQ(dialogs.Texts(), c.messages);
        EXPECT_TRUE(typed.isEmpty()); // every attempt was used
    }
}

TEST_F(LoginTest, NoLoginWhenInactiveAndEmptyAdminPassword) {
    for (const char* active : {"0", "", "yes"}) {
        TConnection r;
        const QString path = dir.filePath(QStringLiteral("open%1.res").arg(QLatin1String(active)));
        orv::test::CreateResourceDatabase(
            path, QStringLiteral("INSERT INTO T_APPLICATION VALUES (1, 'ACTIVE', '%1', NULL);")
                      .arg(QLatin1String(active))
                      .toUtf8());
        r.SetDataSource(path);
        r.Open();
        LoginState() = TLoginState{QStringLiteral("x"), false};
        typed = {As("never", "asked")};
        TdmApplication params(r);
        EXPECT_TRUE(RunLogin(dialog, r, data, params));
        EXPECT_TRUE(LoginState().AllRights);
        EXPECT_EQ(typed.size(), 1); // no dialog
    }
    TConnection r;
    const QString path = dir.filePath(QStringLiteral("empty.res"));
    orv::test::CreateResourceDatabase(path,
                                      "INSERT INTO T_APPLICATION VALUES (1, 'ACTIVE', '1', NULL),"
                                      " (1, 'USER_ADMIN', 'root', NULL);");
    r.SetDataSource(path);
    r.Open();
    typed = {As("root", "")};
    TdmApplication params(r);
    EXPECT_TRUE(RunLogin(dialog, r, data, params));
}

TEST_F(LoginTest, UserTableThatNamesNothingRaisesTheEngineError) {
    TConnection r;
    const QString path = dir.filePath(QStringLiteral("broken.res"));
    orv::test::CreateResourceDatabase(path,
                                      "INSERT INTO T_APPLICATION VALUES (1, 'ACTIVE', '1', NULL),"
                                      " (1, 'USER_FORM', '9', NULL);");
    r.SetDataSource(path);
    r.Open();
    typed = {As("jean", "Pomme")};
    TdmApplication params(r);
    EXPECT_THROW(RunLogin(dialog, r, data, params), EDatabaseError);
}

TEST_F(LoginTest, FormRightsOfTheProfile) {
    LoginState() = TLoginState{QStringLiteral("clerk"), false}; // names compare ignoring case
    TFormRights rights = ReadFormRights(res, 2);
    EXPECT_TRUE(rights.Update);
    EXPECT_FALSE(rights.Insert);
    EXPECT_FALSE(rights.Delete);
    LoginState().CurrentProfile = QStringLiteral("Boss");
    rights = ReadFormRights(res, 2);
    EXPECT_TRUE(rights.Update && rights.Insert && rights.Delete);
    rights = ReadFormRights(res, 1); // no row for this form
    EXPECT_FALSE(rights.Update || rights.Insert || rights.Delete);
    LoginState() = TLoginState{};
}
