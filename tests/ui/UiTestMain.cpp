// SPDX-License-Identifier: Apache-2.0
// The ui tests own the application object: Qt offscreen, private runtime folders.
#include <QApplication>
#include <gtest/gtest.h>

// Read by ThreadSanitizer at start-up (unused otherwise): Qt is not built with it, so only
// our own code's accesses are checked.
extern "C" __attribute__((visibility("default"))) const char* __tsan_default_options() {
    return "ignore_noninstrumented_modules=1";
}

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never the user's session folders: the tests' own, under the build folder.
    qputenv("XDG_RUNTIME_DIR", DOCSHELF_UI_RUNTIME_DIR);
    qputenv("XDG_CONFIG_HOME", DOCSHELF_UI_CONFIG_DIR);
    // Opening a file in a test must never start a real program.
    if (qgetenv("DOCSHELF_OPENER").isEmpty())
        qputenv("DOCSHELF_OPENER", "/bin/true");
    if (qgetenv("DOCSHELF_MIME_QUERY").isEmpty())
        qputenv("DOCSHELF_MIME_QUERY", "/bin/true");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
