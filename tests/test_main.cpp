#include "ULang.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Widget tests run on the offscreen platform unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The built-in language table, as the runtime loads it at start.
    Language().LoadFromFile(QStringLiteral(":/LANG"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
