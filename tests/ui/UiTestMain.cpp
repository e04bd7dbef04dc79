// The ui tests own the application object: Qt offscreen, private runtime folders.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // ctest sets these; a hand-run binary gets the same.
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    if (qgetenv("XDG_RUNTIME_DIR").isEmpty())
        qputenv("XDG_RUNTIME_DIR", DOCSHELF_UI_RUNTIME_DIR);
    if (qgetenv("XDG_CONFIG_HOME").isEmpty())
        qputenv("XDG_CONFIG_HOME", DOCSHELF_UI_CONFIG_DIR);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
