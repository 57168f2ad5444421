#pragma once

#include "UDialogs.h"

class QWidget;

// The dialog service of the running program: modal message and input boxes with
// their captions and buttons from the language table (section "Dialogs").
class TQtDialogService : public IDialogService {
public:
    // Boxes are shown over the active window, else over `fallbackParent`.
    explicit TQtDialogService(QWidget* fallbackParent = nullptr) : m_parent(fallbackParent) {}

    TMsgResult MessageBox(const QString& text, TMsgKind kind) override;
    std::optional<QString> InputBox(const QString& title, const QString& prompt,
                                    const QString& value) override;

private:
    QWidget* Parent() const;
    QWidget* m_parent;
};
