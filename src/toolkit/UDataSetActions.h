#pragma once

class QWidget;

// The record actions of the main window's ribbon act on the record set that has
// the focus: the nearest window or control, from the focused widget outwards,
// that implements this interface.
enum class TDataSetAction { First, Prior, Next, Last, Insert, Edit, Delete, Post, Cancel };

class IDataSetActionTarget {
public:
    virtual ~IDataSetActionTarget() = default;
    virtual bool DataSetActionEnabled(TDataSetAction action) const = 0;
    virtual void ExecuteDataSetAction(TDataSetAction action) = 0;
};

// The target for a widget: the widget itself or its nearest ancestor that
// implements the interface; null when none does.
IDataSetActionTarget* FindDataSetActionTarget(QWidget* widget);

// The clipboard actions act on the focused control when it edits text.
enum class TEditAction { Copy, Paste, Cut, Undo };
bool EditActionEnabled(QWidget* widget, TEditAction action);
void ExecuteEditAction(QWidget* widget, TEditAction action);
