#include "UReflection.h"

#include <QMetaObject>
#include <QRect>
#include <QRegularExpression>

namespace {

const char kWindowMarker[] = "orvWindow";
const char kTagProperty[] = "orvTag";

bool SameNameIgnoringAsciiCase(const QString& a, const QString& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a[i].unicode(), y = b[i].unicode();
        if (x >= u'a' && x <= u'z')
            x -= 32;
        if (y >= u'a' && y <= u'z')
            y -= 32;
        if (x != y)
            return false;
    }
    return true;
}

// Depth-first over the children, not entering other windows.
QObject* FindIn(const QObject* parent, const QString& name) {
    for (QObject* child : parent->children()) {
        if (SameNameIgnoringAsciiCase(child->objectName(), name))
            return child;
        if (IsWindowObject(child))
            continue;
        if (QObject* found = FindIn(child, name))
            return found;
    }
    return nullptr;
}

void CollectIn(const QObject* parent, QObjectList& out) {
    for (QObject* child : parent->children()) {
        out.append(child);
        if (!IsWindowObject(child))
            CollectIn(child, out);
    }
}

QMetaProperty FindMetaProperty(const QObject* object, const QString& name) {
    const QMetaObject* meta = object->metaObject();
    // Most derived class first, so that a class's own property wins over a
    // base-class property of the same name in another letter case.
    for (int i = meta->propertyCount() - 1; i >= 0; --i) {
        const QMetaProperty p = meta->property(i);
        if (QString::compare(QLatin1String(p.name()), name, Qt::CaseInsensitive) == 0)
            return p;
    }
    return {};
}

QMetaProperty ExactMetaProperty(const QObject* object, const char* name) {
    const int index = object->metaObject()->indexOfProperty(name);
    return index >= 0 ? object->metaObject()->property(index) : QMetaProperty();
}

TPublishedProperty::TKind KindOf(const QMetaProperty& p) {
    const QMetaType type = p.metaType();
    if (type.flags() & QMetaType::PointerToQObject)
        return TPublishedProperty::TKind::Object;
    switch (type.id()) {
    case QMetaType::QString:
        return TPublishedProperty::TKind::Text;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return TPublishedProperty::TKind::Integer;
    case QMetaType::Bool:
        return TPublishedProperty::TKind::Boolean;
    case QMetaType::QStringList:
        return TPublishedProperty::TKind::Lines;
    default:
        return TPublishedProperty::TKind::Other;
    }
}

} // namespace

void MarkAsWindow(QObject* window) {
    window->setProperty(kWindowMarker, true);
}

bool IsWindowObject(const QObject* object) {
    return object->property(kWindowMarker).toBool();
}

QObject* FindOwnedComponent(const QObject* window, const QString& name) {
    if (!window || name.isEmpty())
        return nullptr;
    return FindIn(window, name);
}

QObjectList OwnedComponents(const QObject* window) {
    QObjectList out;
    if (window)
        CollectIn(window, out);
    return out;
}

TPublishedProperty FindPublishedProperty(const QObject* object, const QString& name) {
    TPublishedProperty result;
    if (!object || name.isEmpty())
        return result;
    using TAlias = TPublishedProperty::TAlias;
    const QString upper = name.toUpper();
    // Qt's own x, y, width and height are read-only: the bounds are published
    // as parts of the geometry instead.
    const QMetaProperty geometry = ExactMetaProperty(object, "geometry");
    const bool bounds =
        (upper == u"LEFT" || upper == u"TOP" || upper == u"WIDTH" || upper == u"HEIGHT") &&
        geometry.isValid() && geometry.metaType() == QMetaType::fromType<QRect>();
    if (!bounds) {
        if (QMetaProperty p = FindMetaProperty(object, name); p.isValid()) {
            result.m_meta = p;
            result.m_name = QLatin1String(p.name());
            result.m_kind = KindOf(p);
            return result;
        }
    }
    auto alias = [&](const char* published, const char* qtName) {
        const QMetaProperty p = ExactMetaProperty(object, qtName);
        if (p.isValid()) {
            result.m_meta = p;
            result.m_name = QLatin1String(published);
            result.m_kind = KindOf(p);
        }
    };
    if (upper == u"CAPTION") {
        // A window's caption is its title; a control's caption its text.
        if (IsWindowObject(object))
            alias("Caption", "windowTitle");
        if (!result.IsValid())
            alias("Caption", "text");
        if (!result.IsValid())
            alias("Caption", "title");
        if (!result.IsValid())
            alias("Caption", "windowTitle");
    } else if (upper == u"HINT") {
        alias("Hint", "toolTip");
    } else if (upper == u"TEXT") {
        alias("Text", "plainText");
    } else if (upper == u"NAME") {
        alias("Name", "objectName");
    } else if (upper == u"TAG") {
        result.m_name = QStringLiteral("Tag");
        result.m_kind = TPublishedProperty::TKind::Integer;
        result.m_alias = TAlias::Tag;
    } else if (bounds) {
        {
            result.m_meta = geometry;
            result.m_kind = TPublishedProperty::TKind::Integer;
            static const struct {
                const char16_t* upper;
                const char* name;
                TAlias alias;
            } parts[] = {{u"LEFT", "Left", TAlias::GeometryLeft},
                         {u"TOP", "Top", TAlias::GeometryTop},
                         {u"WIDTH", "Width", TAlias::GeometryWidth},
                         {u"HEIGHT", "Height", TAlias::GeometryHeight}};
            for (const auto& part : parts)
                if (upper == QStringView(part.upper)) {
                    result.m_name = QLatin1String(part.name);
                    result.m_alias = part.alias;
                }
        }
    }
    return result;
}

bool TPublishedProperty::IsWritable() const {
    if (m_alias == TAlias::Tag)
        return true;
    return m_meta.isValid() && m_meta.isWritable();
}

QVariant TPublishedProperty::Read(const QObject* object) const {
    if (!IsValid() || !object)
        return {};
    switch (m_alias) {
    case TAlias::Tag:
        return object->property(kTagProperty).toInt();
    case TAlias::GeometryLeft:
        return m_meta.read(object).toRect().x();
    case TAlias::GeometryTop:
        return m_meta.read(object).toRect().y();
    case TAlias::GeometryWidth:
        return m_meta.read(object).toRect().width();
    case TAlias::GeometryHeight:
        return m_meta.read(object).toRect().height();
    case TAlias::None:
        break;
    }
    return m_meta.read(object);
}

bool TPublishedProperty::Write(QObject* object, const QVariant& value) const {
    if (!IsValid() || !object || !IsWritable())
        return false;
    if (m_alias != TAlias::None || m_kind == TKind::Integer) {
        bool ok = false;
        const qlonglong n = value.metaType() == QMetaType::fromType<QString>()
                                ? value.toString().trimmed().toLongLong(&ok)
                                : value.toLongLong(&ok);
        if (!ok)
            return false;
        if (m_alias == TAlias::Tag) {
            object->setProperty(kTagProperty, int(n));
            return true;
        }
        if (m_alias != TAlias::None) {
            QRect r = m_meta.read(object).toRect();
            switch (m_alias) {
            case TAlias::GeometryLeft:
                r.moveLeft(int(n));
                break;
            case TAlias::GeometryTop:
                r.moveTop(int(n));
                break;
            case TAlias::GeometryWidth:
                r.setWidth(int(n));
                break;
            case TAlias::GeometryHeight:
                r.setHeight(int(n));
                break;
            default:
                break;
            }
            return m_meta.write(object, r);
        }
        QVariant v(n);
        return v.convert(m_meta.metaType()) && m_meta.write(object, v);
    }
    if (m_kind == TKind::Lines && value.metaType() == QMetaType::fromType<QString>())
        return m_meta.write(object, SplitLinesValue(value.toString()));
    QVariant v = value;
    if (v.metaType() != m_meta.metaType() && !v.convert(m_meta.metaType()))
        return false;
    return m_meta.write(object, v);
}

QVariant ReadPublishedProperty(const QObject* object, const QString& name, bool* found) {
    const TPublishedProperty p = FindPublishedProperty(object, name);
    if (found)
        *found = p.IsValid();
    return p.Read(object);
}

bool WritePublishedProperty(QObject* object, const QString& name, const QVariant& value) {
    return FindPublishedProperty(object, name).Write(object, value);
}

QString TrimControl(const QString& text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin].unicode() <= 32)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 32)
        --end;
    return text.mid(begin, end - begin);
}

QStringList SplitLinesValue(const QString& value) {
    QStringList pieces = value.split(u'\n');
    const QString last = pieces.takeLast();
    QStringList lines;
    lines.reserve(pieces.size() + 1);
    for (const QString& piece : pieces)
        lines.append(TrimControl(piece));
    if (!TrimControl(last).isEmpty())
        lines.append(TrimControl(last));
    return lines;
}

bool SetPropertyPath(QObject* target, const QString& path, const QString& value) {
    if (!target)
        return false;
    static const QRegularExpression separators(QStringLiteral("[. ]"));
    const QStringList parts = path.split(separators, Qt::SkipEmptyParts);

    // The walk's current node: an object with published properties, or a list
    // of lines, which has none.
    QObject* current = target;
    bool currentIsLines = false;
    QString lastFound;
    for (const QString& part : parts) {
        if (currentIsLines)
            continue;
        const TPublishedProperty p = FindPublishedProperty(current, part);
        if (!p.IsValid())
            continue;
        lastFound = p.Name();
        if (p.Kind() == TPublishedProperty::TKind::Object) {
            if (QObject* inner = p.Read(current).value<QObject*>())
                current = inner;
        } else if (p.Kind() == TPublishedProperty::TKind::Lines) {
            currentIsLines = true;
        }
    }
    if (lastFound.isEmpty())
        return false;

    QObject* owner = nullptr;
    TPublishedProperty p;
    if (!currentIsLines) {
        p = FindPublishedProperty(current, lastFound);
        if (p.IsValid())
            owner = current;
    }
    if (!owner) {
        p = FindPublishedProperty(target, lastFound);
        if (!p.IsValid())
            return false;
        owner = target;
    }
    switch (p.Kind()) {
    case TPublishedProperty::TKind::Text:
    case TPublishedProperty::TKind::Integer:
    case TPublishedProperty::TKind::Lines:
        return p.Write(owner, value);
    case TPublishedProperty::TKind::Object:
    case TPublishedProperty::TKind::None:
        return false;
    default:
        // Other kinds do not occur in the language table; take what converts.
        return p.Write(owner, value);
    }
}

QString WindowSectionName(const QObject* window) {
    if (!window)
        return {};
    QString name = QLatin1String(window->metaObject()->className());
    const qsizetype colon = name.lastIndexOf(u':');
    if (colon >= 0)
        name = name.mid(colon + 1);
    return name.mid(1);
}
