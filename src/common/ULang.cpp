#include "ULang.h"

#include "UReflection.h"

#include <QFile>
#include <QStringDecoder>

void TLanguage::LoadFromFile(const QString& path) {
    if (m_loaded && path == m_loadedPath)
        return;
    m_loadedPath = path;
    m_loaded = true;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        LoadFromText(QString());
        return;
    }
    LoadFromText(DecodeFileBytes(file.readAll()));
}

QString TLanguage::DecodeFileBytes(const QByteArray& bytes) {
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(view);
    if (!utf8.hasError())
        return text;
    QStringDecoder ansi("windows-1252");
    return ansi.decode(view);
}

void TLanguage::LoadFromText(const QString& text) {
    m_sections.clear();
    m_sectionIndex.clear();
    TSection* section = nullptr;
    bool skipping = true; // lines before the first section, or in a repeated section

    qsizetype pos = 0;
    const qsizetype n = text.size();
    while (pos <= n) {
        qsizetype end = pos;
        while (end < n && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        const QString line = TrimControl(text.mid(pos, end - pos));
        // CR LF, lone CR and lone LF each end a line.
        if (end < n && text[end] == u'\r' && end + 1 < n && text[end + 1] == u'\n')
            ++end;
        pos = end + 1;

        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            const QString name = TrimControl(line.mid(1, line.size() - 2));
            const QString key = name.toUpper();
            if (m_sectionIndex.contains(key)) {
                // The first section of a name wins; a repeated one is ignored.
                skipping = true;
                section = nullptr;
                continue;
            }
            m_sectionIndex.insert(key, m_sections.size());
            m_sections.append(TSection{name, {}, {}});
            section = &m_sections.last();
            skipping = false;
            continue;
        }
        if (skipping || !section)
            continue;
        TEntry entry;
        const qsizetype eq = line.indexOf(u'=');
        if (eq >= 0) {
            entry.Name = TrimControl(line.left(eq));
            entry.Value = TrimControl(line.mid(eq + 1));
            entry.HasValue = true;
        } else {
            entry.Name = line;
        }
        const QString key = entry.Name.toUpper();
        if (!section->Index.contains(key))
            section->Index.insert(key, section->Entries.size());
        section->Entries.append(entry);
    }
}

const TLanguage::TSection* TLanguage::FindSection(const QString& name) const {
    const auto it = m_sectionIndex.constFind(name.trimmed().toUpper());
    return it == m_sectionIndex.constEnd() ? nullptr : &m_sections[*it];
}

QString TLanguage::DecodeLineFeeds(const QString& value) {
    QString result = value;
    result.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
    return result;
}

QString TLanguage::SectionText(const QString& section, const QString& key,
                               const QString& defaultText) const {
    const TSection* s = FindSection(section);
    if (!s)
        return DecodeLineFeeds(defaultText);
    const auto it = s->Index.constFind(key.trimmed().toUpper());
    if (it == s->Index.constEnd() || !s->Entries[*it].HasValue)
        return DecodeLineFeeds(defaultText);
    return DecodeLineFeeds(s->Entries[*it].Value);
}

QString TLanguage::FormText(const QObject* window, const QString& key,
                            const QString& defaultText) const {
    return SectionText(WindowSectionName(window), key, defaultText);
}

void TLanguage::ApplyToForm(QObject* window) const {
    if (!window)
        return;
    const TSection* s = FindSection(WindowSectionName(window));
    if (!s)
        return;
    for (const TEntry& entry : s->Entries) {
        const QString name = entry.Name.trimmed();
        if (name.isEmpty())
            continue;
        // The value of a name is that of its first occurrence in the section.
        const TEntry& first = s->Entries[s->Index.value(name.toUpper())];
        ApplyEntry(window, name, first.Value);
    }
}

void TLanguage::ApplyEntry(QObject* window, const QString& name, const QString& value) const {
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty() || !window)
        return;
    const QString decoded = DecodeLineFeeds(value);
    QObject* target = window;
    QString path = trimmed;
    const qsizetype dot = trimmed.indexOf(u'.');
    if (dot >= 0) {
        target = FindOwnedComponent(window, trimmed.left(dot).trimmed());
        if (!target)
            return;
        path = trimmed.mid(dot + 1).trimmed();
    }
    if (decoded.isEmpty())
        return;
    SetPropertyPath(target, path, decoded);
}

TLanguage& Language() {
    static TLanguage instance;
    return instance;
}
