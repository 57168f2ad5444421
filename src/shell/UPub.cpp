#include "UPub.h"

#include "DTools.h"
#include "ULang.h"
#include "UReflection.h"
#include "UToolkit.h"

#include <QLabel>
#include <QPushButton>
#include <QTextDocument>

namespace {

constexpr int PictureWidth = 177;
constexpr int PanelHeight = 41;
constexpr int Margin = 8;

} // namespace

TfrmPub::TfrmPub(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("frmPub"));
    setWindowTitle(QStringLiteral("frmPub"));
    MarkAsWindow(this);
    setFixedSize(ClientWidth, ClientHeight);
    const int top = ClientHeight - PanelHeight;

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, PictureWidth, top);
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setPixmap(QPixmap(QStringLiteral(":/PUB_PNG")));

    mInfo = new TMemo(this);
    mInfo->setObjectName(QStringLiteral("mInfo"));
    mInfo->setGeometry(PictureWidth, 0, ClientWidth - PictureWidth, top);
    mInfo->setReadOnly(true);
    mInfo->setFrameShape(QFrame::NoFrame);
    mInfo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    mInfo->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mInfo->document()->setDocumentMargin(8);
    mInfo->SetLines({QStringLiteral("mInfo")});

    pnlBottom = new QWidget(this);
    pnlBottom->setObjectName(QStringLiteral("pnlBottom"));
    pnlBottom->setGeometry(0, top, ClientWidth, PanelHeight);
    const int buttonTop = (PanelHeight - 25) / 2;

    btnGoto = new QPushButton(QStringLiteral("btnGoto"), pnlBottom);
    btnGoto->setObjectName(QStringLiteral("btnGoto"));
    btnGoto->setGeometry(Margin, buttonTop, 169, 25);
    connect(btnGoto, &QPushButton::clicked, this, &TfrmPub::btnGotoClick);

    btnOk = new QPushButton(QStringLiteral("btnOk"), pnlBottom);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setGeometry(ClientWidth - Margin - 75, buttonTop, 75, 25);
    btnOk->setDefault(true);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);

    FormCreate();
}

void TfrmPub::FormCreate() {
    Language().ApplyToForm(this);
}

void TfrmPub::btnGotoClick() {
    RunProgram(QLatin1String(ProductWebPage), 1);
}
