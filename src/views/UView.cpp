#include "UView.h"

#include "UShell.h"

TfrmView::TfrmView(QWidget* parent) : TfrmMDIChild(parent) {
    setObjectName(QStringLiteral("frmView"));

    if (IShell* shell = Shell())
        m_objectId = shell->CurrentObjectId();
}
