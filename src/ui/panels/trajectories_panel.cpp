#include "ui/panels/trajectories_panel.h"

#include <QButtonGroup>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QRadioButton>

#include "measure/report_writer.h"
#include "ui/panels/bindings.h"

namespace strida::ui {

QString trajectoryNameProblem(const QString& name) {
    if (name.isEmpty()) return "The trajectory file needs a name.";
    for (QChar c : name) {
        if (c == '/' || c == '\\')
            return "The trajectory file's name cannot hold a / or a \\: the file always goes to "
                   "the report folder.";
        if (c.category() == QChar::Other_Control)
            return "The trajectory file's name cannot hold a line break or another control "
                   "character.";
    }
    // The runs write their reports beside the trajectories (all of them text files): neither may
    // overwrite the other, whichever format is chosen.
    for (ReportFile report : {ReportFile::Individu, ReportFile::Traffic, ReportFile::System,
                              ReportFile::AvgInstant, ReportFile::Instant, ReportFile::NTXY}) {
        const QString reportName = QString::fromStdString(std::string(reportFileName(report)));
        if (reportName.section('.', 0, 0).compare(name, Qt::CaseInsensitive) == 0)
            return "The reports are written to " + reportName + "; choose another name.";
    }
    return {};
}

TrajectoriesPanel::TrajectoriesPanel(const std::filesystem::path& reportFolder, QWidget* parent)
    : QWidget(parent) {
    setObjectName("frmTrajectories");
    QFrame* frame = panelFrame(this, "frmTrajectoryFile");
    auto* grid = new QGridLayout(frame);
    write_ = new QCheckBox("Write trajectories", frame);
    write_->setObjectName("chkWriteTrajectories");
    connect(write_, &QCheckBox::toggled, this, [this] { changed(); });
    grid->addWidget(write_, 0, 0, 1, 3);

    auto* format = new QGroupBox("Format", frame);
    format->setObjectName("frmFormat");
    auto* formatColumn = new QVBoxLayout(format);
    auto* group = new QButtonGroup(format);
    auto* text = new QRadioButton("Text (.txt)", format);
    text->setObjectName("optText");
    text->setChecked(true);
    sqlite_ = new QRadioButton("SQLite (.sqlite)", format);
    sqlite_->setObjectName("optSQLite");
    for (QRadioButton* b : {text, sqlite_}) {
        group->addButton(b);
        formatColumn->addWidget(b);
    }
    connect(sqlite_, &QRadioButton::toggled, this, [this](bool on) {
        extension_->setText(on ? ".sqlite" : ".txt");
        changed();
    });
    grid->addWidget(format, 1, 0, 1, 3);
    addName(grid, frame);

    grid->addWidget(label("Written to the report folder:", frame), 3, 0, 1, 3);
    auto* folder = new QLineEdit(QString::fromStdString(reportFolder.string()), frame);
    folder->setObjectName("txtFolder");
    folder->setReadOnly(true);
    folder->setCursorPosition(0);
    folder->setToolTip(folder->text());
    grid->addWidget(folder, 4, 0, 1, 3);
    seed_ = label("", frame, "lblSeed");
    seed_->setMinimumWidth(seed_->fontMetrics().horizontalAdvance(
        "The last run started from seed 18446744073709551615."));
    grid->addWidget(seed_, 5, 0, 1, 3);
    grid->addWidget(button("cmdClose", "&Close", frame, [this] { hidePanel(this); }), 6, 2,
                    Qt::AlignRight);
}

void TrajectoriesPanel::addName(QGridLayout* grid, QWidget* frame) {
    grid->addWidget(label("File name:", frame), 2, 0);
    name_ = new QLineEdit(taken_, frame);
    name_->setObjectName("txtFileName");
    connect(name_, &QLineEdit::textChanged, this, [this](const QString& t) { nameEdited(t); });
    connect(name_, &QLineEdit::editingFinished, this, [this] { nameFinished(); });
    grid->addWidget(name_, 2, 1);
    extension_ = label(".sqlite", frame, "lblExtension");
    extension_->setMinimumWidth(extension_->sizeHint().width());
    extension_->setText(".txt");
    grid->addWidget(extension_, 2, 2);
}

void TrajectoriesPanel::nameEdited(const QString& text) {
    // A name that will not do is not taken; the runs keep the last good one.
    if (text == taken_ || !trajectoryNameProblem(text).isEmpty()) return;
    taken_ = text;
    changed();
}

void TrajectoriesPanel::nameFinished() {
    const QString problem = trajectoryNameProblem(name_->text());
    if (problem.isEmpty()) return;
    if (showMessage)
        showMessage(problem + " The runs keep writing " + taken_ + extension_->text() + ".");
    name_->setText(taken_);
}

void TrajectoriesPanel::changed() {
    if (onFilesChanged) onFilesChanged();
}

std::vector<std::filesystem::path> TrajectoriesPanel::files() const {
    if (!write_->isChecked()) return {};
    return {std::filesystem::path((taken_ + extension_->text()).toStdString())};
}

void TrajectoriesPanel::showSeed(std::uint64_t seed) {
    seed_->setText(QString("The last run started from seed %1.").arg(seed));
}

}  // namespace strida::ui
