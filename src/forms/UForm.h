#pragma once

#include <QWidget>

// The window of a form object. It reads the key of its object from the main
// window while it is created; it shows its title and nothing else yet.
class TfrmForm : public QWidget {
    Q_OBJECT

public:
    explicit TfrmForm(QWidget* parent = nullptr);
    // The key of the object this window shows.
    int ObjectId() const { return m_objectId; }

private:
    int m_objectId = 0;
};
