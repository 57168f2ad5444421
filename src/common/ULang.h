#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

// The language table: an INI-style text of sections and entries that sets the
// captions, hints and line lists of a window's components and answers lookups
// of message texts by section and key.
class TLanguage {
public:
    struct TEntry {
        QString Name;
        QString Value;
        bool HasValue = false;
    };
    struct TSection {
        QString Name;
        QList<TEntry> Entries;
        QHash<QString, qsizetype> Index; // upper-cased name -> first entry
    };

    // The character that splits list values.
    static constexpr QChar ListSeparator = u'\n';

    // Replaces the table by the file's content unless the path is the one loaded
    // last. An unreadable file gives an empty table.
    void LoadFromFile(const QString& path);
    // Replaces the table by a text (the file format, already decoded).
    void LoadFromText(const QString& text);
    // Decodes a table file's bytes: UTF-8 when they are valid UTF-8, otherwise
    // Windows-1252, the encoding of the built-in table.
    static QString DecodeFileBytes(const QByteArray& bytes);

    // Applies every entry of the window's section to the window and its components.
    void ApplyToForm(QObject* window) const;
    // Applies one (name, value) pair to a window.
    void ApplyEntry(QObject* window, const QString& name, const QString& value) const;

    QString FormText(const QObject* window, const QString& key,
                     const QString& defaultText = QString()) const;
    QString SectionText(const QString& section, const QString& key,
                        const QString& defaultText = QString()) const;

    bool IsEmpty() const { return m_sections.isEmpty(); }
    const QList<TSection>& IniTable() const { return m_sections; }

    // "\n" (backslash, n) stands for a line feed in values.
    static QString DecodeLineFeeds(const QString& value);

private:
    const TSection* FindSection(const QString& name) const;

    QString m_loadedPath;
    bool m_loaded = false;
    QList<TSection> m_sections;
    QHash<QString, qsizetype> m_sectionIndex;
};

// The one language table of the run.
TLanguage& Language();
