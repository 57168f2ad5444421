#include "TestSupport.h"
#include "ULang.h"
#include "UReflection.h"
#include "UToolkit.h"

#include <QAction>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Windows laid out as the runtime's own are: components named by role, each
// showing its own name until the language table is applied.
class TfrmLogin : public QDialog {
    Q_OBJECT
public:
    TfrmLogin() {
        MarkAsWindow(this);
        setWindowTitle(QStringLiteral("frmLogin"));
        edtUser = new TLabeledEdit(this);
        edtUser->setObjectName(QStringLiteral("edtUser"));
        edtUser->BoundLabel()->setText(QStringLiteral("edtUser"));
        btnOk = new QPushButton(QStringLiteral("btnOk"), this);
        btnOk->setObjectName(QStringLiteral("btnOk"));
    }
    TLabeledEdit* edtUser;
    QPushButton* btnOk;
};

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    TfrmMain() {
        MarkAsWindow(this);
        setWindowTitle(QStringLiteral("Designed"));
        actAbout = new QAction(QStringLiteral("actAbout"), this);
        actAbout->setObjectName(QStringLiteral("actAbout"));
        auto* panel = new QWidget(this);
        setCentralWidget(panel);
        lbDataset = new QLabel(QStringLiteral("lbDataset"), panel);
        lbDataset->setObjectName(QStringLiteral("lbDataset"));
    }
    QAction* actAbout;
    QLabel* lbDataset;
};

class TfrmPub : public QDialog {
    Q_OBJECT
public:
    TfrmPub() {
        MarkAsWindow(this);
        mInfo = new TMemo(this);
        mInfo->setObjectName(QStringLiteral("mInfo"));
    }
    TMemo* mInfo;
};

class TfrmSkins : public QDialog {
    Q_OBJECT
public:
    TfrmSkins() {
        MarkAsWindow(this);
        setWindowTitle(QStringLiteral("frmSkins"));
    }
};

namespace {

TLanguage BuiltIn() {
    TLanguage lang;
    lang.LoadFromFile(QStringLiteral(":/LANG"));
    return lang;
}

} // namespace

TEST(Language, BuiltInTableIsWindows1252AndComplete) {
    QFile resource(QStringLiteral(":/LANG"));
    ASSERT_TRUE(resource.open(QIODevice::ReadOnly));
    const QByteArray bytes = resource.readAll();
    EXPECT_TRUE(bytes.contains("Pr\xEAt")); // "Prêt" in Windows-1252

    const TLanguage lang = BuiltIn();
    const struct {
        const char* section;
        const char* key;
        const char* text;
    } cases[] = {
        {"frmMain", "msgReady", "Prêt"},
        {"frmMain", "SharedDatabases", "Bases de données partagées"},
        {"frmMain", "msgDBUpdate", "Mise à jour de la base de données..."},
        {"frmMain", "Object3", "Stat"},
        {"frmLogin", "msgBadLogin", "Identifiant/mot de passe incorrect"},
        {"frmForm", "msgDeleteConfirm", "Confirmez-vous la suppression de cet enregistrement ?"},
        {"frmPickList", "Caption", "Chosir"},
        {"frmReport", "msgReportEmpty", "Pas de données à afficher"},
        {"TDBGridEx", "sTextFilter[6]", "Termine par..."},
        {"TDBGridEx", "sDateFilter[12]", "Passé"},
        {"TDBGridEx", "sNumFilter[5]", "Plus grand que..."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(lang.SectionText(QString::fromUtf8(c.section), QString::fromUtf8(c.key)),
                  QString::fromUtf8(c.text))
            << c.section << "." << c.key;
    EXPECT_EQ(lang.SectionText(QStringLiteral("frmPub"), QStringLiteral("mInfo.Lines.Text"))
                  .count(QStringLiteral("\n\n")),
              2);
}

TEST(Language, WorkedExamplesOnRealWidgets) {
    const TLanguage lang = BuiltIn();

    TfrmLogin login;
    lang.ApplyToForm(&login);
    EXPECT_EQ(login.windowTitle(), QStringLiteral("Connexion"));
    EXPECT_EQ(login.edtUser->BoundLabel()->text(), QStringLiteral("Identifiant"));
    EXPECT_EQ(login.btnOk->text(), QStringLiteral("Connecter"));

    TfrmMain main;
    lang.ApplyToForm(&main);
    EXPECT_EQ(main.actAbout->toolTip(), QStringLiteral("A propos de l'application")); // "hint"
    EXPECT_EQ(main.actAbout->text(), QStringLiteral("A propos..."));
    EXPECT_EQ(main.lbDataset->text(), QStringLiteral("Données")); // "lbDataSet"
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Designed"));    // no Caption entry

    TfrmPub pub;
    lang.ApplyToForm(&pub);
    const QStringList lines = pub.mInfo->Lines();
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Cette application gratuite")));
    EXPECT_TRUE(lines[1].isEmpty());
    EXPECT_TRUE(lines[3].isEmpty());
    EXPECT_EQ(lines[4], QStringLiteral("Pour d'autres infos allez sur le site"));

    TfrmSkins skins; // no section: left as designed
    lang.ApplyToForm(&skins);
    EXPECT_EQ(skins.windowTitle(), QStringLiteral("frmSkins"));
}

TEST(Language, FileFormatRules) {
    TLanguage lang;
    lang.LoadFromText(QStringLiteral("orphan=before any section\r\n"
                                     "[ First ]\r\n"
                                     "  ; a comment\r\n"
                                     "Key = value with blanks  \r\n"
                                     "key=second occurrence loses\r"
                                     "Flag\n"
                                     "Empty=\n"
                                     "Lines=A\\nB\n"
                                     "=no name\n"
                                     "broken line without end\n"
                                     "[first]\n"
                                     "Key=repeated section is ignored\n"
                                     "Other=not read\n"
                                     "[Second]\n"
                                     "Key=from second\n"));
    const QString first = QStringLiteral("FIRST");
    EXPECT_EQ(lang.SectionText(first, QStringLiteral("key")), QStringLiteral("value with blanks"));
    EXPECT_EQ(lang.SectionText(first, QStringLiteral("Empty"), QStringLiteral("dflt")), QString());
    EXPECT_EQ(lang.SectionText(first, QStringLiteral("Flag"), QStringLiteral("dflt")),
              QStringLiteral("dflt")); // a name without "=" holds no value
    EXPECT_EQ(lang.SectionText(first, QStringLiteral("Lines")), QStringLiteral("A\nB"));
    EXPECT_EQ(lang.SectionText(first, QStringLiteral("Other"), QStringLiteral("d")),
              QStringLiteral("d"));
    EXPECT_EQ(lang.SectionText(first, QStringLiteral("orphan"), QStringLiteral("d")),
              QStringLiteral("d"));
    EXPECT_EQ(lang.SectionText(QStringLiteral("second"), QStringLiteral("KEY")),
              QStringLiteral("from second"));
    EXPECT_EQ(
        lang.SectionText(QStringLiteral("Missing"), QStringLiteral("Key"), QStringLiteral("a\\nb")),
        QStringLiteral("a\nb")); // the default is decoded too
    ASSERT_EQ(lang.IniTable().size(), 2);
    // The stored table keeps the two characters; only reads decode them.
    EXPECT_TRUE(lang.IniTable()[0].Entries[4].Value.contains(QStringLiteral("\\n")));

    // FormText looks in the window's own section.
    TfrmLogin login;
    TLanguage l2;
    l2.LoadFromText(QStringLiteral("[frmLogin]\nObject2=Rapport\n[frmMain]\nObject2=Autre\n"));
    EXPECT_EQ(l2.FormText(&login, QStringLiteral("object2")), QStringLiteral("Rapport"));
    EXPECT_EQ(l2.FormText(&login, QStringLiteral("nothing"), QStringLiteral("2")),
              QStringLiteral("2"));
}

TEST(Language, ApplyingEntriesToComponents) {
    TLanguage lang;
    lang.LoadFromText(QStringLiteral("[frmPub]\n"
                                     "mInfo.Lines=A\\nB\\n\n"
                                     "Caption=\n"
                                     "nosuch.Caption=x\n"
                                     "mInfo.NoSuchProperty=x\n"
                                     "msgSomething=just a message\n"
                                     "[frmLogin]\n"
                                     " edtUser . BoundLabel.Caption = Identifiant\n"
                                     "btnOk.Caption=A\\n\\nB\n"));
    TfrmPub pub;
    pub.setWindowTitle(QStringLiteral("As designed"));
    lang.ApplyToForm(&pub);
    EXPECT_EQ(pub.mInfo->Lines(), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    EXPECT_EQ(pub.windowTitle(), QStringLiteral("As designed")); // empty value never clears

    lang.ApplyEntry(&pub, QStringLiteral("mInfo.Lines"), QStringLiteral("A\\n\\nB"));
    EXPECT_EQ(pub.mInfo->Lines(),
              (QStringList{QStringLiteral("A"), QString(), QStringLiteral("B")}));
    lang.ApplyEntry(&pub, QStringLiteral("mInfo.Lines"), QStringLiteral(" x \n y \n  "));
    EXPECT_EQ(pub.mInfo->Lines(), (QStringList{QStringLiteral("x"), QStringLiteral("y")}));

    TfrmLogin login;
    lang.ApplyToForm(&login);
    EXPECT_EQ(login.edtUser->BoundLabel()->text(), QStringLiteral("Identifiant"));
    EXPECT_EQ(login.btnOk->text(), QStringLiteral("A\n\nB")); // a text property keeps line feeds
}

TEST(Language, LoadFromFileReadsOnceAndSurvivesBadFiles) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.lng"));
    orv::test::WriteFileBytes(path, "[S]\r\nK=caf\xE9\r\n"); // Windows-1252
    TLanguage lang;
    lang.LoadFromFile(path);
    EXPECT_EQ(lang.SectionText(QStringLiteral("S"), QStringLiteral("K")), QStringLiteral("café"));

    orv::test::WriteFileBytes(path, "[S]\nK=caf\xC3\xA9 utf8\n");
    lang.LoadFromFile(path); // same path: not read again
    EXPECT_EQ(lang.SectionText(QStringLiteral("S"), QStringLiteral("K")), QStringLiteral("café"));

    const QString utf8 = dir.filePath(QStringLiteral("u.lng"));
    orv::test::WriteFileBytes(utf8, "\xEF\xBB\xBF[S]\nK=caf\xC3\xA9 utf8\n");
    lang.LoadFromFile(utf8);
    EXPECT_EQ(lang.SectionText(QStringLiteral("S"), QStringLiteral("K")),
              QStringLiteral("café utf8"));

    lang.LoadFromFile(dir.filePath(QStringLiteral("missing.lng")));
    EXPECT_TRUE(lang.IsEmpty());
    EXPECT_EQ(lang.SectionText(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("d")),
              QStringLiteral("d"));

    const QString binary = dir.filePath(QStringLiteral("b.lng"));
    orv::test::WriteFileBytes(binary, QByteArray("\x00\xFF[\x01\r\r\n]=\x00", 10));
    lang.LoadFromFile(binary); // garbage loads as whatever lines it holds, never crashes
    TfrmPub pub;
    lang.ApplyToForm(&pub);
}

#include "LangTest.moc"
