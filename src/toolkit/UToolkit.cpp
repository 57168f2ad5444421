#include "UToolkit.h"

#include <QEvent>
#include <QTabWidget>

TLabeledEdit::TLabeledEdit(QWidget* parent) : QLineEdit(parent) {
    m_label = new QLabel(parent ? parent : this);
    m_label->setBuddy(this);
    if (!parent)
        m_label->hide();
    PlaceLabel();
}

void TLabeledEdit::PlaceLabel() {
    if (!m_label || m_label->parentWidget() != parentWidget())
        return;
    m_label->adjustSize();
    m_label->move(x(), y() - m_label->height() - LabelSpacing);
}

void TLabeledEdit::moveEvent(QMoveEvent* event) {
    QLineEdit::moveEvent(event);
    PlaceLabel();
}

void TLabeledEdit::showEvent(QShowEvent* event) {
    QLineEdit::showEvent(event);
    if (m_label->parentWidget() == parentWidget())
        m_label->show();
    PlaceLabel();
}

void TLabeledEdit::hideEvent(QHideEvent* event) {
    QLineEdit::hideEvent(event);
    if (m_label->parentWidget() == parentWidget())
        m_label->hide();
}

bool TLabeledEdit::event(QEvent* event) {
    if (event->type() == QEvent::ParentChange && m_label) {
        // The label lives beside the edit, on the same parent.
        m_label->setParent(parentWidget());
        PlaceLabel();
    }
    return QLineEdit::event(event);
}

TMemo::TMemo(QWidget* parent) : QPlainTextEdit(parent) {}

QStringList TMemo::Lines() const {
    const QString text = toPlainText();
    if (text.isEmpty())
        return {};
    return text.split(u'\n');
}

void TMemo::SetLines(const QStringList& lines) {
    setPlainText(lines.join(u'\n'));
}

QString TTabSheet::Caption() const {
    return m_caption;
}

void TTabSheet::SetCaption(const QString& caption) {
    m_caption = caption;
    ShowCaption();
}

void TTabSheet::ShowCaption() {
    // A page sits in the page control's stack, itself inside the page control.
    for (QWidget* w = parentWidget(); w; w = w->parentWidget())
        if (auto* pages = qobject_cast<QTabWidget*>(w)) {
            const int index = pages->indexOf(this);
            if (index >= 0)
                pages->setTabText(index, m_caption);
            return;
        }
}

bool TTabSheet::event(QEvent* event) {
    if (event->type() == QEvent::ParentChange)
        ShowCaption();
    return QWidget::event(event);
}
