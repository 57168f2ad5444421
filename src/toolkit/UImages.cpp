#include "UImages.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>
#include <QPolygonF>
#include <QtMath>

namespace {

// The palette shared by every picture.
const QColor Outline(0x1B, 0x35, 0x56);
const QColor BlueDark(0x2F, 0x6F, 0xB5);
const QColor BlueLight(0x7F, 0xB4, 0xE6);
const QColor GreenDark(0x1F, 0x7A, 0x3D);
const QColor Green(0x2E, 0x9D, 0x4F);
const QColor GreenLight(0x6C, 0xCB, 0x86);
const QColor RedDark(0x9E, 0x2A, 0x22);
const QColor Red(0xD0, 0x43, 0x3A);
const QColor RedLight(0xF0, 0x85, 0x7A);
const QColor Amber(0xF2, 0xB6, 0x32);
const QColor Grey(0x7E, 0x95, 0xAE);
const QColor Paper(0xFF, 0xFF, 0xFF);
const QColor PaperShade(0xE4, 0xEE, 0xF8);

// A top-to-bottom gradient over the design grid's rows y0 to y1.
QLinearGradient Vertical(const QColor& top, const QColor& bottom, qreal y0 = 4, qreal y1 = 28) {
    QLinearGradient g(0, y0, 0, y1);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

QPen OutlinePen(const QColor& color = Outline, qreal width = 1.5) {
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A stroke drawn twice: a wide dark edge under a narrower light core.
void TwoToneStroke(QPainter& p, const QPainterPath& path, const QColor& edge, const QColor& core,
                   qreal width) {
    p.setBrush(Qt::NoBrush);
    p.setPen(OutlinePen(edge, width));
    p.drawPath(path);
    p.setPen(OutlinePen(core, width - 2.5));
    p.drawPath(path);
}

// A right-pointing arrow, with a bar at its tip for the "last" picture.
void DrawArrow(QPainter& p, bool withBar) {
    const qreal shift = withBar ? -3 : 0;
    const QPolygonF arrow{QPointF(10 + shift, 6), QPointF(25 + shift, 16), QPointF(10 + shift, 26)};
    p.setPen(OutlinePen());
    p.setBrush(Vertical(BlueLight, BlueDark, 6, 26));
    p.drawPolygon(arrow);
    if (withBar)
        p.drawRoundedRect(QRectF(23, 6, 4.5, 20), 1.2, 1.2);
}

void DrawMirrored(QPainter& p, bool withBar) {
    p.translate(32, 0);
    p.scale(-1, 1);
    DrawArrow(p, withBar);
}

void DrawPlus(QPainter& p) {
    QPainterPath upright, across;
    upright.addRoundedRect(QRectF(12.5, 4.5, 7, 23), 1.5, 1.5);
    across.addRoundedRect(QRectF(4.5, 12.5, 23, 7), 1.5, 1.5);
    p.setPen(OutlinePen(GreenDark));
    p.setBrush(Vertical(GreenLight, Green));
    p.drawPath(upright.united(across));
}

void DrawMinus(QPainter& p) {
    p.setPen(OutlinePen(RedDark));
    p.setBrush(Vertical(RedLight, Red, 12.5, 19.5));
    p.drawRoundedRect(QRectF(4.5, 12.5, 23, 7), 1.5, 1.5);
}

void DrawCheck(QPainter& p) {
    QPainterPath check;
    check.moveTo(6, 17);
    check.lineTo(13, 24);
    check.lineTo(26, 8);
    TwoToneStroke(p, check, GreenDark, GreenLight, 7);
}

void DrawCross(QPainter& p) {
    QPainterPath cross;
    cross.moveTo(8, 8);
    cross.lineTo(24, 24);
    cross.moveTo(24, 8);
    cross.lineTo(8, 24);
    TwoToneStroke(p, cross, RedDark, RedLight, 7);
}

void DrawPencil(QPainter& p) {
    // A pencil drawn along the x axis, then laid on the diagonal.
    p.translate(16, 16);
    p.rotate(-45);
    p.setPen(OutlinePen(Outline, 1.2));
    const QPolygonF wood{QPointF(-14, 0), QPointF(-8, -4), QPointF(-8, 4)};
    p.setBrush(QColor(0xF5, 0xD9, 0xA8));
    p.drawPolygon(wood);
    p.setBrush(Outline);
    p.drawPolygon(QPolygonF{QPointF(-14, 0), QPointF(-11.5, -1.7), QPointF(-11.5, 1.7)});
    QLinearGradient body(0, -4, 0, 4);
    body.setColorAt(0, Amber.lighter(125));
    body.setColorAt(1, Amber.darker(115));
    p.setBrush(body);
    p.drawRect(QRectF(-8, -4, 15, 8));
    p.setBrush(QColor(0xB8, 0xC4, 0xD2));
    p.drawRect(QRectF(7, -4, 3, 8));
    p.setBrush(QColor(0xE8, 0x8A, 0x9A));
    p.drawRoundedRect(QRectF(10, -4, 4, 8), 1.5, 1.5);
}

// A sheet with a folded top-right corner and a few lines of text.
void DrawSheet(QPainter& p, const QRectF& r, int lines) {
    const qreal fold = 4;
    QPainterPath sheet;
    sheet.moveTo(r.topLeft());
    sheet.lineTo(r.right() - fold, r.top());
    sheet.lineTo(r.right(), r.top() + fold);
    sheet.lineTo(r.bottomRight());
    sheet.lineTo(r.bottomLeft());
    sheet.closeSubpath();
    p.setPen(OutlinePen());
    p.setBrush(Vertical(Paper, PaperShade, r.top(), r.bottom()));
    p.drawPath(sheet);
    p.setBrush(PaperShade);
    p.drawPolygon(QPolygonF{QPointF(r.right() - fold, r.top()),
                            QPointF(r.right() - fold, r.top() + fold),
                            QPointF(r.right(), r.top() + fold)});
    p.setPen(OutlinePen(Grey, 1.4));
    for (int i = 0; i < lines; ++i) {
        const qreal y = r.top() + 6 + i * 3.5;
        const qreal end = r.right() - (i % 2 ? 5 : 3);
        p.drawLine(QPointF(r.left() + 3, y), QPointF(end, y));
    }
}

void DrawCopy(QPainter& p) {
    DrawSheet(p, QRectF(4.5, 3.5, 15, 19), 0);
    DrawSheet(p, QRectF(12.5, 9.5, 15, 19), 4);
}

void DrawPaste(QPainter& p) {
    const QColor board(0xC9, 0x8A, 0x3E);
    p.setPen(OutlinePen(board.darker(170)));
    p.setBrush(Vertical(board.lighter(120), board));
    p.drawRoundedRect(QRectF(4.5, 5.5, 19, 23), 2, 2);
    p.setPen(OutlinePen());
    p.setBrush(QColor(0xB8, 0xC4, 0xD2));
    p.drawRoundedRect(QRectF(9.5, 3, 9, 5.5), 1.5, 1.5);
    DrawSheet(p, QRectF(13.5, 11.5, 14, 17), 3);
}

void DrawScissors(QPainter& p) {
    const QPolygonF blade1{QPointF(12.5, 19), QPointF(18.5, 3.5), QPointF(20.5, 4.5),
                           QPointF(15, 20)};
    const QPolygonF blade2{QPointF(19.5, 19), QPointF(13.5, 3.5), QPointF(11.5, 4.5),
                           QPointF(17, 20)};
    p.setPen(OutlinePen(Outline, 1.2));
    p.setBrush(Vertical(QColor(0xDC, 0xE4, 0xEE), QColor(0x9A, 0xAB, 0xC0), 3, 20));
    p.drawPolygon(blade1);
    p.drawPolygon(blade2);
    // The handles: rings drawn as a dark edge around a coloured core.
    for (const QPointF centre : {QPointF(10.5, 23.5), QPointF(21.5, 23.5)}) {
        QPainterPath ring;
        ring.addEllipse(centre, 4.2, 4.2);
        TwoToneStroke(p, ring, RedDark, Red, 4.5);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Outline);
    p.drawEllipse(QPointF(16, 12.4), 1.4, 1.4);
}

void DrawUndo(QPainter& p) {
    const QPointF control(19, 8.5), end(11, 12);
    QPainterPath curve;
    curve.moveTo(25, 26);
    curve.cubicTo(QPointF(28.5, 14), control, end);
    TwoToneStroke(p, curve, Outline, BlueLight, 6);
    // The head continues the curve's last direction.
    QPointF d = end - control;
    d /= qSqrt(QPointF::dotProduct(d, d));
    const QPointF normal(-d.y(), d.x());
    const QPolygonF head{end + d * 8, end + normal * 6.5, end - normal * 6.5};
    p.setPen(OutlinePen());
    p.setBrush(Vertical(BlueLight, BlueDark, 5, 20));
    p.drawPolygon(head);
}

// A window frame with its title bar; the client area below the bar.
QRectF DrawFrame(QPainter& p) {
    const QRectF frame(3.5, 5.5, 25, 21);
    p.setPen(OutlinePen());
    p.setBrush(Paper);
    p.drawRoundedRect(frame, 2.5, 2.5);
    // Rounded at the top only.
    QPainterPath rounded, square;
    rounded.addRoundedRect(QRectF(frame.left(), frame.top(), frame.width(), 6), 2.5, 2.5);
    square.addRect(QRectF(frame.left(), frame.top() + 3, frame.width(), 3));
    p.setBrush(Vertical(BlueDark, Outline, frame.top(), frame.top() + 6));
    p.drawPath(rounded.united(square));
    return QRectF(frame.left(), frame.top() + 6, frame.width(), frame.height() - 6);
}

void DrawForm(QPainter& p) {
    const QRectF client = DrawFrame(p);
    for (int i = 0; i < 3; ++i) {
        const qreal y = client.top() + 3 + i * 4.7;
        p.setPen(Qt::NoPen);
        p.setBrush(Grey);
        p.drawRect(QRectF(client.left() + 3, y + 1, 6, 1.8));
        p.setPen(OutlinePen(Grey, 1));
        p.setBrush(PaperShade);
        p.drawRect(QRectF(client.left() + 11, y, 11, 3.5));
    }
}

void DrawView(QPainter& p) {
    const QRectF client = DrawFrame(p);
    p.setPen(Qt::NoPen);
    p.setBrush(PaperShade);
    p.drawRect(QRectF(client.left() + 0.8, client.top(), client.width() - 1.6, 3.5));
    p.setPen(OutlinePen(Grey, 1));
    for (int row = 1; row <= 3; ++row) {
        const qreal y = client.top() + 3.5 * row;
        p.drawLine(QPointF(client.left() + 0.8, y), QPointF(client.right() - 0.8, y));
    }
    for (const qreal x : {client.left() + 8.5, client.left() + 16.5})
        p.drawLine(QPointF(x, client.top()), QPointF(x, client.bottom() - 0.8));
}

void DrawReport(QPainter& p) {
    DrawSheet(p, QRectF(6.5, 2.5, 19, 27), 0);
    p.setPen(Qt::NoPen);
    p.setBrush(Red);
    p.drawRect(QRectF(9.5, 6.5, 9, 2.6));
    p.setPen(OutlinePen(Grey, 1.3));
    for (int i = 0; i < 4; ++i) {
        const qreal y = 12.5 + i * 3.2;
        p.drawLine(QPointF(9.5, y), QPointF(i % 2 ? 19.5 : 22.5, y));
    }
    // A small bar chart at the foot of the page.
    p.setPen(Qt::NoPen);
    p.setBrush(BlueDark);
    p.drawRect(QRectF(10, 24, 2.5, 2.5));
    p.drawRect(QRectF(13.5, 22, 2.5, 4.5));
    p.drawRect(QRectF(17, 23, 2.5, 3.5));
    p.setBrush(Amber);
    p.drawRect(QRectF(20.5, 20.5, 2.5, 6));
}

void DrawPie(QPainter& p) {
    const QRectF circle(4, 5, 24, 24);
    struct TSlice {
        int start, span;
        QColor color;
    } const slices[] = {{90, 180, BlueDark}, {270, 70, Amber}, {340, 50, Green}};
    for (const TSlice& s : slices) {
        QPainterPath slice;
        slice.moveTo(circle.center());
        slice.arcTo(circle, s.start, s.span);
        slice.closeSubpath();
        p.setPen(OutlinePen(Paper, 1.2));
        p.setBrush(Vertical(s.color.lighter(125), s.color, circle.top(), circle.bottom()));
        p.drawPath(slice);
    }
    p.setPen(OutlinePen());
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(circle);
    // The exploded slice, drawn apart from the pie.
    const QRectF apart = circle.translated(1.8, -2.2);
    QPainterPath piece;
    piece.moveTo(apart.center());
    piece.arcTo(apart, 30, 60);
    piece.closeSubpath();
    p.setBrush(Vertical(Red.lighter(120), Red, apart.top(), apart.center().y()));
    p.drawPath(piece);
}

void Draw(QPainter& p, TImage image) {
    switch (image) {
    case TImage::None:
        break;
    case TImage::First:
        DrawMirrored(p, true);
        break;
    case TImage::Prior:
        DrawMirrored(p, false);
        break;
    case TImage::Next:
        DrawArrow(p, false);
        break;
    case TImage::Last:
        DrawArrow(p, true);
        break;
    case TImage::Insert:
        DrawPlus(p);
        break;
    case TImage::Edit:
        DrawPencil(p);
        break;
    case TImage::Delete:
        DrawMinus(p);
        break;
    case TImage::Post:
        DrawCheck(p);
        break;
    case TImage::Cancel:
        DrawCross(p);
        break;
    case TImage::Copy:
        DrawCopy(p);
        break;
    case TImage::Paste:
        DrawPaste(p);
        break;
    case TImage::Cut:
        DrawScissors(p);
        break;
    case TImage::Undo:
        DrawUndo(p);
        break;
    case TImage::ObjectForm:
        DrawForm(p);
        break;
    case TImage::ObjectView:
        DrawView(p);
        break;
    case TImage::ObjectReport:
        DrawReport(p);
        break;
    case TImage::ObjectQStat:
        DrawPie(p);
        break;
    }
}

} // namespace

QPixmap BuiltInPixmap(TImage image, int size) {
    if (image == TImage::None || size <= 0)
        return {};
    // Qt's pixmap cache goes away with the application, unlike a static table,
    // and a picture it drops is simply drawn again.
    const QString key = QStringLiteral("orv.builtin.%1.%2").arg(int(image)).arg(size);
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap))
        return pixmap;
    pixmap = QPixmap(size, size);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 32.0, size / 32.0);
        Draw(painter, image);
    }
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

QIcon BuiltInIcon(TImage image) {
    QIcon icon;
    if (image == TImage::None)
        return icon;
    for (const int size : {16, 24, 32, 64})
        icon.addPixmap(BuiltInPixmap(image, size));
    return icon;
}

TImage ObjectTypeImage(int objectType) {
    switch (objectType) {
    case 0:
        return TImage::ObjectForm;
    case 1:
        return TImage::ObjectView;
    case 2:
        return TImage::ObjectReport;
    case 3:
        return TImage::ObjectQStat;
    default:
        return TImage::None;
    }
}

TImageList::TImageList(int width, int height, QObject* parent)
    : QObject(parent), m_width(width), m_height(height) {}

int TImageList::Add(const QPixmap& picture) {
    // A larger picture keeps its top-left part, as an image button shows it.
    if (picture.width() > m_width || picture.height() > m_height)
        m_pictures.append(
            picture.copy(0, 0, qMin(picture.width(), m_width), qMin(picture.height(), m_height)));
    else
        m_pictures.append(picture);
    return int(m_pictures.size()) - 1;
}

QPixmap TImageList::Picture(int index) const {
    return index >= 0 && index < m_pictures.size() ? m_pictures[index] : QPixmap();
}
