#include "UDialogs.h"

#include "ULog.h"

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

TMsgResult ShowMessage(const QString& text, TMsgKind kind) {
    static const char* const names[] = {"error", "information", "confirmation"};
    LogLine(QStringLiteral("message"),
            QLatin1String(names[int(kind)]) + QStringLiteral(": ") + text);
    const TMsgResult result = Dialogs().MessageBox(text, kind);
    if (kind == TMsgKind::Confirmation)
        LogLine(QStringLiteral("message"), result == TMsgResult::Yes
                                               ? QStringLiteral("answer: yes")
                                               : QStringLiteral("answer: no"));
    return result;
}

void ShowError(const QString& text) {
    ShowMessage(text, TMsgKind::Error);
}

void ShowInformation(const QString& text) {
    ShowMessage(text, TMsgKind::Information);
}

bool Confirm(const QString& text) {
    return ShowMessage(text, TMsgKind::Confirmation) == TMsgResult::Yes;
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
