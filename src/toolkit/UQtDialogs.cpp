#include "UQtDialogs.h"

#include "ULang.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {

QString Text(const char* key, const char* fallback) {
    return Language().SectionText(QStringLiteral("Dialogs"), QLatin1String(key),
                                  QLatin1String(fallback));
}

} // namespace

QWidget* TQtDialogService::Parent() const {
    if (QWidget* active = QApplication::activeWindow())
        return active;
    return m_parent;
}

TMsgResult TQtDialogService::MessageBox(const QString& text, TMsgKind kind) {
    QMessageBox box(Parent());
    box.setText(text);
    box.setTextFormat(Qt::PlainText);
    QString title = QApplication::applicationDisplayName().trimmed();
    switch (kind) {
    case TMsgKind::Error:
        box.setIcon(QMessageBox::Critical);
        if (title.isEmpty())
            title = Text("titleError", "Erreur");
        break;
    case TMsgKind::Information:
        box.setIcon(QMessageBox::Information);
        if (title.isEmpty())
            title = Text("titleInformation", "Information");
        break;
    case TMsgKind::Confirmation:
        box.setIcon(QMessageBox::Question);
        if (title.isEmpty())
            title = Text("titleConfirmation", "Confirmation");
        break;
    }
    box.setWindowTitle(title);
    if (kind == TMsgKind::Confirmation) {
        QPushButton* yes = box.addButton(Text("btnYes", "Oui"), QMessageBox::YesRole);
        QPushButton* no = box.addButton(Text("btnNo", "Non"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? TMsgResult::Yes : TMsgResult::No;
    }
    QPushButton* ok = box.addButton(Text("btnOk", "OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
    return TMsgResult::Ok;
}

std::optional<QString> TQtDialogService::InputBox(const QString& title, const QString& prompt,
                                                  const QString& value) {
    QInputDialog dialog(Parent());
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(value);
    dialog.setOkButtonText(Text("btnOk", "OK"));
    dialog.setCancelButtonText(Text("btnCancel", "Annuler"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}
