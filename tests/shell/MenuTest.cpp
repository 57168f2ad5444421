#include "TestSupport.h"
#include "UDialogs.h"
#include "ULogin.h"
#include "UMDIChild.h"
#include "UMain.h"
#include "UReflection.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

class MenuTest : public ::testing::Test {
protected:
    QTemporaryDir root;
    TScriptedDialogService dialogs;
    IDialogService* previous = nullptr;
    std::unique_ptr<TfrmMain> w;

    void SetUp() override {
        previous = SetDialogService(&dialogs);
        qputenv("XDG_CONFIG_HOME", root.filePath(QStringLiteral("config")).toUtf8());
    }
    void TearDown() override {
        w.reset();
        LoginState() = TLoginState{};
        SetDialogService(previous);
        qunsetenv("XDG_CONFIG_HOME");
        qunsetenv("ORV_PDF_VIEWER");
    }

    void Start(const QByteArray& objects, const QByteArray& extra = {}) {
        const QString res = root.filePath(QStringLiteral("Shop.res"));
        orv::test::CreateResourceDatabase(
            res, "INSERT INTO T_APPLICATION VALUES (2, 'RUNTIME', '1', NULL);" + objects + extra);
        TStartupOptions o;
        o.ExecutablePath = root.filePath(QStringLiteral("Shop"));
        o.ResourceArgument = res;
        o.InitInterval = 0;
        w = std::make_unique<TfrmMain>(o);
        w->show();
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 10000 && w->Stage() != TfrmMain::TStage::Ready &&
               w->Stage() != TfrmMain::TStage::Closing)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        ASSERT_EQ(w->Stage(), TfrmMain::TStage::Ready) << dialogs.Texts().join(u'|').toStdString();
    }
    QStringList TabCaptions() const {
        QStringList tabs;
        for (int i = 2; i < w->pcMenubar->count(); ++i)
            tabs.append(w->pcMenubar->tabText(i));
        return tabs;
    }
    QStringList Buttons(int page) const {
        QStringList names;
        for (QToolButton* b : w->pcMenubar->widget(page)->findChildren<QToolButton*>())
            names.append(QStringLiteral("%1:%2:%3")
                             .arg(b->text())
                             .arg(ReadPublishedProperty(b, QStringLiteral("Tag")).toInt())
                             .arg(b->property("ImageIndex").toInt()));
        return names;
    }
};

const QByteArray kObjects =
    "INSERT INTO T_FORM (PK_FORM, TABLE_NAME, CAPTION, CATEGORY, NORDER) VALUES"
    " (1, 'CLIENTS', 'Clients', 'Ventes', 2), (2, 'ORDERS', 'Commandes', 'Ventes', 1),"
    " (3, 'NOCAT', 'Sans catégorie', NULL, 1), (4, 'CLIENTS2', 'Clients', 'ventes', 9);"
    "INSERT INTO T_VIEW (PK_VIEW, CAPTION, CATEGORY, NORDER, FVISIBLE, QUERY_SQL) VALUES"
    " (1, 'Liste', 'Ventes', 3, -1, 'SELECT 1'), (2, 'Cachée', 'Ventes', 4, 0, 'SELECT 1');"
    "INSERT INTO T_REPORT (PK_REPORT, FK_VIEW, CAPTION, CATEGORY, NORDER) VALUES"
    " (1, 1, 'R1', 'Bilans', 1), (2, 1, 'R2', 'Bilans', 2), (3, 1, 'R3', 'Ventes', 5);"
    "INSERT INTO T_QSTAT (PK_QSTAT, CAPTION, CATEGORY, NORDER) VALUES (1, 'Par ville', 'Bilans', "
    "3);";

} // namespace

TEST_F(MenuTest, OneTabPerCategoryAndOneButtonPerObject) {
    Start(kObjects);
    // No button for the object without category; letter case makes categories differ.
    EXPECT_EQ(TabCaptions(), (QStringList{"Bilans", "Ventes", "ventes"}));
    EXPECT_EQ(Buttons(2), (QStringList{"R1:1:2", "R2:2:2", "Par ville:1:3"}));
    EXPECT_EQ(Buttons(3), (QStringList{"Commandes:2:0", "Clients:1:0", "Liste:1:1", "R3:3:2"}));
    EXPECT_EQ(Buttons(4), QStringList{"Clients:4:0"});
    EXPECT_EQ(w->pcMenubar->currentWidget(), w->tsHome);
    for (QToolButton* b : w->pcMenubar->widget(3)->findChildren<QToolButton*>()) {
        EXPECT_EQ(b->width(), 105);
        EXPECT_FALSE(b->icon().isNull());
    }
    EXPECT_TRUE(dialogs.Records().isEmpty());
}

TEST_F(MenuTest, WithoutPdfViewerReportsAreLeftOutWithOneMessage) {
    qputenv("ORV_PDF_VIEWER", "0");
    Start(kObjects);
    EXPECT_EQ(Buttons(2), QStringList{"Par ville:1:3"});
    EXPECT_EQ(
        dialogs.Texts(),
        QStringList{"Acrobat reader n'est pas installé, les rapports ont été exclus du menu"});
}

TEST_F(MenuTest, ProfileSeesOnlyWhatItIsGranted) {
    const QByteArray rights =
        "INSERT INTO T_SECURITY_PROFIL VALUES (1, 'Vendeur'), (2, 'Autre');"
        "INSERT INTO T_SECURITY_FORM (FK_FORM, FK_PROFIL) VALUES (1, 1), (2, 2);"
        "INSERT INTO T_SECURITY_VIEW VALUES (1, 1), (2, 1);"
        "INSERT INTO T_SECURITY_QSTAT VALUES (1, 2);";
    LoginState() = TLoginState{QStringLiteral("Vendeur"), false};
    // The login runs inside the start: an application without login leaves
    // every right, so the menu is built again under the profile.
    Start(kObjects, rights);
    LoginState() = TLoginState{QStringLiteral("Vendeur"), false};
    while (w->pcMenubar->count() > 2)
        delete w->pcMenubar->widget(2);
    w->BuildObjectMenu();
    EXPECT_EQ(TabCaptions(), QStringList{"Ventes"});
    EXPECT_EQ(Buttons(2), (QStringList{"Clients:1:0", "Liste:1:1"})); // the hidden view stays out
}

TEST_F(MenuTest, OpeningObjectsTitlesTabsAndFitting) {
    Start(kObjects);
    QObject* form = w->OpenObject(1, 0, QStringLiteral("Clients"));
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(static_cast<QWidget*>(form)->windowTitle(), QStringLiteral("Formulaire : Clients"));
    // The other form captioned Clients brings the first window back.
    EXPECT_EQ(w->OpenObject(4, 0, QStringLiteral("Clients")), form);
    EXPECT_EQ(w->MDIArea->subWindowList().size(), 1);

    QObject* view = w->OpenObjectById(2, 1); // no button for it
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(static_cast<QWidget*>(view)->windowTitle(), QStringLiteral("Vue : "));
    EXPECT_EQ(w->MDITab->count(), 2);
    EXPECT_EQ(w->MDITab->tabText(1), QStringLiteral("Vue : "));
    EXPECT_EQ(w->MDITab->currentIndex(), 1);

    // A new view opens fitted; a maximise request gives back its bounds, the next fits again.
    auto* child = qobject_cast<TfrmMDIChild*>(view);
    ASSERT_NE(child, nullptr);
    EXPECT_TRUE(child->Expanded());
    QWidget* frame = child->FrameWindow();
    EXPECT_EQ(frame->geometry().topLeft(), QPoint(0, 0));
    EXPECT_EQ(frame->width(), w->width() - 5);
    EXPECT_EQ(frame->height(), w->height() - 170);
    frame->showMaximized();
    for (int i = 0; i < 20 && child->Expanded(); ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_FALSE(child->Expanded());
    EXPECT_FALSE(frame->isMaximized());

    // Choosing the form's tab activates it; closing a window removes its tab.
    w->MDITab->setCurrentIndex(0);
    EXPECT_EQ(w->MDIArea->activeSubWindow()->widget(), form);
    frame->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(w->MDITab->count(), 1);

    EXPECT_EQ(w->OpenFormByTable(QString(), 1), nullptr);
    QObject* byTable = w->OpenFormByTable(QStringLiteral("orders"), 1);
    EXPECT_EQ(static_cast<QWidget*>(byTable)->windowTitle(),
              QStringLiteral("Formulaire : Commandes"));
}

TEST_F(MenuTest, StoredIconIsDrawnAt32Pixels) {
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    Start("INSERT INTO T_FORM (PK_FORM, TABLE_NAME, CAPTION, CATEGORY, NORDER, ICON, ICON_TYPE) "
          "VALUES"
          " (1, 'A', 'Rouge', 'C', 1, X'" +
          png.toHex() + "', 'png'), (2, 'B', 'Sans type', 'C', 2, X'00', NULL);");
    const QList<QToolButton*> buttons = w->pcMenubar->widget(2)->findChildren<QToolButton*>();
    ASSERT_EQ(buttons.size(), 2);
    const QImage drawn = buttons[0]->icon().pixmap(32, 32).toImage();
    EXPECT_EQ(drawn.size(), QSize(32, 32));
    EXPECT_EQ(QColor(drawn.pixel(16, 16)), QColor(Qt::red));
    EXPECT_FALSE(buttons[1]->icon().isNull()); // the built-in image of its type
}
