#include "ULang.h"

#include <QApplication>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

// The offscreen platform warns about window features it lacks; that noise hides
// the messages that matter.
void FilterMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("does not support propagateSizeHints")))
        return;
    fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(FilterMessages);
    // Widget tests run on the offscreen platform unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The built-in language table, as the runtime loads it at start.
    Language().LoadFromFile(QStringLiteral(":/LANG"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
