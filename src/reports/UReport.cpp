#include "UReport.h"

#include "UShell.h"

TfrmReport::TfrmReport(QWidget* parent) : TfrmMDIChild(parent) {
    setObjectName(QStringLiteral("frmReport"));

    if (IShell* shell = Shell())
        m_objectId = shell->CurrentObjectId();
}
