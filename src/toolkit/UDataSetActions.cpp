#include "UDataSetActions.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

IDataSetActionTarget* FindDataSetActionTarget(QWidget* widget) {
    for (QWidget* w = widget; w; w = w->parentWidget())
        if (auto* target = dynamic_cast<IDataSetActionTarget*>(w))
            return target;
    return nullptr;
}

namespace {

// The text editor behind a focused control (a combo box edits through its line edit).
QWidget* TextEditor(QWidget* widget) {
    if (auto* combo = qobject_cast<QComboBox*>(widget))
        return combo->lineEdit();
    if (qobject_cast<QLineEdit*>(widget) || qobject_cast<QTextEdit*>(widget) ||
        qobject_cast<QPlainTextEdit*>(widget))
        return widget;
    return nullptr;
}

} // namespace

bool EditActionEnabled(QWidget* widget, TEditAction action) {
    QWidget* editor = TextEditor(widget);
    if (!editor)
        return false;
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        switch (action) {
        case TEditAction::Copy:
            return line->hasSelectedText() && line->echoMode() == QLineEdit::Normal;
        case TEditAction::Cut:
            return line->hasSelectedText() && !line->isReadOnly() &&
                   line->echoMode() == QLineEdit::Normal;
        case TEditAction::Paste:
            return !line->isReadOnly() && !QGuiApplication::clipboard()->text().isEmpty();
        case TEditAction::Undo:
            return !line->isReadOnly() && line->isUndoAvailable();
        }
    }
    bool readOnly = false;
    bool hasSelection = false;
    bool canUndo = false;
    if (auto* text = qobject_cast<QTextEdit*>(editor)) {
        readOnly = text->isReadOnly();
        hasSelection = text->textCursor().hasSelection();
        canUndo = text->document()->isUndoAvailable();
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(editor)) {
        readOnly = plain->isReadOnly();
        hasSelection = plain->textCursor().hasSelection();
        canUndo = plain->document()->isUndoAvailable();
    }
    switch (action) {
    case TEditAction::Copy:
        return hasSelection;
    case TEditAction::Cut:
        return hasSelection && !readOnly;
    case TEditAction::Paste:
        return !readOnly && !QGuiApplication::clipboard()->text().isEmpty();
    case TEditAction::Undo:
        return !readOnly && canUndo;
    }
    return false;
}

void ExecuteEditAction(QWidget* widget, TEditAction action) {
    if (!EditActionEnabled(widget, action))
        return;
    static const char* const methods[] = {"copy", "paste", "cut", "undo"};
    QMetaObject::invokeMethod(TextEditor(widget), methods[int(action)]);
}
