#pragma once

#include <QMetaProperty>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

// Run-time reflection over Qt's meta-object system: components are found by
// their object name and published properties by their name, both ignoring
// letter case, as the runtime's language table and scripts address them.
//
// A published property is a Q_PROPERTY of the object, or one of the names the
// runtime's texts use for a Qt property that is spelled differently: Caption
// (window title, text or title), Hint (tool tip), Text (plain text of a
// multi-line edit), Left, Top, Width and Height (parts of the geometry), Name
// (object name) and Tag (an integer every component carries).

// Marks an object as a window: the root that owns the components below it.
// Lookups of owned components do not descend into another window.
void MarkAsWindow(QObject* window);
bool IsWindowObject(const QObject* object);

// The first component owned by the window whose name equals `name`, ignoring
// ASCII letter case; null when there is none. The window itself is not a
// candidate.
QObject* FindOwnedComponent(const QObject* window, const QString& name);

// Every component owned by the window, in creation order.
QObjectList OwnedComponents(const QObject* window);

class TPublishedProperty {
public:
    enum class TKind { None, Text, Integer, Boolean, Object, Lines, Other };

    TPublishedProperty() = default;
    bool IsValid() const { return m_kind != TKind::None; }
    TKind Kind() const { return m_kind; }
    // The name as published (the runtime's spelling).
    const QString& Name() const { return m_name; }
    bool IsWritable() const;
    QVariant Read(const QObject* object) const;
    // Writes a value converted to the property's type; false when it does not
    // convert or the property is read-only.
    bool Write(QObject* object, const QVariant& value) const;

private:
    friend TPublishedProperty FindPublishedProperty(const QObject*, const QString&);
    enum class TAlias { None, GeometryLeft, GeometryTop, GeometryWidth, GeometryHeight, Tag };

    QString m_name;
    TKind m_kind = TKind::None;
    QMetaProperty m_meta; // the Qt property behind it, unless a geometry part or Tag
    TAlias m_alias = TAlias::None;
};

// The published property of the object whose name equals `name`, ignoring
// letter case; invalid when there is none.
TPublishedProperty FindPublishedProperty(const QObject* object, const QString& name);

// Reads a published property by name; `found` tells whether it exists.
QVariant ReadPublishedProperty(const QObject* object, const QString& name, bool* found = nullptr);
// Writes a published property by name; false when it is missing or refuses the value.
bool WritePublishedProperty(QObject* object, const QString& name, const QVariant& value);

// Splits a text into lines at each line feed: every piece trimmed, empty pieces
// kept, and the text after the last line feed kept only when it is not blank.
QStringList SplitLinesValue(const QString& value);

// Sets a property path such as "BoundLabel.Caption" or "Lines.Text" on a target
// from a text value. The walk follows object-valued properties; the last
// property name found is then set on the object reached, else on the target.
// Text and integer properties take the value, line lists take its lines.
// Returns false when nothing was set; never throws.
bool SetPropertyPath(QObject* target, const QString& path, const QString& value);

// Trims blanks and control characters (codes 0 to 32) at both ends.
QString TrimControl(const QString& text);

// The language-table section of a window: its class name without the first letter.
QString WindowSectionName(const QObject* window);
