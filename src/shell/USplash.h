#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>

class QLabel;
class TImageList;

// The start-up window: the product picture with the application title in a
// band at its foot. It also fixes the application title for the run.
class TfrmSplash : public QWidget {
    Q_OBJECT

public:
    // Picture extensions tried in this order: the resource is ":/SPLASH_" and
    // the extension in upper case without its dot, decoded from a temporary
    // file with that extension.
    static constexpr const char* PictureExtensions[] = {".jpeg", ".jpg", ".png"};

    explicit TfrmSplash(const QString& executablePath, QWidget* parent = nullptr);

    // The application title: a space followed by the executable's base name,
    // kept verbatim for the main window's caption.
    static QString AppTitle();
    static void SetAppTitle(const QString& title);
    // The title for an executable path: a space and the file name without its
    // folder and last extension.
    static QString TitleOfExecutable(const QString& executablePath);

    // Whether the picture is drawn by imgPNG (a PNG resource) rather than img.
    bool PngVisible() const;
    // The picture shown: imgl's for a PNG, else img's; null when none was loaded.
    QPixmap Picture() const;

    void FormCreate(const QString& executablePath);

    QLabel* img = nullptr;
    QLabel* imgPNG = nullptr;
    TImageList* imgl = nullptr;
    QLabel* lbTitle = nullptr;

    static constexpr int ClientWidth = 538;
    static constexpr int ClientHeight = 346;
    static constexpr int PictureHeight = 345;
    static constexpr int TitleHeight = 49;

private:
    void LoadPicture();
};
