// SPDX-License-Identifier: Apache-2.0
// The main of the test binaries that drive a whole component: records reach the
// user-interface thread through the panel view, so every test runs with a QApplication on
// Qt's offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>

int main(int argc, char** argv) {
    // A runtime folder beside the executable, one per binary.
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    std::string runtime =
        (ec ? std::filesystem::current_path() : exe.parent_path()).string() + "/xdg-runtime";
    ::mkdir(runtime.c_str(), 0700);
    ::chmod(runtime.c_str(), 0700);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Non-ASCII names travel in the locale's code page: use UTF-8 when the machine has it.
    if (std::setlocale(LC_ALL, "C.UTF-8") == nullptr) {
        std::setlocale(LC_ALL, "");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
