#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QShowEvent;
class TdmApplication;
class TfrmSplash;

// The about window: the splash picture above the application's title, version
// and author, read from the parameters each time the window is shown.
class TfrmAbout : public QDialog {
    Q_OBJECT

public:
    TfrmAbout(TfrmSplash& splash, TdmApplication& params, QWidget* parent = nullptr);

    // Shows the window modally; the dialog result.
    int Execute();
    // Run at every showing.
    void FormShow();

    QLabel* imgPNG = nullptr;
    QLabel* imgSplash = nullptr;
    QLabel* lbAuthor = nullptr;
    QLabel* lbVersion = nullptr;
    QLabel* lbTitle = nullptr;
    QPushButton* btnOk = nullptr;

    static constexpr int ClientWidth = 538;
    static constexpr int ClientHeight = 401;

protected:
    void showEvent(QShowEvent* event) override;

private:
    TfrmSplash& m_splash;
    TdmApplication& m_params;
};
