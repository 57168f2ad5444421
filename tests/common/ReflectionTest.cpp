#include "UReflection.h"
#include "UToolkit.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

struct Window {
    QWidget root;
    QGroupBox* box;
    QLabel* label;
    QWidget* inner;
    QLabel* innerLabel;
    Window() {
        MarkAsWindow(&root);
        box = new QGroupBox(QStringLiteral("title"), &root);
        box->setObjectName(QStringLiteral("gbMain"));
        label = new QLabel(box);
        label->setObjectName(QStringLiteral("lbName"));
        // Another window below this one owns its own components.
        inner = new QWidget(&root);
        MarkAsWindow(inner);
        inner->setObjectName(QStringLiteral("frmInner"));
        innerLabel = new QLabel(inner);
        innerLabel->setObjectName(QStringLiteral("lbHidden"));
    }
};

} // namespace

TEST(Reflection, FindsOwnedComponentsIgnoringCaseButNotInsideOtherWindows) {
    Window w;
    EXPECT_EQ(FindOwnedComponent(&w.root, QStringLiteral("LBNAME")), w.label);
    EXPECT_EQ(FindOwnedComponent(&w.root, QStringLiteral("gbmain")), w.box);
    EXPECT_EQ(FindOwnedComponent(&w.root, QStringLiteral("frmInner")), w.inner);
    EXPECT_EQ(FindOwnedComponent(&w.root, QStringLiteral("lbHidden")), nullptr);
    EXPECT_EQ(FindOwnedComponent(w.inner, QStringLiteral("lbhidden")), w.innerLabel);
    EXPECT_EQ(FindOwnedComponent(&w.root, QString()), nullptr);
    EXPECT_EQ(OwnedComponents(&w.root).size(), 3);
}

TEST(Reflection, ReadsAndWritesPublishedNamesOfQtProperties) {
    Window w;
    w.root.setWindowTitle(QStringLiteral("Win"));
    w.label->setGeometry(10, 20, 30, 40);
    const struct {
        QObject* object;
        const char* name;
        QVariant written;
        QVariant read;
    } cases[] = {
        {&w.root, "caption", QStringLiteral("New title"), QStringLiteral("New title")},
        {w.box, "Caption", QStringLiteral("Group"), QStringLiteral("Group")},
        {w.label, "CAPTION", QStringLiteral("Text"), QStringLiteral("Text")},
        {w.label, "Hint", QStringLiteral("Tip"), QStringLiteral("Tip")},
        {w.label, "left", QStringLiteral(" 15"), 15},
        {w.label, "Top", 25, 25},
        {w.label, "Width", 50, 50},
        {w.label, "height", 60, 60},
        {w.label, "Tag", QStringLiteral("42"), 42},
        {w.label, "Visible", false, false},
        {w.label, "enabled", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(WritePublishedProperty(c.object, QString::fromUtf8(c.name), c.written))
            << c.name;
        bool found = false;
        EXPECT_EQ(ReadPublishedProperty(c.object, QString::fromUtf8(c.name), &found), c.read)
            << c.name;
        EXPECT_TRUE(found) << c.name;
    }
    EXPECT_EQ(w.root.windowTitle(), QStringLiteral("New title"));
    EXPECT_EQ(w.label->geometry(), QRect(15, 25, 50, 60));

    bool found = true;
    ReadPublishedProperty(w.label, QStringLiteral("NoSuch"), &found);
    EXPECT_FALSE(found);
    EXPECT_FALSE(WritePublishedProperty(w.label, QStringLiteral("Left"), QStringLiteral("x")));
    EXPECT_EQ(w.label->x(), 15);
}

TEST(Reflection, PropertyPathsFollowObjectsAndLineLists) {
    QWidget root;
    MarkAsWindow(&root);
    auto* edit = new TLabeledEdit(&root);
    auto* memo = new TMemo(&root);
    EXPECT_TRUE(SetPropertyPath(edit, QStringLiteral("BoundLabel.Caption"), QStringLiteral("Nom")));
    EXPECT_EQ(edit->BoundLabel()->text(), QStringLiteral("Nom"));
    // Blanks separate parts like dots do.
    EXPECT_TRUE(SetPropertyPath(edit, QStringLiteral("BoundLabel Caption"), QStringLiteral("N2")));
    EXPECT_EQ(edit->BoundLabel()->text(), QStringLiteral("N2"));
    // "Text" is nothing on a list of lines: the list itself is set on the memo.
    memo->setPlainText(QStringLiteral("old"));
    EXPECT_TRUE(SetPropertyPath(memo, QStringLiteral("Lines.Text"), QStringLiteral("a\nb")));
    EXPECT_EQ(memo->Lines(), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    // An object-valued property is never replaced by a text.
    EXPECT_FALSE(SetPropertyPath(edit, QStringLiteral("BoundLabel"), QStringLiteral("x")));
    EXPECT_FALSE(SetPropertyPath(edit, QStringLiteral("Nothing.Here"), QStringLiteral("x")));
    EXPECT_FALSE(SetPropertyPath(nullptr, QStringLiteral("Caption"), QStringLiteral("x")));
}
