// "About Strida": the program's title, version and icon.
#pragma once

#include <QDialog>
#include <functional>

class QGridLayout;

namespace strida::ui {

class AboutBox : public QDialog {
    Q_OBJECT
  public:
    explicit AboutBox(QWidget* parent = nullptr);
    // Starts the desktop's system-information tool, or says it is unavailable.
    void StartSysInfo();
    // Shows a message (the desktop shows a message box).
    std::function<void(const QString&)> showMessage;

  private:
    // The icon, title, version and description; the notes under the etched line; OK and System
    // Info. Built in this order, which is the tab order.
    void addTitle(QGridLayout* grid);
    void addNotes(QGridLayout* grid);
    void addButtons(QGridLayout* grid);
};

}  // namespace strida::ui
