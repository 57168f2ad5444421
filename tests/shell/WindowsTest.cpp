#include "TestSupport.h"
#include "UAbout.h"
#include "UApplication.h"
#include "UDatabase.h"
#include "UImages.h"
#include "UPub.h"
#include "USplash.h"
#include "UToolkit.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Points QDir::tempPath() at a folder of the test's own while it lives.
class TempFolderOverride {
public:
    TempFolderOverride() : m_saved(qgetenv("TMPDIR")), m_had(qEnvironmentVariableIsSet("TMPDIR")) {
        qputenv("TMPDIR", dir.path().toLocal8Bit());
    }
    ~TempFolderOverride() {
        if (m_had)
            qputenv("TMPDIR", m_saved);
        else
            qunsetenv("TMPDIR");
    }
    QStringList Files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir dir;

private:
    QByteArray m_saved;
    bool m_had;
};

// A resource database holding the given parameter rows of section 0.
struct Parameters {
    QTemporaryDir dir;
    TConnection connection;
    QString path;
    explicit Parameters(const QByteArray& rows) : path(dir.filePath(QStringLiteral("Stock.res"))) {
        orv::test::CreateResourceDatabase(path, rows);
        connection.SetReadOnly(true);
        connection.SetDataSource(path);
        connection.Open();
    }
};

} // namespace

TEST(Splash, TitleIsASpaceAndTheExecutableBaseName) {
    const struct {
        const char* path;
        const char* title;
    } cases[] = {
        {"/opt/apps/Stock", " Stock"},
        {"C:/Apps/Stock.exe", " Stock"},
        {"/opt/apps/my.app.exe", " my.app"}, // only the last extension goes
    };
    for (const auto& c : cases) {
        TfrmSplash splash(QLatin1String(c.path));
        EXPECT_EQ(splash.lbTitle->text(), QLatin1String(c.title)) << c.path;
        EXPECT_EQ(TfrmSplash::AppTitle(), QLatin1String(c.title)) << c.path;
    }
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("my.app"));
}

TEST(Splash, ShowsTheBuiltInPngAndDeletesItsTemporaryCopy) {
    TempFolderOverride temp;
    ASSERT_TRUE(temp.dir.isValid());
    TfrmSplash splash(QStringLiteral("/opt/apps/Stock"));
    EXPECT_TRUE(temp.Files().isEmpty()) << temp.Files().join(u' ').toStdString();

    EXPECT_TRUE(splash.PngVisible());
    EXPECT_TRUE(splash.img->isHidden());
    EXPECT_FALSE(splash.imgPNG->isHidden());
    // The image list is one pixel narrower than the picture, which keeps its
    // left part.
    const QImage resource(QStringLiteral(":/SPLASH_PNG"));
    ASSERT_EQ(resource.size(), QSize(538, 345));
    const QImage shown = splash.Picture().toImage();
    ASSERT_EQ(shown.size(), QSize(537, 345));
    for (const QPoint at : {QPoint(0, 0), QPoint(300, 120), QPoint(536, 344)})
        EXPECT_EQ(shown.pixel(at), resource.pixel(at));
    EXPECT_EQ(splash.imgPNG->pixmap().size(), QSize(537, 345));
}

TEST(About, ShowsTheSplashPictureAndReadsTheParametersAtEveryShowing) {
    Parameters params("INSERT INTO T_APPLICATION (PAPPLICATION, PNAME, PVALUE) VALUES"
                      " (0, 'Title', 'Gestion de stock'), (0, 'Version', '2.1'),"
                      " (1, 'Author', 'in another section');");
    TdmApplication app(params.connection);
    TfrmSplash splash(QStringLiteral("/opt/apps/Stock"));
    TfrmAbout about(splash, app);
    EXPECT_EQ(about.lbTitle->text(), QStringLiteral("lbTitle")); // as designed until shown

    // Execute shows the window modally; Ok ends it.
    QTimer::singleShot(0, about.btnOk, &QPushButton::click);
    EXPECT_EQ(about.Execute(), QDialog::Accepted);
    EXPECT_EQ(about.windowTitle(), QStringLiteral("frmAbout"));
    EXPECT_EQ(about.btnOk->text(), QStringLiteral("Ok"));
    EXPECT_EQ(about.lbTitle->text(), QStringLiteral("Gestion de stock"));
    EXPECT_EQ(about.lbVersion->text(), QStringLiteral("2.1"));
    EXPECT_EQ(about.lbAuthor->text(), QString());
    EXPECT_FALSE(about.imgPNG->isHidden());
    EXPECT_TRUE(about.imgSplash->isHidden());
    const QSize shown = about.imgPNG->pixmap().size();
    EXPECT_FALSE(shown.isEmpty());
    EXPECT_LE(shown.height(), about.lbAuthor->y()); // scaled to stay above the labels
    EXPECT_NEAR(double(shown.width()) / shown.height(), 537.0 / 345.0, 0.01);

    params.connection.Close();
    orv::test::RunSqlScript(params.path, "UPDATE T_APPLICATION SET PVALUE = '2.2'"
                                         " WHERE PNAME = 'Version';");
    params.connection.Open();
    about.show();
    EXPECT_EQ(about.lbVersion->text(), QStringLiteral("2.2"));
    about.close();
}

TEST(Pub, TakesItsTextsFromTheLanguageTable) {
    TfrmPub pub;
    EXPECT_EQ(pub.windowTitle(), QStringLiteral("Information"));
    const QStringList lines = pub.mInfo->Lines();
    ASSERT_EQ(lines.size(), 5) << lines.join(u'|').toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Cette application gratuite")));
    EXPECT_TRUE(lines[1].isEmpty());
    EXPECT_EQ(lines[4], QStringLiteral("Pour d'autres infos allez sur le site"));
    EXPECT_TRUE(pub.mInfo->isReadOnly());
    EXPECT_EQ(pub.btnGoto->text(), QStringLiteral("Allez sur le site"));
    EXPECT_EQ(pub.btnOk->text(), QStringLiteral("Ok"));
    EXPECT_EQ(pub.Image1->pixmap().width(), 177);
    EXPECT_FALSE(pub.windowFlags() & Qt::WindowCloseButtonHint);
}

TEST(Pub, GotoHandsTheWebPageToTheOpenerAndStaysOpen) {
    QTemporaryDir dir;
    const QString script = dir.filePath(QStringLiteral("opener.sh"));
    const QString output = dir.filePath(QStringLiteral("opened.txt"));
    orv::test::WriteFileBytes(script,
                              "#!/bin/sh\nprintf '%s' \"$1\" > '" + output.toLocal8Bit() + "'\n");
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("ORV_OPENER", script.toLocal8Bit());

    TfrmPub pub;
    pub.show();
    pub.btnGoto->click();
    const QDeadlineTimer deadline(2000);
    while (orv::test::ReadFileBytes(output).isEmpty() && !deadline.hasExpired()) {
        QCoreApplication::processEvents();
        QThread::msleep(20);
    }
    qunsetenv("ORV_OPENER");
    EXPECT_EQ(orv::test::ReadFileBytes(output), QByteArray(ProductWebPage));
    EXPECT_TRUE(pub.isVisible());
    pub.close();
}

TEST(Images, EveryPictureIsDrawnDistinctOnATransparentGround) {
    const TImage all[] = {TImage::First,        TImage::Prior,      TImage::Next,
                          TImage::Last,         TImage::Insert,     TImage::Edit,
                          TImage::Delete,       TImage::Post,       TImage::Cancel,
                          TImage::Copy,         TImage::Paste,      TImage::Cut,
                          TImage::Undo,         TImage::ObjectForm, TImage::ObjectView,
                          TImage::ObjectReport, TImage::ObjectQStat};
    QSet<QByteArray> seen;
    for (const TImage image : all) {
        const int id = int(image);
        for (const int size : {16, 32}) {
            const QImage picture =
                BuiltInPixmap(image, size).toImage().convertToFormat(QImage::Format_ARGB32);
            ASSERT_EQ(picture.size(), QSize(size, size)) << id;
            EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0) << id;
            EXPECT_EQ(qAlpha(picture.pixel(size - 1, size - 1)), 0) << id;
            int opaque = 0;
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                    opaque += qAlpha(picture.pixel(x, y)) > 128;
            EXPECT_GT(opaque, size * size / 20) << id << " at " << size;
            if (size == 32) {
                const QByteArray pixels(reinterpret_cast<const char*>(picture.constBits()),
                                        picture.sizeInBytes());
                EXPECT_FALSE(seen.contains(pixels)) << id << " looks like another picture";
                seen.insert(pixels);
            }
        }
        EXPECT_EQ(BuiltInPixmap(image).cacheKey(), BuiltInPixmap(image).cacheKey()) << id;
        EXPECT_TRUE(BuiltInIcon(image).availableSizes().contains(QSize(32, 32))) << id;
    }
    EXPECT_TRUE(BuiltInPixmap(TImage::None).isNull());
    EXPECT_EQ(ObjectTypeImage(2), TImage::ObjectReport);
    EXPECT_EQ(ObjectTypeImage(4), TImage::None);
}
