#include "ui/panels/about_box.h"

#include <QFont>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>

#include "core/program.h"
#include "ui/app_icon.h"

namespace strida::ui {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName("frmAbout");
    setWindowTitle("About Strida");
    setModal(false);
    auto* grid = new QGridLayout(this);
    addTitle(grid);
    addNotes(grid);
    addButtons(grid);
    // The box takes the size its text needs, at any font size or scale.
    grid->setSizeConstraint(QLayout::SetFixedSize);

    showMessage = [this](const QString& text) {
        QMessageBox::information(this, QString::fromUtf8(kProgramName.data(), kProgramName.size()),
                                 text);
    };
}

void AboutBox::addTitle(QGridLayout* grid) {
    auto* image = new QLabel(this);
    image->setObjectName("Image1");
    image->setPixmap(appIcon().pixmap(48, 48));
    grid->addWidget(image, 0, 0, 3, 1, Qt::AlignTop);

    auto* title = new QLabel("Micro-Strida", this);
    title->setObjectName("lblTitle");
    QFont font("Arial");
    font.setPointSize(16);
    font.setBold(true);
    title->setFont(font);
    grid->addWidget(title, 0, 1);
    auto* version = new QLabel("Version 1.3", this);
    version->setObjectName("lblVersion");
    grid->addWidget(version, 1, 1);
    auto* subtitle =
        new QLabel("Microscopic simulation of pedestrians walking through a trap", this);
    subtitle->setObjectName("lblDescription");
    subtitle->setWordWrap(true);
    subtitle->setMinimumWidth(subtitle->fontMetrics().averageCharWidth() * 44);
    grid->addWidget(subtitle, 2, 1);
}

void AboutBox::addNotes(QGridLayout* grid) {
    // The etched line: a grey line over a white one.
    auto* etched = new QFrame(this);
    etched->setFrameShape(QFrame::HLine);
    etched->setFrameShadow(QFrame::Sunken);
    grid->addWidget(etched, 3, 0, 1, 3);

    auto* origin = new QLabel(
        "Strida follows each pedestrian's forward, avoid-collision and repulse-away desires slice "
        "by slice and measures speed, delay, uncomfortability, NHI and NUVI in the trap.",
        this);
    origin->setObjectName("lblOrigin");
    origin->setWordWrap(true);
    origin->setMinimumWidth(origin->fontMetrics().averageCharWidth() * 60);
    grid->addWidget(origin, 4, 0, 1, 3);
    auto* disclaimer = new QLabel(
        "This program is provided as it is, without warranty of any kind. Check its figures before "
        "you rely on them; you use it at your own risk.",
        this);
    disclaimer->setObjectName("lblDisclaimer");
    disclaimer->setWordWrap(true);
    disclaimer->setMinimumWidth(disclaimer->fontMetrics().averageCharWidth() * 44);
    grid->addWidget(disclaimer, 5, 0, 1, 2);
}

void AboutBox::addButtons(QGridLayout* grid) {
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("cmdOK");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::close);
    auto* sysInfo = new QPushButton("&System Info...", this);
    sysInfo->setObjectName("cmdSysInfo");
    connect(sysInfo, &QPushButton::clicked, this, [this] { StartSysInfo(); });
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(sysInfo);
    grid->addLayout(buttons, 5, 2, Qt::AlignBottom);
}

void AboutBox::StartSysInfo() {
    // A desktop's own system-information tool, where one is installed.
    for (const char* tool : {"hardinfo", "gnome-system-monitor", "ksysguard"}) {
        const QString path = QStandardPaths::findExecutable(tool);
        if (!path.isEmpty() && QProcess::startDetached(path, {})) return;
    }
    showMessage("System Information Is Unavailable At This Time");
}

}  // namespace strida::ui
