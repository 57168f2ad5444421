#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QWidget;
class TMemo;

// The product's web page, opened from the information window.
inline constexpr char ProductWebPage[] = "https://www.orvalis-runtime.org/";

// The information window about the product, shown while the main window closes.
class TfrmPub : public QDialog {
    Q_OBJECT

public:
    explicit TfrmPub(QWidget* parent = nullptr);

    void FormCreate();
    // Opens the product's web page; the window stays open.
    void btnGotoClick();

    QLabel* Image1 = nullptr;
    TMemo* mInfo = nullptr;
    QWidget* pnlBottom = nullptr;
    QPushButton* btnGoto = nullptr;
    QPushButton* btnOk = nullptr;

    static constexpr int ClientWidth = 647;
    static constexpr int ClientHeight = 212;
};
