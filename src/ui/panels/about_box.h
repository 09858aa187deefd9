// "About Strida": the program's title, version and icon.
#pragma once

#include <QDialog>
#include <functional>

namespace strida::ui {

class AboutBox : public QDialog {
    Q_OBJECT
  public:
    explicit AboutBox(QWidget* parent = nullptr);
    // Starts the desktop's system-information tool, or says it is unavailable.
    void StartSysInfo();
    // Shows a message (the desktop shows a message box).
    std::function<void(const QString&)> showMessage;
};

}  // namespace strida::ui
