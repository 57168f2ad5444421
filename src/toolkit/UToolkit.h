#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStringList>
#include <QWidget>

// An edit box with a caption label bound above it; the label follows the edit
// when it moves and shows and hides with it.
class TLabeledEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(QLabel* BoundLabel READ BoundLabel)

public:
    explicit TLabeledEdit(QWidget* parent = nullptr);
    QLabel* BoundLabel() const { return m_label; }

    // Space between the label's bottom and the edit's top, in pixels.
    static constexpr int LabelSpacing = 3;

protected:
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;

private:
    void PlaceLabel();

    QLabel* m_label = nullptr;
};

// A multi-line text box whose content is also published as a list of lines.
class TMemo : public QPlainTextEdit {
    Q_OBJECT
    Q_PROPERTY(QStringList Lines READ Lines WRITE SetLines)

public:
    explicit TMemo(QWidget* parent = nullptr);
    QStringList Lines() const;
    void SetLines(const QStringList& lines);
};

// A page of a page control (QTabWidget) whose caption is the text of its tab.
class TTabSheet : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)

public:
    explicit TTabSheet(QWidget* parent = nullptr) : QWidget(parent) {}
    QString Caption() const;
    void SetCaption(const QString& caption);

protected:
    bool event(QEvent* event) override;

private:
    void ShowCaption();
    QString m_caption;
};
