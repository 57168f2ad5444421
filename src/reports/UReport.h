#pragma once

#include "UMDIChild.h"

// The window of a report object. It reads the key of its object from the main
// window while it is created; it shows its title and nothing else yet.
class TfrmReport : public TfrmMDIChild {
    Q_OBJECT

public:
    explicit TfrmReport(QWidget* parent = nullptr);
    // The key of the object this window shows.
    int ObjectId() const { return m_objectId; }

private:
    int m_objectId = 0;
};
