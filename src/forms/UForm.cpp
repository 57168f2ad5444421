#include "UForm.h"

#include "UReflection.h"
#include "UShell.h"

TfrmForm::TfrmForm(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmForm"));
    MarkAsWindow(this);
    if (IShell* shell = Shell())
        m_objectId = shell->CurrentObjectId();
}
