#include "UAbout.h"

#include "UApplication.h"
#include "UExceptions.h"
#include "ULang.h"
#include "UReflection.h"
#include "USplash.h"

#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

namespace {

constexpr int AuthorHeight = 35;
constexpr int VersionHeight = 35;
constexpr int TitleHeight = 49;
constexpr int TextMargin = 16;
constexpr int PictureHeight = TfrmAbout::ClientHeight - AuthorHeight - VersionHeight - TitleHeight;

QLabel* MakeLabel(QWidget* parent, const char* name, int top, int height, int pixelSize,
                  bool bold) {
    auto* label = new QLabel(QLatin1String(name), parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(0, top, TfrmAbout::ClientWidth, height);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setContentsMargins(TextMargin, 0, TextMargin, 0);
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    label->setFont(font);
    return label;
}

// A picture scaled down to fit the box, keeping its proportions.
QPixmap Proportional(const QPixmap& picture, const QSize& box) {
    if (picture.isNull() || (picture.width() <= box.width() && picture.height() <= box.height()))
        return picture;
    return picture.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

} // namespace

TfrmAbout::TfrmAbout(TfrmSplash& splash, TdmApplication& params, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint),
      m_splash(splash), m_params(params) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("frmAbout"));
    MarkAsWindow(this);
    setFixedSize(ClientWidth, ClientHeight);

    const auto makePicture = [this](const char* name) {
        auto* picture = new QLabel(this);
        picture->setObjectName(QLatin1String(name));
        picture->setGeometry(0, 0, ClientWidth, PictureHeight);
        picture->setAlignment(Qt::AlignCenter);
        return picture;
    };
    imgPNG = makePicture("imgPNG");
    imgSplash = makePicture("imgSplash");

    int top = PictureHeight;
    lbAuthor = MakeLabel(this, "lbAuthor", top, AuthorHeight, 14, false);
    lbVersion = MakeLabel(this, "lbVersion", top += AuthorHeight, VersionHeight, 14, false);
    lbTitle = MakeLabel(this, "lbTitle", top += VersionHeight, TitleHeight, 20, true);

    // The button sits in the title's band, at its right; the title keeps clear of it.
    btnOk = new QPushButton(QStringLiteral("btnOk"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setGeometry(ClientWidth - 75 - TextMargin,
                       ClientHeight - TitleHeight + (TitleHeight - 25) / 2, 75, 25);
    btnOk->setDefault(true);
    lbTitle->setContentsMargins(TextMargin, 0, TextMargin + btnOk->width() + TextMargin, 0);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
}

int TfrmAbout::Execute() {
    return exec();
}

void TfrmAbout::showEvent(QShowEvent* event) {
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TfrmAbout::FormShow() {
    Language().ApplyToForm(this);
    const bool png = m_splash.PngVisible();
    const QPixmap picture = m_splash.Picture();
    imgPNG->setVisible(png);
    imgSplash->setVisible(!png);
    (png ? imgPNG : imgSplash)->setPixmap(Proportional(picture, imgPNG->size()));
    (png ? imgSplash : imgPNG)->clear();

    const struct {
        QLabel* label;
        const char* name;
    } texts[] = {{lbTitle, "Title"}, {lbVersion, "Version"}, {lbAuthor, "Author"}};
    for (const auto& t : texts) {
        QString text;
        // Called from the show event: a parameter that cannot be read leaves
        // its label empty rather than leaving the event with an exception.
        try {
            text = m_params.GetParam(psCommon, QLatin1String(t.name), QString());
        } catch (const ERuntimeError&) {
        }
        t.label->setText(text);
    }
}
