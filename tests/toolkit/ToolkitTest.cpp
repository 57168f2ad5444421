#include "UToolkit.h"

#include <QWidget>
#include <gtest/gtest.h>

TEST(Toolkit, BoundLabelFollowsItsEdit) {
    QWidget window;
    auto* edit = new TLabeledEdit(&window);
    edit->BoundLabel()->setText(QStringLiteral("Identifiant"));
    edit->setGeometry(40, 100, 150, 21);
    window.show();
    QLabel* label = edit->BoundLabel();
    EXPECT_EQ(label->parentWidget(), &window);
    EXPECT_EQ(label->x(), 40);
    EXPECT_EQ(label->geometry().bottom() + 1 + TLabeledEdit::LabelSpacing, 100);
    EXPECT_TRUE(label->isVisible());
    edit->hide();
    EXPECT_FALSE(label->isVisible());
}

TEST(Toolkit, MemoLinesRoundTrip) {
    TMemo memo;
    EXPECT_TRUE(memo.Lines().isEmpty());
    const QStringList lines{QStringLiteral("a"), QString(), QStringLiteral("c")};
    memo.SetLines(lines);
    EXPECT_EQ(memo.Lines(), lines);
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("a\n\nc"));
}
