#include "TestSupport.h"
#include "UDialogs.h"
#include "ULogin.h"
#include "UMain.h"
#include "UPub.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// A machine laid out in a temporary folder: the application folder, the
// common folders and the user's configuration, with the scripted dialogs.
class MainWindowTest : public ::testing::Test {
protected:
    QTemporaryDir root;
    QString apps = root.filePath(QStringLiteral("Apps"));
    QString appData = root.filePath(QStringLiteral("appdata"));
    QString documents = root.filePath(QStringLiteral("documents"));
    TScriptedDialogService dialogs;
    IDialogService* previous = nullptr;

    void SetUp() override {
        for (const QString& d : {apps, appData, documents})
            QDir().mkpath(d);
        qputenv("ORV_COMMON_APPDATA", appData.toUtf8());
        qputenv("ORV_COMMON_DOCUMENTS", documents.toUtf8());
        qputenv("XDG_CONFIG_HOME", root.filePath(QStringLiteral("config")).toUtf8());
        previous = SetDialogService(&dialogs);
    }
    void TearDown() override {
        SetDialogService(previous);
        qunsetenv("ORV_COMMON_APPDATA");
        qunsetenv("ORV_COMMON_DOCUMENTS");
        qunsetenv("XDG_CONFIG_HOME");
    }

    // A resource database with the given parameters (section, name, value).
    QString MakeResources(const QString& path,
                          const QList<std::tuple<int, QString, QString>>& params) {
        QByteArray script;
        for (const auto& [section, name, value] : params)
            script += QStringLiteral("INSERT INTO T_APPLICATION VALUES (%1, '%2', '%3', NULL);\n")
                          .arg(section)
                          .arg(name, value)
                          .toUtf8();
        orv::test::CreateResourceDatabase(path, script);
        return path;
    }
    QString StockResources(const QString& folder, const QString& runtime = QStringLiteral("1")) {
        const QString path = MakeResources(folder + QStringLiteral("/Stock.res"),
                                           {{2, QStringLiteral("RUNTIME"), runtime},
                                            {0, QStringLiteral("Version"), QStringLiteral("2.1")}});
        orv::test::RunSqlScript(
            path, "INSERT INTO T_FORM (PK_FORM, TABLE_NAME, NORDER) VALUES (1, 'GOODS', 1);");
        return path;
    }

    TStartupOptions Options(const QString& exeName, const QString& argument = QString()) {
        TStartupOptions o;
        o.ExecutablePath = apps + u'/' + exeName;
        o.ResourceArgument = argument;
        o.InitInterval = 0;
        return o;
    }

    // Shows the window and runs the event loop until the start-up sequence is
    // ready or the window has closed.
    static void RunStartup(TfrmMain& w) {
        w.show();
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 10000 && w.Stage() != TfrmMain::TStage::Ready &&
               w.Stage() != TfrmMain::TStage::Closing)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
};

} // namespace

TEST_F(MainWindowTest, ResourceDatabaseLocationRules) {
    const QString beside = StockResources(apps);
    const QString elsewhere = StockResources(root.filePath(QStringLiteral("other")));
    const QString fallback = StockResources(appData);
    const struct {
        const char* exe;
        QString argument;
        QString expected;
    } cases[] = {
        {"Stock", QString(), beside},             // the executable's path with .res
        {"Stock", elsewhere, elsewhere},          // an argument is used unchanged
        {"OrvalisRuntime", elsewhere, elsewhere}, // the bare runtime with an argument
    };
    for (const auto& c : cases) {
        TfrmMain w(Options(QString::fromUtf8(c.exe), c.argument));
        RunStartup(w);
        EXPECT_EQ(w.ResourcePath(), c.expected) << c.exe;
        EXPECT_EQ(w.Stage(), TfrmMain::TStage::Ready) << dialogs.Texts().join(u'|').toStdString();
        w.close();
    }
    QFile::remove(beside);
    TfrmMain w(Options(QStringLiteral("Stock")));
    RunStartup(w);
    EXPECT_EQ(w.ResourcePath(), fallback);
    w.close();
    EXPECT_TRUE(dialogs.Texts().isEmpty());
}

TEST_F(MainWindowTest, BareRuntimeClosesSilentlyOnlyUnderItsExactName) {
    TfrmMain bare(Options(QStringLiteral("OrvalisRuntime")));
    RunStartup(bare);
    EXPECT_EQ(bare.Stage(), TfrmMain::TStage::Closing);
    EXPECT_FALSE(bare.isVisible());
    EXPECT_TRUE(dialogs.Records().isEmpty());

    // Another letter case is an application name like any other.
    MakeResources(apps + QStringLiteral("/orvalisruntime.res"),
                  {{2, QStringLiteral("RUNTIME"), QStringLiteral("1")}});
    TfrmMain lower(Options(QStringLiteral("orvalisruntime")));
    RunStartup(lower);
    EXPECT_EQ(lower.Stage(), TfrmMain::TStage::Ready);
    lower.close();
}

TEST_F(MainWindowTest, RuntimeParameterValidatesTheResourceDatabase) {
    const struct {
        const char* value;
        bool valid;
    } cases[] = {{"1", true}, {"01", true},   {" 1", true},
                 {"", false}, {"yes", false}, {"2", false}};
    for (const auto& c : cases) {
        dialogs.Clear();
        const QString res = StockResources(root.filePath(QStringLiteral("r%1").arg(c.value)),
                                           QString::fromUtf8(c.value));
        TfrmMain w(Options(QStringLiteral("Stock"), res));
        RunStartup(w);
        if (c.valid) {
            EXPECT_EQ(w.Stage(), TfrmMain::TStage::Ready) << c.value;
            EXPECT_TRUE(dialogs.Records().isEmpty()) << c.value;
            w.close();
        } else {
            EXPECT_EQ(w.Stage(), TfrmMain::TStage::Closing) << c.value;
            ASSERT_EQ(dialogs.Records().size(), 1) << c.value;
            EXPECT_EQ(dialogs.Records()[0].Kind, TMsgKind::Error);
            EXPECT_EQ(dialogs.Records()[0].Text, QStringLiteral("Fichier ressource non valide"));
        }
    }
}

TEST_F(MainWindowTest, CaptionStatusAndDataDatabaseBesideTheExecutable) {
    StockResources(apps);
    TfrmMain w(Options(QStringLiteral("Stock")));
    EXPECT_FALSE(w.isEnabled());
    RunStartup(w);
    ASSERT_EQ(w.Stage(), TfrmMain::TStage::Ready);
    EXPECT_EQ(w.windowTitle(), QStringLiteral(" Stock 2.1"));
    EXPECT_EQ(w.StatusText(), QStringLiteral("Prêt"));
    EXPECT_TRUE(w.isEnabled());
    EXPECT_EQ(w.DataPath(), apps + QStringLiteral("/Stock.db"));
    EXPECT_TRUE(QFile::exists(w.DataPath()));
    EXPECT_TRUE(w.ADOConnectionData.Connected());
    EXPECT_EQ(w.ADOConnectionData.GetTableNames(), QStringList{QStringLiteral("GOODS")});

    // The ribbon and the status bar as the table and the design give them.
    EXPECT_EQ(w.pcMenubar->tabText(0), QStringLiteral("Fichier"));
    EXPECT_EQ(w.pcMenubar->tabText(1), QStringLiteral("Accueil"));
    EXPECT_EQ(w.pcMenubar->currentWidget(), w.tsHome);
    for (auto [name, text] :
         {std::pair{"lbNavigation", "Navigation"}, std::pair{"lbDataset", "Données"},
          std::pair{"lbEdit", "Edition"}, std::pair{"lbOptions", "Options"}})
        EXPECT_EQ(w.findChild<QLabel*>(QLatin1String(name))->text(), QString::fromUtf8(text));
    EXPECT_EQ(w.cbShowStatusBar->text(), QStringLiteral("Barre de status"));
    EXPECT_EQ(w.actDataSet[7]->statusTip(), QStringLiteral("Poster les modifications"));
    EXPECT_EQ(w.StatusPanels[0]->width(), 380);
    EXPECT_EQ(w.StatusPanels[1]->width(), 75);
    EXPECT_EQ(w.StatusPanels[2]->width(), 100);
    EXPECT_FALSE(w.actChangeSkin->isVisible());
    w.close();
}

TEST_F(MainWindowTest, SharedDataDatabaseWithSetup) {
    MakeResources(apps + QStringLiteral("/Stock.res"),
                  {{2, QStringLiteral("RUNTIME"), QStringLiteral("1")},
                   {2, QStringLiteral("setup"), QStringLiteral("1")}});
    TfrmMain w(Options(QStringLiteral("Stock")));
    RunStartup(w);
    ASSERT_EQ(w.Stage(), TfrmMain::TStage::Ready);
    const QString expected = documents + QStringLiteral("/Bases de données partagées/Stock.db");
    EXPECT_EQ(w.DataPath(), expected);
    EXPECT_TRUE(QFile::exists(expected));
    EXPECT_FALSE(QFile::exists(apps + QStringLiteral("/Stock.db")));
    w.close();
}

TEST_F(MainWindowTest, SavedWindowStateAppliesOnlyOnceTheDataDatabaseIsOpen) {
    StockResources(apps);
    {
        QSettings s(root.filePath(QStringLiteral("config/Stock.ini")), QSettings::IniFormat);
        s.setValue(QStringLiteral("Software/Stock/frmMain/WindowState"), 2);
        s.setValue(QStringLiteral("Software/Stock/Settings/ShowStatusBar"), QStringLiteral("0"));
    }
    TStartupOptions o = Options(QStringLiteral("Stock"));
    o.InitInterval = 200;
    TfrmMain w(o);
    w.show();
    QElapsedTimer clock;
    clock.start();
    while (w.Stage() != TfrmMain::TStage::Waiting && clock.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_EQ(w.Stage(), TfrmMain::TStage::Waiting);
    EXPECT_EQ(w.SavedWindowState, 2);
    EXPECT_FALSE(w.windowState() & Qt::WindowMaximized);
    EXPECT_FALSE(w.actShowStatusBar->isChecked());
    EXPECT_TRUE(w.actShowHomePage->isChecked()); // absent: true
    EXPECT_FALSE(w.StatusBar->isVisibleTo(&w));
    RunStartup(w);
    ASSERT_EQ(w.Stage(), TfrmMain::TStage::Ready);
    EXPECT_TRUE(w.windowState() & Qt::WindowMaximized);
    w.close();
}

TEST_F(MainWindowTest, ClosingWithAChildWindowWritesSettingsAndShowsTheInformationWindow) {
    MakeResources(apps + QStringLiteral("/Stock.res"),
                  {{2, QStringLiteral("RUNTIME"), QStringLiteral("1")},
                   {0, QStringLiteral("OrvPub"), QStringLiteral("1")}});
    TfrmMain w(Options(QStringLiteral("Stock")));
    TfrmPub pub(&w);
    w.SetInformationWindow(&pub);
    RunStartup(w);
    ASSERT_EQ(w.Stage(), TfrmMain::TStage::Ready);
    auto* child = w.MDIArea->addSubWindow(new QLabel(QStringLiteral("child")));
    child->show();
    w.actShowHomePage->setChecked(false);

    bool pubShown = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            pubShown = modal == &pub;
            static_cast<QDialog*>(modal)->accept();
        }
    });
    closer.start(20);
    w.close();
    closer.stop();
    EXPECT_TRUE(pubShown);
    EXPECT_EQ(w.GlobalVars(), nullptr);
    QSettings s(root.filePath(QStringLiteral("config/Stock.ini")), QSettings::IniFormat);
    EXPECT_EQ(s.value(QStringLiteral("Software/Stock/frmMain/WindowState")).toInt(), 0);
    EXPECT_EQ(s.value(QStringLiteral("Software/Stock/Settings/ShowHomePage")).toString(),
              QStringLiteral("0"));
    EXPECT_EQ(s.value(QStringLiteral("Software/Stock/Settings/ShowStatusBar")).toString(),
              QStringLiteral("1"));
}

TEST_F(MainWindowTest, BadResourceFilesGiveAnErrorAndACleanExit) {
    const QString empty = root.filePath(QStringLiteral("empty.res"));
    orv::test::WriteFileBytes(empty, QByteArray());
    const QString junk = root.filePath(QStringLiteral("junk.res"));
    orv::test::WriteFileBytes(junk, QByteArray(5000, '\x7f'));
    const QString good = StockResources(root.filePath(QStringLiteral("good")));
    const QString truncated = root.filePath(QStringLiteral("truncated.res"));
    orv::test::WriteFileBytes(truncated, orv::test::ReadFileBytes(good).left(1500));
    const struct {
        QString path;
        const char* message;
    } cases[] = {
        {root.filePath(QStringLiteral("missing.res")), "introuvable"},
        {empty, "Fichier ressource non valide"},
        {junk, "Impossible d'ouvrir la base de données"},
        {truncated, ""},
    };
    for (const auto& c : cases) {
        dialogs.Clear();
        TfrmMain w(Options(QStringLiteral("Stock"), c.path));
        RunStartup(w);
        EXPECT_EQ(w.Stage(), TfrmMain::TStage::Closing) << c.path.toStdString();
        ASSERT_EQ(dialogs.Records().size(), 1) << c.path.toStdString();
        EXPECT_EQ(dialogs.Records()[0].Kind, TMsgKind::Error);
        EXPECT_TRUE(dialogs.Records()[0].Text.contains(QString::fromUtf8(c.message)))
            << dialogs.Records()[0].Text.toStdString();
        // Nothing was written beside the application.
        EXPECT_FALSE(QFile::exists(apps + QStringLiteral("/Stock.db")));
    }
}

TEST_F(MainWindowTest, UnwritableDataFolderGivesAnErrorAndNoDataFile) {
    StockResources(apps);
    orv::test::TReadOnlyPath readOnly(apps);
    if (!readOnly.Effective())
        GTEST_SKIP() << "cannot make a folder read-only here";
    TfrmMain w(Options(QStringLiteral("Stock")));
    RunStartup(w);
    EXPECT_EQ(w.Stage(), TfrmMain::TStage::Closing);
    ASSERT_EQ(dialogs.Records().size(), 1);
    EXPECT_TRUE(dialogs.Records()[0].Text.startsWith(QStringLiteral("Impossible de créer")));
    EXPECT_FALSE(QFile::exists(apps + QStringLiteral("/Stock.db")));
}

TEST_F(MainWindowTest, CancelledLoginClosesSilently) {
    MakeResources(apps + QStringLiteral("/Stock.res"),
                  {{2, QStringLiteral("RUNTIME"), QStringLiteral("1")},
                   {1, QStringLiteral("ACTIVE"), QStringLiteral("1")}});
    TfrmMain w(Options(QStringLiteral("Stock")));
    TfrmLogin login(&w);
    int shown = 0;
    login.Prompt = [&](TfrmLogin&) {
        ++shown;
        return false;
    };
    w.SetLoginDialog(&login);
    RunStartup(w);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(w.Stage(), TfrmMain::TStage::Closing);
    EXPECT_FALSE(w.StartFailed());
    EXPECT_TRUE(dialogs.Records().isEmpty());
}
