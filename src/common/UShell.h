#pragma once

#include <QString>

class QObject;
#include <QStringList>

// What the child windows and scripts need of the main window, which implements
// it. Lower layers reach the main window only through this interface.
class IShell {
public:
    virtual ~IShell() = default;
    // The key of the object being opened; read by a child window while it is created.
    virtual int CurrentObjectId() const = 0;
    // Opens an object (type 0 form, 1 view, 2 report, 3 quick statistic) or
    // brings its open window to the front; the window.
    virtual QObject* OpenObject(int key, int type, const QString& caption) = 0;
    virtual QObject* OpenObjectById(int key, int type) = 0;
    // Opens the form of a table on the record whose ID is given; null for an
    // empty table name.
    virtual QObject* OpenFormByTable(const QString& table, int recordKey) = 0;
    // Writes a status bar panel (1: the record position).
    virtual void SetStatusPanel(int panel, const QString& text) = 0;
    // The script global variables, name=value pairs.
    virtual QStringList* GlobalVars() = 0;
};

// The main window of the run; null while there is none.
IShell* Shell();
void SetShell(IShell* shell);
