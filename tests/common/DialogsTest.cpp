#include "UDialogs.h"

#include <gtest/gtest.h>

TEST(Dialogs, ScriptedServiceRecordsAndAnswersFromItsQueues) {
    TScriptedDialogService scripted;
    IDialogService* previous = SetDialogService(&scripted);
    scripted.QueueAnswer(TMsgResult::Yes);
    scripted.QueueInput(QStringLiteral("typed"));

    EXPECT_TRUE(Confirm(QStringLiteral("Sure?")));
    EXPECT_FALSE(Confirm(QStringLiteral("Again?"))); // empty queue: No
    ShowError(QStringLiteral("Boom"));
    EXPECT_EQ(Dialogs().InputBox(QStringLiteral("T"), QStringLiteral("P"), QStringLiteral("v")),
              QStringLiteral("typed"));
    EXPECT_EQ(Dialogs().InputBox(QStringLiteral("T"), QStringLiteral("P"), QString()),
              std::nullopt);

    EXPECT_EQ(scripted.Texts(),
              (QStringList{QStringLiteral("Sure?"), QStringLiteral("Again?"),
                           QStringLiteral("Boom"), QStringLiteral("P"), QStringLiteral("P")}));
    EXPECT_EQ(scripted.Records()[2].Kind, TMsgKind::Error);
    EXPECT_EQ(scripted.Records()[3].Title, QStringLiteral("T"));
    EXPECT_EQ(scripted.Records()[3].Value, QStringLiteral("v"));
    SetDialogService(previous);
}
