#pragma once

#include <QList>
#include <QString>
#include <optional>

// Message, confirmation and input boxes behind one interface. The windows show
// every box through the installed service; tests install the scripted one.

enum class TMsgKind { Error, Information, Confirmation };
enum class TMsgResult { Ok, Yes, No, Cancel };

class IDialogService {
public:
    virtual ~IDialogService() = default;
    // Error and information boxes have one OK button; confirmations Yes and No.
    virtual TMsgResult MessageBox(const QString& text, TMsgKind kind) = 0;
    // An input box with a title, a prompt and a preset value: the edited text on
    // OK, nothing on Cancel.
    virtual std::optional<QString> InputBox(const QString& title, const QString& prompt,
                                            const QString& value) = 0;
};

// The service the windows use; set once at start (and by tests).
IDialogService& Dialogs();
// Installs a service (not owned) and returns the one it replaces; null restores
// the built-in scripted service.
IDialogService* SetDialogService(IDialogService* service);

// The boxes the windows show; each text is also written to the log.
TMsgResult ShowMessage(const QString& text, TMsgKind kind);
void ShowError(const QString& text);
void ShowInformation(const QString& text);
bool Confirm(const QString& text);

// A dialog service for tests and batch runs: records every box and answers from
// queues, falling back to fixed answers when a queue is empty.
class TScriptedDialogService : public IDialogService {
public:
    struct TRecord {
        enum class Box { Message, Input } Type = Box::Message;
        TMsgKind Kind = TMsgKind::Information;
        QString Title;
        QString Text;
        QString Value; // preset value of an input box
    };

    TMsgResult MessageBox(const QString& text, TMsgKind kind) override;
    std::optional<QString> InputBox(const QString& title, const QString& prompt,
                                    const QString& value) override;

    void QueueAnswer(TMsgResult answer) { m_answers.append(answer); }
    void QueueInput(std::optional<QString> answer) { m_inputs.append(std::move(answer)); }

    const QList<TRecord>& Records() const { return m_records; }
    QStringList Texts() const;
    void Clear();

    // Answers when the queue is empty: a confirmation is answered No and an input
    // box is cancelled unless told otherwise.
    TMsgResult DefaultConfirmation = TMsgResult::No;

private:
    QList<TRecord> m_records;
    QList<TMsgResult> m_answers;
    QList<std::optional<QString>> m_inputs;
};
