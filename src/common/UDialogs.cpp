#include "UDialogs.h"

#include <QStringList>

namespace {

TScriptedDialogService& BuiltIn() {
    static TScriptedDialogService service;
    return service;
}

IDialogService* g_service = nullptr;

} // namespace

IDialogService& Dialogs() {
    return g_service ? *g_service : BuiltIn();
}

IDialogService* SetDialogService(IDialogService* service) {
    IDialogService* previous = g_service;
    g_service = service;
    return previous;
}

void ShowError(const QString& text) {
    Dialogs().MessageBox(text, TMsgKind::Error);
}

void ShowInformation(const QString& text) {
    Dialogs().MessageBox(text, TMsgKind::Information);
}

bool Confirm(const QString& text) {
    return Dialogs().MessageBox(text, TMsgKind::Confirmation) == TMsgResult::Yes;
}

TMsgResult TScriptedDialogService::MessageBox(const QString& text, TMsgKind kind) {
    TRecord r;
    r.Type = TRecord::Box::Message;
    r.Kind = kind;
    r.Text = text;
    m_records.append(r);
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    return kind == TMsgKind::Confirmation ? DefaultConfirmation : TMsgResult::Ok;
}

std::optional<QString> TScriptedDialogService::InputBox(const QString& title, const QString& prompt,
                                                        const QString& value) {
    TRecord r;
    r.Type = TRecord::Box::Input;
    r.Title = title;
    r.Text = prompt;
    r.Value = value;
    m_records.append(r);
    if (!m_inputs.isEmpty())
        return m_inputs.takeFirst();
    return std::nullopt;
}

QStringList TScriptedDialogService::Texts() const {
    QStringList texts;
    for (const TRecord& r : m_records)
        texts.append(r.Text);
    return texts;
}

void TScriptedDialogService::Clear() {
    m_records.clear();
    m_answers.clear();
    m_inputs.clear();
}
