// Widget tests run with a QApplication on the offscreen platform unless another is chosen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <cstdlib>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    // A message box or file dialog that a test did not expect would wait for a click forever:
    // close it and fail the test instead.
    QTimer guard;
    QObject::connect(&guard, &QTimer::timeout, [] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        ADD_FAILURE() << "a modal window was left open: \"" << modal->windowTitle().toStdString()
                      << "\"";
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    });
    guard.start(2000);
    return RUN_ALL_TESTS();
}
