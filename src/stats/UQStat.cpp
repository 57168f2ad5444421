#include "UQStat.h"

#include "UShell.h"

TfrmQStat::TfrmQStat(QWidget* parent) : TfrmMDIChild(parent) {
    setObjectName(QStringLiteral("frmQStat"));

    if (IShell* shell = Shell())
        m_objectId = shell->CurrentObjectId();
}
