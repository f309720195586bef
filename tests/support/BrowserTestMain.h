// main() for tests that start the embedded browser (Qt WebEngine).
#pragma once

#include <QApplication>
#include <QtTest>

// Chromium inside Qt WebEngine frees some of its objects through a base of another size when a page
// closes, and keeps process-wide objects (and udev's) until exit. The sanitizers would stop at that
// before any of our code ran; it is not ours to fix, so the browser tests leave it out.
extern "C" const char* __asan_default_options() {
    return "new_delete_type_mismatch=0";
}
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libQt6WebEngineCore.so\nleak:libudev.so\n";
}

#define KIVO_BROWSER_TEST_MAIN(TestClass)                                                                    \
    int main(int argc, char** argv) {                                                                        \
        QCoreApplication::setAttribute(                                                                      \
            Qt::AA_ShareOpenGLContexts); /* the browser needs it before the app */                           \
        QApplication app(argc, argv);                                                                        \
        TestClass test;                                                                                      \
        return QTest::qExec(&test, argc, argv);                                                              \
    }
