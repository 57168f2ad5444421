#include "USplash.h"

#include "DTools.h"
#include "UImages.h"
#include "UReflection.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace {

QString& StoredAppTitle() {
    static QString title;
    return title;
}

} // namespace

TfrmSplash::TfrmSplash(const QString& executablePath, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("frmSplash"));
    MarkAsWindow(this);
    setFixedSize(ClientWidth, ClientHeight);
    setAutoFillBackground(true);
    QPalette background = palette();
    background.setColor(QPalette::Window, QColor(0x1B, 0x35, 0x56));
    setPalette(background);

    img = new QLabel(this);
    img->setObjectName(QStringLiteral("img"));
    img->setGeometry(0, 0, ClientWidth, PictureHeight);
    img->setScaledContents(true);

    imgl = new TImageList(ClientWidth - 1, PictureHeight, this);
    imgl->setObjectName(QStringLiteral("imgl"));

    imgPNG = new QLabel(this);
    imgPNG->setObjectName(QStringLiteral("imgPNG"));
    imgPNG->setGeometry(0, 0, imgl->Width(), imgl->Height());
    imgPNG->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    imgPNG->hide();

    // The title is drawn over the foot of the picture.
    lbTitle = new QLabel(QStringLiteral("lbTitle"), this);
    lbTitle->setObjectName(QStringLiteral("lbTitle"));
    lbTitle->setGeometry(0, ClientHeight - TitleHeight, ClientWidth, TitleHeight);
    lbTitle->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lbTitle->setContentsMargins(12, 0, 12, 0);
    lbTitle->setStyleSheet(QStringLiteral("color: white;"));
    QFont font = lbTitle->font();
    font.setPixelSize(22);
    font.setBold(true);
    lbTitle->setFont(font);
    lbTitle->raise();

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    FormCreate(executablePath);
}

QString TfrmSplash::AppTitle() {
    return StoredAppTitle();
}

void TfrmSplash::SetAppTitle(const QString& title) {
    StoredAppTitle() = title;
    // Qt adds the display name to window titles, where a leading blank only
    // looks like a stray gap; the verbatim text stays here.
    QGuiApplication::setApplicationDisplayName(title.trimmed());
}

QString TfrmSplash::TitleOfExecutable(const QString& executablePath) {
    return u' ' + QFileInfo(executablePath).completeBaseName();
}

bool TfrmSplash::PngVisible() const {
    return !imgPNG->isHidden();
}

QPixmap TfrmSplash::Picture() const {
    return PngVisible() ? imgl->Picture(0) : img->pixmap();
}

void TfrmSplash::FormCreate(const QString& executablePath) {
    const QString title = TitleOfExecutable(executablePath);
    lbTitle->setText(title);
    SetAppTitle(title);
    LoadPicture();
}

void TfrmSplash::LoadPicture() {
    for (const char* extension : PictureExtensions) {
        const QString ext = QLatin1String(extension);
        QFile resource(QStringLiteral(":/SPLASH_") + ext.mid(1).toUpper());
        if (!resource.exists())
            continue;
        // The picture goes through a temporary file, as every stored picture does.
        const QString path = TempFileName(TempFolder(), ext);
        QPixmap picture;
        {
            QFile file(path);
            if (resource.open(QIODevice::ReadOnly) && file.open(QIODevice::WriteOnly)) {
                file.write(resource.readAll());
                file.close();
                picture.load(path);
            }
        }
        QFile::remove(path);
        // A picture that does not decode leaves the window as designed.
        if (picture.isNull())
            return;
        if (ext == u".png") {
            imgl->Clear();
            imgl->Add(picture);
            imgPNG->setPixmap(imgl->Picture(0));
            imgPNG->show();
            img->hide();
        } else {
            imgPNG->hide();
            img->setPixmap(picture);
            img->show();
        }
        return;
    }
}
