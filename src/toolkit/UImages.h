#pragma once

#include <QIcon>
#include <QList>
#include <QObject>
#include <QPixmap>

// The runtime's built-in pictures: the ribbon's record and edit commands and
// the object kinds of the object menu. They are drawn, not loaded, on a
// transparent background in a 32 x 32 design grid, and scale to any size.
enum class TImage {
    None, // no picture: BuiltInPixmap gives a null pixmap, BuiltInIcon a null icon
    First,
    Prior,
    Next,
    Last,
    Insert,
    Edit,
    Delete,
    Post,
    Cancel,
    Copy,
    Paste,
    Cut,
    Undo,
    ObjectForm,
    ObjectView,
    ObjectReport,
    ObjectQStat,
};

// The picture drawn at size x size pixels; drawn once per size and cached.
QPixmap BuiltInPixmap(TImage image, int size = 32);
// The picture as an icon with its 16, 24, 32 and 64 pixel renderings.
QIcon BuiltInIcon(TImage image);
// The picture of an object kind (OBJECT_TYPE 0 form, 1 view, 2 report,
// 3 quick statistic); None for any other code.
TImage ObjectTypeImage(int objectType);

// A list of pictures of one size, shared by the controls that draw from it.
class TImageList : public QObject {
    Q_OBJECT
    Q_PROPERTY(int Width READ Width)
    Q_PROPERTY(int Height READ Height)
    Q_PROPERTY(int Count READ Count)

public:
    TImageList(int width, int height, QObject* parent = nullptr);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int Count() const { return int(m_pictures.size()); }

    // Adds a picture and returns its index; a picture larger than the list's
    // size keeps its top-left part.
    int Add(const QPixmap& picture);
    // The picture at an index; a null pixmap when out of range.
    QPixmap Picture(int index) const;
    void Clear() { m_pictures.clear(); }

private:
    int m_width;
    int m_height;
    QList<QPixmap> m_pictures;
};
